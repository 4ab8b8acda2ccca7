// Atomic replacement and guarded reading of the game's files, on the real
// file system: a write refused by the file system, a symbolic link in the
// file's place, a FIFO or a folder where a file is read.
#include "base/FileAccess.h"

#include "FileSizeLimit.h"

#include <QtTest>

#include <sys/stat.h>

using FileAccess::ReadResult;
Q_DECLARE_METATYPE(ReadResult)

static QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class TestFileAccess : public QObject
{
    Q_OBJECT
private slots:
    void replacesWholeOrNotAtAll()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("scr.cxa");
        QVERIFY(FileAccess::writeAtomically(file, "old"));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(FileAccess::writeAtomically(file, "new"));
        QCOMPARE(contentOf(file), QByteArray("new"));
        QCOMPARE(QFile::permissions(file) & ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        {   // The file system refuses the 5th byte: the old file stays, no temporary file is left.
            FileSizeLimit limit(4);
            QVERIFY(limit.active());
            QVERIFY(!FileAccess::writeAtomically(file, QByteArray(64 * 1024, 'x')));
        }
        QCOMPARE(contentOf(file), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"scr.cxa"});
        QVERIFY(!FileAccess::writeAtomically(dir.path(), "x"));
        QVERIFY(!FileAccess::writeAtomically(dir.filePath("none/p.cxa"), "x"));
    }

    void replacesASymbolicLinkInsteadOfItsTarget()
    {
        QTemporaryDir dir, outside;
        const QString target = outside.filePath("victim");
        QVERIFY(FileAccess::writeAtomically(target, "precious"));
        const QString link = dir.filePath("scr.cxa"), folderLink = dir.filePath("p.cxa");
        QVERIFY(QFile::link(target, link) && QFile::link(outside.path(), folderLink));
        for (const QString &path : {link, folderLink}) {
            QVERIFY(FileAccess::writeAtomically(path, "list"));
            QVERIFY(!QFileInfo(path).isSymLink());
            QCOMPARE(contentOf(path), QByteArray("list"));
        }
        QCOMPARE(contentOf(target), QByteArray("precious"));
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"victim"});
    }

    void readsOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<ReadResult>("expected");
        QTest::newRow("exactly the limit") << "file" << qint64(10) << ReadResult::Ok;
        QTest::newRow("longer than the limit") << "file" << qint64(4) << ReadResult::TooLarge;
        QTest::newRow("missing") << "missing" << qint64(100) << ReadResult::Missing;
        QTest::newRow("folder") << "folder" << qint64(100) << ReadResult::NotRegular;
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
        else if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("p.cxa"));
        else if (kind.startsWith("fifo"))   // opening one for reading would wait for a writer
            QCOMPARE(::mkfifo(QFile::encodeName(kind == "fifo" ? path : fifo).constData(), 0600), 0);
        if (kind == "fifo link")
            QVERIFY(QFile::link(fifo, path));

        QByteArray got = "unset";
        QCOMPARE(FileAccess::readRegular(path, limit, &got), expected);
        QCOMPARE(got, expected == ReadResult::Ok ? QByteArray("0123456789") : QByteArray("unset"));
        // The head of a longer file is read up to the limit.
        const bool tooLarge = expected == ReadResult::TooLarge;
        QCOMPARE(FileAccess::readHead(path, limit, &got), tooLarge ? ReadResult::Ok : expected);
        if (tooLarge)
            QCOMPARE(got, QByteArray("0123"));
        QCOMPARE(FileAccess::isRegularFile(path), kind == "file");
    }
};

QTEST_GUILESS_MAIN(TestFileAccess)
#include "test_file_access.moc"
