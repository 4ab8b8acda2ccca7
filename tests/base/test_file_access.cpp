// The ground of the stored files: Windows-1252 text with CR LF lines; atomic
// replacement (a write refused by the file system, a link in the file's place)
// and reading of regular files only (a FIFO or a folder is refused at once).
#include "base/Ansi.h"
#include "base/FileAccess.h"

#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

using FileAccess::ReadResult;
Q_DECLARE_METATYPE(ReadResult)

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
        QCOMPARE(Ansi::encode(wide), QByteArray("a?b?c"));
        QVERIFY(!Ansi::canEncode(wide));
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
    }

    void readsOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<ReadResult>("expected");
        QTest::newRow("exactly the limit") << "file" << qint64(10) << ReadResult::Ok;
        QTest::newRow("longer than the limit") << "file" << qint64(4) << ReadResult::TooLarge;
        QTest::newRow("missing") << "missing" << qint64(100) << ReadResult::Missing;
        QTest::newRow("fifo") << "fifo" << qint64(100) << ReadResult::NotRegular;
        QTest::newRow("link to a fifo") << "fifo link" << qint64(100) << ReadResult::NotRegular;
    }
    void readsOnlyRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, limit);
        QFETCH(ReadResult, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("p.cxa"), fifo = dir.filePath("fifo");
        if (kind == "file")
            QVERIFY(FileAccess::writeAtomically(path, "0123456789"));
        else if (kind.startsWith("fifo"))   // opening one for reading would wait for a writer
            QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0
                    && (kind == "fifo" ? QFile::rename(fifo, path) : QFile::link(fifo, path)));
        QByteArray whole = "unset", head = "unset";
        QCOMPARE(FileAccess::readRegular(path, limit, &whole), expected);
        QCOMPARE(whole, expected == ReadResult::Ok ? QByteArray("0123456789") : QByteArray("unset"));
        // The head of a longer file is read up to the limit.
        const bool tooLarge = expected == ReadResult::TooLarge;
        QCOMPARE(FileAccess::readHead(path, limit, &head), tooLarge ? ReadResult::Ok : expected);
        QCOMPARE(head, tooLarge ? QByteArray("0123") : whole);
        QCOMPARE(FileAccess::isRegularFile(path), kind == "file");
    }
};

QTEST_GUILESS_MAIN(TestFileAccess)
#include "test_file_access.moc"
