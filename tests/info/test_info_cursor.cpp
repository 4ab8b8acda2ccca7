// The cursor file writer and reader, the generated Hand.cur and desktop entry
// in the program folder, and the program icon.
#include "base/AppIcon.h"
#include "base/IconArt.h"
#include "base/ProgramFolder.h"
#include "info/CursorFile.h"

#include <QtTest>

#include <sys/stat.h>

// Opaque colours in a pattern, a transparent last column and a half
// transparent first row, so orientation, channel order and alpha all show.
static QImage pattern(QSize size)
{
    QImage img(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, x == size.width() - 1 ? 0 : qRgba(x * 7 % 256, y * 5 % 256, x * y % 256, y ? 255 : 128));
    return img;
}

// A cursor file whose image is a PNG of the given size (a large, empty PNG
// packs into a few kilobytes).
static QByteArray pngCursor(QSize size)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    QByteArray out = CursorFile::encode(pattern(QSize(8, 8)), QPoint(1, 1)).left(22);
    out[6] = out[7] = char(size.width() > 255 ? 0 : size.width());
    qToLittleEndian(quint32(png.size()), out.data() + 14);
    return out + png;
}

class TestInfoCursor : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("hot");
        QTest::newRow("32, finger tip") << QSize(32, 32) << QPoint(11, 1);
        QTest::newRow("not square, odd width") << QSize(17, 24) << QPoint(16, 3);
        QTest::newRow("256, far corner") << QSize(256, 256) << QPoint(255, 255);
    }
    void roundTrip()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, hot);
        const QImage img = pattern(size);
        const QByteArray bytes = CursorFile::encode(img, hot);
        QCOMPARE(CursorFile::hotSpot(bytes), std::optional<QPoint>(hot));
        // Qt's own reader takes it, from content alone; half transparent
        // pixels may come back premultiplied and rounded.
        const QImage back = QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb want = img.pixel(x, y), got = back.pixel(x, y);
                QCOMPARE(qAlpha(got), qAlpha(want));
                QVERIFY2(!qAlpha(want) || (qAbs(qRed(got) - qRed(want)) <= 2 && qAbs(qGreen(got) - qGreen(want)) <= 2
                                           && qAbs(qBlue(got) - qBlue(want)) <= 2),
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        QByteArray icon = bytes, reserved = bytes, hotOutside = bytes;
        icon[2] = 1;
        reserved[0] = 1;
        qToLittleEndian(quint16(size.width()), hotOutside.data() + 10);
        for (const QByteArray &bad : {icon, reserved, hotOutside, bytes.left(21)})
            QVERIFY(!CursorFile::hotSpot(bad));
    }

    void loadCursor_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("loads");   // invalid: the ordinary pointer stays
        const QByteArray hand = CursorFile::encode(IconArt::handCursor(), QPoint(7, 2));
        QByteArray bigHeader = hand;        // the directory says 32, the bitmap 5000
        qToLittleEndian(quint32(5000), bigHeader.data() + 22 + 4);
        qToLittleEndian(quint32(10000), bigHeader.data() + 22 + 8);
        QTest::newRow("missing") << "missing" << QByteArray() << QSize();
        QTest::newRow("a fifo") << "fifo" << QByteArray() << QSize();
        QTest::newRow("garbage") << "file" << QByteArray(300, '\x5a') << QSize();
        QTest::newRow("cursor") << "file" << hand << QSize(32, 32);
        QTest::newRow("64 x 64") << "file" << CursorFile::encode(pattern(QSize(64, 64)), QPoint(7, 2)) << QSize(64, 64);
        QTest::newRow("65 x 64") << "file" << CursorFile::encode(pattern(QSize(65, 64)), QPoint(7, 2)) << QSize();
        QTest::newRow("bitmap header of 5000") << "file" << bigHeader << QSize();
        QTest::newRow("png 64 x 64") << "file" << pngCursor(QSize(64, 64)) << QSize(64, 64);
        QTest::newRow("png 5000 x 5000 in a small file") << "file" << pngCursor(QSize(5000, 5000)) << QSize();
    }
    void loadCursor()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, loads);
        QTemporaryDir tmp;
        QFile file(tmp.filePath(QStringLiteral("Hand.cur")));
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(file.fileName()).constData(), 0600), 0);
        else if (kind == QLatin1String("file"))
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush());
        const std::optional<CursorFile::Cursor> c = CursorFile::read(file.fileName());
        QCOMPARE(c ? c->image.size() : QSize(), loads);
        if (c)
            QCOMPARE(c->hotSpot, CursorFile::hotSpot(bytes).value());
    }

    void generatedFiles()
    {
        const QDir dir(QStringLiteral(ZANDOR_PROGRAM_DIR));
        const std::optional<CursorFile::Cursor> hand = CursorFile::read(dir.filePath(QStringLiteral("Hand.cur")));
        QVERIFY2(hand, "Hand.cur is laid out in the program folder");
        QCOMPARE(hand->image.size(), QSize(32, 32));
        // The hot spot is on the drawn finger near the top; around the hand the cursor is transparent.
        const QImage img = hand->image.convertToFormat(QImage::Format_ARGB32);
        QVERIFY(hand->hotSpot.y() < 8 && qAlpha(img.pixel(hand->hotSpot + QPoint(0, 1))) > 0);
        QVERIFY(qAlpha(img.pixel(0, 0)) == 0 && qAlpha(img.pixel(31, 0)) == 0);
        QFile desktop(dir.filePath(QStringLiteral("zandor.desktop")));
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(desktop.readAll()).split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("Exec=\"%1\"").arg(dir.absoluteFilePath(QStringLiteral("zandor")))));
        const QString icon = lines.filter(QRegularExpression(QStringLiteral("^Icon="))).value(0).mid(5);
        QVERIFY2(QImage(icon).width() >= 32, qPrintable(icon));
    }

    void appIcon()
    {
        QTemporaryDir tmp;
        ProgramFolder::setPath(tmp.path());
        QVERIFY(!Zandor::appIcon().pixmap(QSize(32, 32)).isNull());   // no icon files: drawn in place
        QImage red(32, 32, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(tmp.filePath(QStringLiteral("zandor-32.png"))));
        QCOMPARE(Zandor::appIcon().pixmap(QSize(32, 32)).toImage().pixelColor(16, 16), QColor(Qt::red));
        ProgramFolder::setPath(QString());
    }
};

QTEST_MAIN(TestInfoCursor)
#include "test_info_cursor.moc"
