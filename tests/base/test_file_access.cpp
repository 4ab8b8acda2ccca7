// The ground of the stored files: Windows-1252 text with CR LF lines, atomic
// replacement, reading of regular files only, and the settings store.
#include "base/Ansi.h"
#include "base/FileAccess.h"
#include "base/SettingsFile.h"

#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

using R = FileAccess::ReadResult;

class TestFileAccess : public QObject
{
    Q_OBJECT
private slots:
    void ansi()
    {
        const QString text = QStringLiteral("Grüße € äöüß");
        QCOMPARE(Ansi::encode(text), QByteArray("Gr\xFC\xDF" "e \x80 \xE4\xF6\xFC\xDF"));
        QVERIFY(Ansi::decode(Ansi::encode(text)) == text && Ansi::canEncode(text));
        // One '?' for each character the code page cannot hold, a surrogate pair included.
        const QString wide = QStringLiteral("a\u4E2Db") + QString::fromUcs4(U"\U0001F600") + "c";
        QVERIFY(Ansi::encode(wide) == "a?b?c" && !Ansi::canEncode(wide));
        QCOMPARE(Ansi::writeLines({"1", "", "ä"}), QByteArray("1\r\n\r\n\xE4\r\n"));
        QCOMPARE(Ansi::readLines("a\nb\r\n\r\nc\rd"), QStringList({"a", "b", "", "c\rd"}));   // a lone CR stays
    }

    void replacesWholeOrNotAtAll()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("scr.cxa");
        QVERIFY(FileAccess::writeAtomically(file, "old"));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(FileAccess::writeAtomically(file, "new") && readAll(file) == "new");
        QCOMPARE(QFile::permissions(file) & ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        {   // The file system refuses the 5th byte: the old file stays, no temporary file is left.
            FileSizeLimit limit(4);
            QVERIFY(limit.active() && !FileAccess::writeAtomically(file, QByteArray(64 * 1024, 'x')));
        }
        QCOMPARE(readAll(file), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"scr.cxa"});
        // A link in the file's place is replaced; what it points to stays as it was.
        QTemporaryDir outside;
        const QString target = outside.filePath("victim"), link = dir.filePath("p.cxa");
        QVERIFY(FileAccess::writeAtomically(target, "precious") && QFile::link(target, link));
        QVERIFY(FileAccess::writeAtomically(link, "list"));
        QVERIFY(!QFileInfo(link).isSymLink() && readAll(link) == "list" && readAll(target) == "precious");
        // A copy never takes the place of anything: a file, a link, a folder.
        const QString folder = dir.filePath("Images");
        QVERIFY(QFile::link(target, dir.filePath("q.cxa")) && QDir().mkdir(folder));
        for (const QString &taken : {link, dir.filePath("q.cxa"), folder})
            QVERIFY(FileAccess::copyFile(file, taken) == FileAccess::CopyResult::NameTaken);
        QVERIFY(readAll(link) == "list" && readAll(target) == "precious" && QFileInfo(folder).isDir());
        QVERIFY(FileAccess::copyFile(file, dir.filePath("copy")) == FileAccess::CopyResult::Copied && readAll(dir.filePath("copy")) == "new");
        // A file the player made read-only keeps its bytes; the temporary name fits beside the longest name.
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadOther) && !FileAccess::writeAtomically(file, "x"));
        const QString longest = dir.filePath(QString(251, 'n') + ".sav");
        QVERIFY(readAll(file) == "new" && FileAccess::writeAtomically(longest, "long") && readAll(longest) == "long");
    }

    // The content reaches the disk before the rename, the rename after it.
    void flushesFileThenFolder()
    {
        static QTemporaryDir dir;
        static QStringList steps;
        const FileAccess::SyncFunction previous = FileAccess::setSync([](int fd) {
            struct stat st = {};
            return ::fstat(fd, &st), steps << (S_ISDIR(st.st_mode) ? "folder:" : S_ISREG(st.st_mode) ? "file:" : "?:") + readAll(dir.filePath("p.cxa")), 0;
        });
        const auto restore = qScopeGuard([previous] { FileAccess::setSync(previous); });
        QVERIFY(FileAccess::writeAtomically(dir.filePath("p.cxa"), "old", FileAccess::Durability::Cache) && steps.isEmpty());
        QVERIFY(FileAccess::writeAtomically(dir.filePath("p.cxa"), "new"));
        QCOMPARE(steps, QStringList({"file:old", "folder:new"}));
    }

    // What a write cut short leaves is removed; nothing else is (a folder, a link, names not of the writer).
    void removesLeftTemporaries()
    {
        QTemporaryDir dir;
        QStringList kept = {".zandor-tmp.Ab12C", "solver.pdb", ".other.pdb.abcdef", ".name.sav.ab-def", ".zandor-tmp.Folder", ".zandor-tmp.Link12"};
        for (const QString &name : kept.mid(0, 4) + QStringList{".zandor-tmp.Ab12Cd", ".solver.pdb.Xy12Zz", ".name.sav.abcdef"})
            QVERIFY(writeAll(dir.filePath(name), "x"));
        QVERIFY(QDir(dir.path()).mkdir(kept[4]) && QFile::link("solver.pdb", dir.filePath(kept[5])));
        QCOMPARE(FileAccess::removeTemporaries(dir.path(), {"solver.pdb", "*.sav"}), 3);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted).size(), 6);
    }

    // A FIFO is refused at once: opening one for reading would wait for a writer.
    void readsOnlyRegularFiles()
    {
        const std::tuple<QString, qint64, R> rows[] = {
            {"file", 10, R::Ok}, {"file", 4, R::TooLarge}, {"missing", 100, R::Missing}, {"fifo", 100, R::NotRegular}};
        for (const auto &[kind, limit, expected] : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath("p.cxa");
            if (kind == "file")
                QVERIFY(FileAccess::writeAtomically(path, "0123456789"));
            else if (kind == "fifo")   // reached through a link, which is followed
                QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0
                        && QFile::link(dir.filePath("fifo"), path));
            QByteArray whole = "unset", head = "unset";
            QVERIFY2(FileAccess::readRegular(path, limit, &whole) == expected, qPrintable(kind));
            QCOMPARE(whole, expected == R::Ok ? QByteArray("0123456789") : QByteArray("unset"));
            // The head of a longer file is read up to the limit.
            const bool tooLarge = expected == R::TooLarge;
            QVERIFY2(FileAccess::readHead(path, limit, &head) == (tooLarge ? R::Ok : expected), qPrintable(kind));
            QCOMPARE(head, tooLarge ? QByteArray("0123") : whole);
            QCOMPARE(FileAccess::isRegularFile(path), kind == "file");
            // Opened for reading a part at a time, under the same checks.
            QFile opened;
            QVERIFY2(FileAccess::openRegular(path, limit, &opened) == expected, qPrintable(kind));
            QCOMPARE(opened.isOpen() ? opened.readAll() : QByteArray("unset"), whole);
        }
    }

    // The settings keep every line they do not know; the first line of a key
    // counts; a change is written whole with CR LF, or, when the file cannot
    // be written, not taken at all.
    void settingsFile()
    {
        struct Row { QByteArray before; const char *key, *value; bool writable; QByteArray after; };
        const Row rows[] = {
            {"", "Bild zuschneiden", nullptr, true, "Bild zuschneiden=1\r\n"},
            {"Fenster=10x20\r\n[Abschnitt]\r\n\r\nBild zuschneiden=0\r\n", "Bild zuschneiden", "0", true,
             "Fenster=10x20\r\n[Abschnitt]\r\n\r\nBild zuschneiden=1\r\n"},
            {"Fenster = 3\nBild zuschneiden = 0", "Bild zuschneiden", "0", true, "Fenster = 3\r\nBild zuschneiden=1\r\n"},
            {"=1\r\nohne Zeichen\r\nBild zuschneiden=0\r\nBild zuschneiden=1\r\n", "Bild zuschneiden", "0", true,
             "=1\r\nohne Zeichen\r\nBild zuschneiden=1\r\nBild zuschneiden=1\r\n"},
            {"Gr\xF6\xDF" "e=\xE4\r\n", "Größe", "ä", true, "Gr\xF6\xDF" "e=1\r\n"},
            {"Bild zuschneiden=0\r\nalt\r\n", "Bild zuschneiden", "0", false, "Bild zuschneiden=0\r\nalt\r\n"},
        };
        for (const Row &r : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QLatin1String(SettingsFile::FileName));
            QVERIFY(r.before.isEmpty() || writeAll(path, r.before));
            if (!r.writable)   // made read-only by the player
                QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
            SettingsFile settings(path);
            const QString key = QString::fromUtf8(r.key);
            QCOMPARE(settings.value(key), r.value ? std::optional(QString::fromUtf8(r.value)) : std::nullopt);
            QCOMPARE(settings.set(key, QStringLiteral("1")), r.writable);
            QCOMPARE(settings.value(key).value_or(QString()), r.writable ? QStringLiteral("1") : QString::fromUtf8(r.value));
            QCOMPARE(readAll(path), r.after);
        }
    }
};

QTEST_GUILESS_MAIN(TestFileAccess)
#include "test_file_access.moc"
