// Atomic replacement and guarded reading of the game's files, on the real
// file system: a write refused by the file system, a symbolic link in the
// file's place, a FIFO or a folder where a file is read.
#include "base/FileAccess.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using FileAccess::ReadResult;

namespace {
QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
} // namespace

class TestFileAccess : public QObject
{
    Q_OBJECT
private slots:
    void replacesWholeOrNotAtAll()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("scr.cxa");
        put(file, "old content");
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(FileAccess::writeAtomically(file, "new"));
        QCOMPARE(contentOf(file), QByteArray("new"));
        QCOMPARE(QFile::permissions(file), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                               | QFile::WriteUser | QFile::ReadGroup);

        // The file system refuses the 5th byte: the old file stays as it was,
        // and no temporary file is left beside it.
        const QByteArray big(64 * 1024, 'x');
        {
            FileSizeLimit limit(4);
            QVERIFY(limit.active());
            QVERIFY(!FileAccess::writeAtomically(file, big));
        }
        QCOMPARE(contentOf(file), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"scr.cxa"});

        // A path that is a folder, or in a folder that does not exist.
        QVERIFY(!FileAccess::writeAtomically(dir.path(), "x"));
        QVERIFY(!FileAccess::writeAtomically(dir.filePath("none/p.cxa"), "x"));
    }

    void replacesASymbolicLinkInsteadOfItsTarget()
    {
        QTemporaryDir dir, outside;
        const QString target = outside.filePath("victim");
        put(target, "precious");
        const QString link = dir.filePath("scr.cxa");
        const QString folderLink = dir.filePath("p.cxa");
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
        QTest::addColumn<int>("expected");
        QTest::addColumn<QByteArray>("head");   // what readHead gives
        QTest::newRow("file") << "file" << qint64(100) << int(ReadResult::Ok) << QByteArray("0123456789");
        QTest::newRow("exactly the limit") << "file" << qint64(10) << int(ReadResult::Ok) << QByteArray("0123456789");
        QTest::newRow("longer than the limit") << "file" << qint64(4) << int(ReadResult::TooLarge) << QByteArray("0123");
        QTest::newRow("missing") << "missing" << qint64(100) << int(ReadResult::Missing) << QByteArray();
        QTest::newRow("below a file") << "below" << qint64(100) << int(ReadResult::Missing) << QByteArray();
        QTest::newRow("folder") << "folder" << qint64(100) << int(ReadResult::NotRegular) << QByteArray();
        QTest::newRow("fifo") << "fifo" << qint64(100) << int(ReadResult::NotRegular) << QByteArray();
        QTest::newRow("link to a fifo") << "fifo link" << qint64(100) << int(ReadResult::NotRegular) << QByteArray();
    }
    void readsOnlyRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, limit);
        QFETCH(int, expected);
        QFETCH(QByteArray, head);
        QTemporaryDir dir;
        QString path = dir.filePath("p.cxa");
        const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
        if (kind == "file")
            put(path, "0123456789");
        else if (kind == "below")
            put(path, "x"), path += "/inner";
        else if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("p.cxa"));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "fifo link")
            QVERIFY(::mkfifo(fifo.constData(), 0600) == 0 && QFile::link(QString::fromLocal8Bit(fifo), path));

        QByteArray got = "unset";
        QCOMPARE(int(FileAccess::readRegular(path, limit, &got)), expected);
        if (expected == int(ReadResult::Ok))
            QCOMPARE(got, head);
        else
            QCOMPARE(got, QByteArray("unset"));
        const ReadResult headResult = FileAccess::readHead(path, limit, &got);
        QCOMPARE(int(headResult), expected == int(ReadResult::TooLarge) ? int(ReadResult::Ok) : expected);
        if (headResult == ReadResult::Ok)
            QCOMPARE(got, head);
        QCOMPARE(FileAccess::isRegularFile(path), kind == "file");
    }
};

QTEST_GUILESS_MAIN(TestFileAccess)
#include "test_file_access.moc"
