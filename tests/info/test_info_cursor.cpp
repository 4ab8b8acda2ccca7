// The cursor file writer and reader, the generated Hand.cur in the program
// folder, and the program icon.
#include "base/ProgramFolder.h"
#include "base/AppIcon.h"
#include "info/CursorFile.h"
#include "base/IconArt.h"
#include "info/frmAbout.h"

#include <QtTest>

#include <sys/stat.h>

class TestInfoCursor : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void notACursor_data();
    void notACursor();
    void generatedFiles();
    void loadCursor_data();
    void loadCursor();
    void appIcon();
};

// A test picture: opaque colours in a pattern, a fully transparent column and
// a half transparent row, so orientation, channel order and alpha all show.
static QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            QRgb c = qRgba((x * 255) / qMax(1, w - 1), (y * 255) / qMax(1, h - 1), (x * y) % 256, 255);
            if (x == w - 1)
                c = qRgba(0, 0, 0, 0);
            else if (y == 0)
                c = qRgba(qRed(c), qGreen(c), qBlue(c), 128);
            img.setPixel(x, y, c);
        }
    }
    return img;
}

void TestInfoCursor::roundTrip_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("hot");
    QTest::newRow("32, finger tip") << QSize(32, 32) << QPoint(11, 1);
    QTest::newRow("32, origin") << QSize(32, 32) << QPoint(0, 0);
    QTest::newRow("32, far corner") << QSize(32, 32) << QPoint(31, 31);
    QTest::newRow("48, odd spot") << QSize(48, 48) << QPoint(5, 40);
    QTest::newRow("not square, odd width") << QSize(17, 24) << QPoint(16, 3);
    QTest::newRow("256") << QSize(256, 256) << QPoint(128, 255);
}

void TestInfoCursor::roundTrip()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, hot);
    const QImage img = pattern(size.width(), size.height());
    const QByteArray bytes = CursorFile::encode(img, hot);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(quint8(bytes[2]), quint8(2));                  // a cursor, not an icon
    QCOMPARE(CursorFile::hotSpot(bytes), std::optional<QPoint>(hot));

    // Qt's own reader must take it, from content alone.
    QImage back = QImage::fromData(bytes);
    QVERIFY(!back.isNull());
    QCOMPARE(back.size(), size);
    back = back.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb want = img.pixel(x, y);
            const QRgb got = back.pixel(x, y);
            if (qAlpha(want) == 0) {
                QCOMPARE(qAlpha(got), 0);
                continue;
            }
            QCOMPARE(qAlpha(got), qAlpha(want));
            // Half transparent pixels may come back premultiplied and rounded.
            QVERIFY2(qAbs(qRed(got) - qRed(want)) <= 2 && qAbs(qGreen(got) - qGreen(want)) <= 2
                         && qAbs(qBlue(got) - qBlue(want)) <= 2,
                     qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TestInfoCursor::notACursor_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = CursorFile::encode(pattern(32, 32), QPoint(3, 4));
    QByteArray icon = good;
    icon[2] = 1;                                             // type 1: an icon
    QByteArray noImage = good;
    noImage[4] = 0;
    QByteArray hotOutside = good;
    hotOutside[10] = 40;                                     // x = 40 in a 32 wide image
    QByteArray reserved = good;
    reserved[0] = 1;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("directory only") << good.left(6);
    QTest::newRow("one byte short of an entry") << good.left(21);
    QTest::newRow("icon") << icon;
    QTest::newRow("no image") << noImage;
    QTest::newRow("hot spot outside") << hotOutside;
    QTest::newRow("reserved set") << reserved;
    QTest::newRow("text") << QByteArray("this is not a cursor file at all");
}

void TestInfoCursor::notACursor()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!CursorFile::hotSpot(bytes).has_value());
}

void TestInfoCursor::generatedFiles()
{
    const QDir dir(QStringLiteral(ZANDOR_PROGRAM_DIR));
    QFile cur(dir.filePath(QStringLiteral("Hand.cur")));
    QVERIFY2(cur.open(QIODevice::ReadOnly), "Hand.cur is laid out in the program folder");
    const QByteArray bytes = cur.readAll();
    const std::optional<QPoint> hot = CursorFile::hotSpot(bytes);
    QVERIFY(hot.has_value());
    const QPixmap pm(dir.filePath(QStringLiteral("Hand.cur")));
    QVERIFY(!pm.isNull());
    QCOMPARE(pm.size(), QSize(32, 32));
    // The hot spot is on the drawn hand (an opaque pixel), near the top where
    // the finger points.
    const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(qAlpha(img.pixel(*hot)) > 0 || qAlpha(img.pixel(hot->x(), hot->y() + 1)) > 0);
    QVERIFY(hot->y() < 8);
    // Transparent around the hand, so the cursor is not a square.
    QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(img.pixel(31, 0)), 0);

    for (const char *name : {"zandor.png", "zandor-64.png", "zandor-32.png"}) {
        const QImage icon(dir.filePath(QString::fromLatin1(name)));
        QVERIFY2(!icon.isNull(), name);
        QCOMPARE(icon.width(), icon.height());
    }
    QCOMPARE(QImage(dir.filePath(QStringLiteral("zandor-32.png"))).width(), 32);
    QCOMPARE(QImage(dir.filePath(QStringLiteral("zandor.png"))).width(), 256);

    QFile desktop(dir.filePath(QStringLiteral("zandor.desktop")));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(desktop.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("Name=Zandor")));
    QVERIFY(lines.contains(QStringLiteral("Categories=Game;LogicGame;X-PuzzleGame;")));
    const QString icon = lines.filter(QRegularExpression(QStringLiteral("^Icon="))).value(0).mid(5);
    QVERIFY2(QFileInfo(icon).isFile(), qPrintable(icon));
    const QString exec = lines.filter(QRegularExpression(QStringLiteral("^Exec="))).value(0).mid(5);
    QCOMPARE(exec, QLatin1Char('"') + dir.absoluteFilePath(QStringLiteral("zandor")) + QLatin1Char('"'));
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^Comment=.+"))).size() == 1);
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
    QByteArray out = CursorFile::encode(pattern(8, 8), QPoint(1, 1)).left(22);
    out[6] = char(size.width() > 255 ? 0 : size.width());
    out[7] = char(size.height() > 255 ? 0 : size.height());
    qToLittleEndian(quint32(png.size()), out.data() + 14);
    return out + png;
}

void TestInfoCursor::loadCursor_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("loads");   // invalid: the ordinary pointer stays
    const QByteArray hand = CursorFile::encode(IconArt::handCursor(), QPoint(7, 2));
    QByteArray bigHeader = hand;        // the directory says 32, the bitmap 5000
    qToLittleEndian(quint32(5000), bigHeader.data() + 22 + 4);
    qToLittleEndian(quint32(10000), bigHeader.data() + 22 + 8);
    QTest::newRow("missing") << "missing" << QByteArray() << QSize();
    QTest::newRow("empty file") << "file" << QByteArray() << QSize();
    QTest::newRow("garbage") << "file" << QByteArray(300, '\x5a') << QSize();
    QTest::newRow("a folder") << "folder" << QByteArray() << QSize();
    QTest::newRow("a fifo") << "fifo" << QByteArray() << QSize();
    QTest::newRow("cursor") << "file" << hand << QSize(32, 32);
    QTest::newRow("64 x 64") << "file" << CursorFile::encode(pattern(64, 64), QPoint(7, 2)) << QSize(64, 64);
    QTest::newRow("65 x 64") << "file" << CursorFile::encode(pattern(65, 64), QPoint(7, 2)) << QSize();
    QTest::newRow("bitmap header of 5000") << "file" << bigHeader << QSize();
    QTest::newRow("png 64 x 64") << "file" << pngCursor(QSize(64, 64)) << QSize(64, 64);
    QTest::newRow("png 5000 x 5000 in a small file") << "file" << pngCursor(QSize(5000, 5000)) << QSize();
}

void TestInfoCursor::loadCursor()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, loads);
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("Hand.cur"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("Hand.cur")));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else if (kind == QLatin1String("file")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const std::optional<CursorFile::Cursor> c = CursorFile::read(file);
    QCOMPARE(c.has_value(), loads.isValid());
    if (c) {
        QCOMPARE(c->image.size(), loads);
        QCOMPARE(c->hotSpot, CursorFile::hotSpot(bytes).value());
    }
}

void TestInfoCursor::appIcon()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    ProgramFolder::setPath(tmp.path());
    // No icon files: drawn in place.
    const QIcon drawn = Zandor::appIcon();
    QVERIFY(!drawn.isNull());
    QVERIFY(!drawn.pixmap(QSize(32, 32)).isNull());
    // An icon file in the program folder is the one used.
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(tmp.filePath(QStringLiteral("zandor-32.png"))));
    const QImage shown = Zandor::appIcon().pixmap(QSize(32, 32)).toImage();
    QCOMPARE(shown.pixelColor(16, 16), QColor(Qt::red));
    ProgramFolder::setPath(QString());
}

QTEST_MAIN(TestInfoCursor)
#include "test_info_cursor.moc"
