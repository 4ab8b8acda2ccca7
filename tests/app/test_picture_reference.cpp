// The picture reference file p.cxa: the first line, its length bound, and
// paths that come back exactly as they were written.
#include "base/Ansi.h"
#include "pictures/PictureReference.h"

#include "TestFiles.h"

#include <QtTest>

class TestPictureReference : public QObject
{
    Q_OBJECT
private slots:
    void readsTheFirstLine()
    {
        const QByteArray longest = "/" + QByteArray(PictureReference::MaxPathBytes - 1, 'a');
        const std::pair<QByteArray, QString> rows[] = {   // a null line: no picture
            {"/first.jpg\r\n/second.jpg\r\n", "/first.jpg"}, {"  /a/b c.jpg  ", "  /a/b c.jpg  "}, {"", QString()},
            {longest + "\r\n", QString::fromLatin1(longest)}, {longest + "a\r\n", QString()}, {longest + "a", QString()}};
        QTemporaryDir dir;
        for (const auto &[content, line] : rows) {
            QVERIFY(writeAll(dir.filePath("p.cxa"), content));
            const QString got = PictureReference::read(dir.path());
            QVERIFY2(got == line && got.isNull() == line.isNull(), content.left(20));
        }
    }

    // A letter from À to ß and a character whose Windows-1252 byte continues a
    // UTF-8 sequence also read as UTF-8, naming a file too, yet come back as
    // written and stay Windows-1252; a path beyond Windows-1252 is stored as UTF-8.
    void pathsComeBackAsWritten()
    {
        QTemporaryDir dir;
        QStringList names{QStringLiteral("Ωmega.jpg"), QStringLiteral("海.jpg")};
        for (ushort c = 0xC0; c <= 0xDF; ++c)
            for (QChar next : QStringLiteral("€„…™©®°²"))
                names << QString(QChar(c)) + next;
        for (const QString &name : names) {
            const QString path = dir.filePath(name);
            QFile picture(path), twin(dir.filePath(QString::fromUtf8(Ansi::encode(name)))), ref(dir.filePath("p.cxa"));
            QVERIFY(picture.open(QIODevice::WriteOnly) && twin.open(QIODevice::WriteOnly));
            QVERIFY(PictureReference::write(dir.path(), path));
            QCOMPARE(PictureReference::read(dir.path()), path);
            const int size = name.at(0).unicode() < 0x100 ? path.size() : path.toUtf8().size();
            QVERIFY(ref.open(QIODevice::ReadOnly) && ref.size() == size + 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestPictureReference)
#include "test_picture_reference.moc"
