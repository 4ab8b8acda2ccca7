// The info windows' files and texts: the cursor file writer and reader, the
// version line and link targets.
#include "base/Ansi.h"
#include "base/IconArt.h"
#include "info/CursorFile.h"
#include "info/DescriptionText.h"
#include "info/frmAbout.h"
#include "TestFiles.h"

#include <QtTest>

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

// A cursor file whose image is a PNG of the given size.
static QByteArray pngCursor(QSize size)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    img.save(&png, "PNG");
    QByteArray out = CursorFile::encode(pattern(QSize(8, 8)), QPoint(1, 1)).left(22);
    out[6] = out[7] = char(size.width() > 255 ? 0 : size.width());
    qToLittleEndian(quint32(png.size()), out.data() + 14);
    return out + png.data();
}

class TestInfoCursor : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip()
    {
        for (const auto &[size, hot] : std::initializer_list<std::pair<QSize, QPoint>>{
                 {QSize(32, 32), QPoint(11, 1)}, {QSize(17, 24), QPoint(16, 3)}, {QSize(256, 256), QPoint(255, 255)}}) {
            const QImage img = pattern(size);
            const QByteArray bytes = CursorFile::encode(img, hot);
            QCOMPARE(CursorFile::hotSpot(bytes), std::optional<QPoint>(hot));
            // Qt's own reader takes it, from content alone (premultiplied, as it may round).
            const auto p = QImage::Format_ARGB32_Premultiplied;
            QCOMPARE(QImage::fromData(bytes).convertToFormat(p), img.convertToFormat(p));
            QByteArray icon = bytes, reserved = bytes, hotOutside = bytes;
            icon[2] = reserved[0] = 1;   // an icon; a reserved field set
            qToLittleEndian(quint16(size.width()), hotOutside.data() + 10);
            for (const QByteArray &bad : {icon, reserved, hotOutside, bytes.left(21)})
                QVERIFY(!CursorFile::hotSpot(bad));
        }
    }

    void loadCursor()
    {
        QByteArray bigHeader = CursorFile::encode(IconArt::handCursor(), QPoint(7, 2));   // 32, the bitmap says 5000
        qToLittleEndian(quint32(5000), bigHeader.data() + 22 + 4);
        qToLittleEndian(quint32(10000), bigHeader.data() + 22 + 8);
        const std::pair<QByteArray, QSize> rows[] = {   // an invalid size: the ordinary pointer stays
            {QByteArray(300, '\x5a'), QSize()}, {CursorFile::encode(pattern(QSize(64, 64)), QPoint(7, 2)), QSize(64, 64)},
            {CursorFile::encode(pattern(QSize(65, 64)), QPoint(7, 2)), QSize()}, {bigHeader, QSize()},
            {pngCursor(QSize(64, 64)), QSize(64, 64)}, {pngCursor(QSize(5000, 5000)), QSize()}};   // a large, empty PNG packs small
        QTemporaryDir tmp;
        for (const auto &[bytes, loads] : rows) {
            QVERIFY(writeAll(tmp.filePath(QStringLiteral("Hand.cur")), bytes));
            const std::optional<CursorFile::Cursor> c = CursorFile::read(tmp.filePath(QStringLiteral("Hand.cur")));
            QCOMPARE(c ? c->image.size() : QSize(), loads);
            QVERIFY(!c || c->hotSpot == CursorFile::hotSpot(bytes).value());
        }
    }

    // What the info windows derive from their texts.
    void texts()
    {
        QVERIFY(Ansi::canEncode(DescriptionText::text(QString(), QString()) + frmAbout::disclaimerLines().join(QString())));
        QCOMPARE(frmAbout::versionLine(12, 345, 6789), QStringLiteral("Version 12.345.6789"));
        QCOMPARE(frmAbout::mailTarget(QStringLiteral(" a.b@example.org ")), QUrl("mailto:a.b@example.org"));
        QCOMPARE(frmAbout::webTarget(QStringLiteral("www.example.org")), QUrl("https://www.example.org"));
        QCOMPARE(frmAbout::webTarget(QStringLiteral("http://example.org/x")), QUrl("http://example.org/x"));
    }
};

QTEST_MAIN(TestInfoCursor)
#include "test_info_cursor.moc"
