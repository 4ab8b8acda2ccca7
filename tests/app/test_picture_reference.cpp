// The picture reference file p.cxa: reading the first line, encodings,
// atomic replacement.
#include "pictures/PictureReference.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestPictureReference : public QObject
{
    Q_OBJECT
private slots:
    void readsTheFirstLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        QTest::newRow("crlf") << QByteArray("/home/p/Bild.jpg\r\n") << QStringLiteral("/home/p/Bild.jpg");
        QTest::newRow("no line end") << QByteArray("/a/b.gif") << QStringLiteral("/a/b.gif");
        QTest::newRow("blanks kept") << QByteArray("  /a/b c.jpg  \r\n") << QStringLiteral("  /a/b c.jpg  ");
        QTest::newRow("several lines") << QByteArray("/first.jpg\r\n/second.jpg\r\n") << QStringLiteral("/first.jpg");
        QTest::newRow("windows-1252") << QByteArray("/Bilder/Gr\xFC\xDF" "e \x80.jpg\r\n")
                                      << QStringLiteral("/Bilder/Grüße €.jpg");
        QTest::newRow("utf-8") << QByteArray("/Bilder/\xE6\xB5\xB7.jpg\r\n") << QStringLiteral("/Bilder/海.jpg");
        QTest::newRow("empty first line") << QByteArray("\r\n/x.jpg\r\n") << QString(QLatin1String(""));
    }
    void readsTheFirstLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        QTemporaryDir dir;
        writeBytes(dir.path() + "/p.cxa", content);
        const QString got = PictureReference::read(dir.path());
        QCOMPARE(got, line);
        QVERIFY(!got.isNull());
    }

    void missingOrEmptyFileGivesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(PictureReference::read(dir.path()).isNull());
        writeBytes(dir.path() + "/p.cxa", QByteArray());
        QVERIFY(PictureReference::read(dir.path()).isNull());
        // a folder in its place is no file
        QFile::remove(dir.path() + "/p.cxa");
        QVERIFY(QDir(dir.path()).mkdir("p.cxa"));
        QVERIFY(PictureReference::read(dir.path()).isNull());
    }

    void writesOneLineAndReadsItBack_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("/home/x/Images/originale/a.jpg")
                               << QByteArray("/home/x/Images/originale/a.jpg\r\n");
        QTest::newRow("windows-1252") << QStringLiteral("/home/jörg/Blüte.jpg")
                                      << QByteArray("/home/j\xF6rg/Bl\xFCte.jpg\r\n");
        QTest::newRow("beyond windows-1252") << QStringLiteral("/home/x/Ωmega.jpg")
                                             << QByteArray("/home/x/\xCE\xA9mega.jpg\r\n");
    }
    void writesOneLineAndReadsItBack()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        writeBytes(dir.path() + "/p.cxa", "old content that is longer than the new one\r\nsecond\r\n");
        QVERIFY(PictureReference::write(dir.path(), path));
        QCOMPARE(readBytes(dir.path() + "/p.cxa"), bytes);
        QCOMPARE(PictureReference::read(dir.path()), path);
    }

    void aFailedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        // a folder that does not exist cannot take the file
        QVERIFY(!PictureReference::write(dir.path() + "/missing", "/a.jpg"));
        // the old file stays whole when the new one cannot be put in place
        const QString sub = dir.path() + "/ro";
        QVERIFY(QDir().mkdir(sub));
        writeBytes(sub + "/p.cxa", "/old.jpg\r\n");
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const bool written = PictureReference::write(sub, "/new.jpg");
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!written)  // (root ignores the read-only folder)
            QCOMPARE(readBytes(sub + "/p.cxa"), QByteArray("/old.jpg\r\n"));
        // a folder named p.cxa cannot be replaced by a file, not even by root
        const QString other = dir.path() + "/dir";
        QVERIFY(QDir().mkpath(other + "/p.cxa"));
        QVERIFY(!PictureReference::write(other, "/new.jpg"));
        QVERIFY(QFileInfo(other + "/p.cxa").isDir());
        QCOMPARE(QDir(other).entryList(QDir::Files | QDir::Hidden), QStringList());  // no temporary file left
    }
};

QTEST_GUILESS_MAIN(TestPictureReference)
#include "test_picture_reference.moc"
