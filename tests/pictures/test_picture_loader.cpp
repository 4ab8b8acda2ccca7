// Loading pictures of every format by content, reduced decoding of large
// JPEGs, and refusing damaged files without crashing.
#include "PictureSamples.h"
#include "pictures/PictureLoader.h"
#include "pictures/WmfRenderer.h"
#include "pictures/WmfWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QBuffer>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString NotReadable = QStringLiteral("Die Datei ist kein lesbares Bild.");
const QString TooLarge = QStringLiteral("Das Bild ist zu groß.");

// A point given as fractions of the picture's size.
QColor colorAt(const QImage &img, double fx, double fy)
{
    return img.pixelColor(qBound(0, int(fx * img.width()), img.width() - 1),
                          qBound(0, int(fy * img.height()), img.height() - 1));
}

// Replaces the size in a JPEG's frame header.
QByteArray withJpegSize(QByteArray jpeg, int w, int h)
{
    int i = 2;
    while (i + 9 < jpeg.size()) {
        const uchar marker = uchar(jpeg[i + 1]);
        const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            jpeg[i + 5] = char(h >> 8);
            jpeg[i + 6] = char(h & 0xFF);
            jpeg[i + 7] = char(w >> 8);
            jpeg[i + 8] = char(w & 0xFF);
            return jpeg;
        }
        i += 2 + length;
    }
    return jpeg;
}

QByteArray progressiveJpeg(const QImage &picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(picture);
    return bytes;
}

// The file with its first scan (the DC scan) repeated until it has `scans`
// scans more than before: the decoder reads them all, each over the picture.
QByteArray withRepeatedFirstScan(const QByteArray &jpeg, int scans)
{
    const int sos = jpeg.indexOf("\xFF\xDA");
    int end = sos + 2;
    while (end + 1 < jpeg.size()
           && !(uchar(jpeg[end]) == 0xFF && jpeg[end + 1] != 0 && (uchar(jpeg[end + 1]) & 0xF8) != 0xD0))
        ++end;
    const QByteArray scan = jpeg.mid(sos, end - sos);
    return jpeg.left(end) + scan.repeated(scans) + jpeg.mid(end);
}

void put32(QByteArray &b, int at, quint32 v)
{
    for (int k = 0; k < 4; ++k)
        b[at + k] = char((v >> (8 * k)) & 0xFF);
}

void put16(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

QByteArray randomBytes(int n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, 0);
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT
private slots:
    void decodesEveryFormat_data();
    void decodesEveryFormat();
    void decidesFormatByContentNotName();
    void gifShowsItsFirstFrame();
    void refusesDamagedInput_data();
    void refusesDamagedInput();
    void refusesEveryTruncation_data();
    void refusesEveryTruncation();
    void reducedSize_data();
    void reducedSize();
    void jpegDecodeSizeUsesTheDecodersSteps_data();
    void jpegDecodeSizeUsesTheDecodersSteps();
    void metafileCoversNeededSize_data();
    void metafileCoversNeededSize();
    void metafileShapesAreFilled_data();
    void metafileShapesAreFilled();
    void metafileGuards_data();
    void metafileGuards();
    void metafileTakingTooLongIsStopped();
    void metafileWithText();
    void fileErrors();
};

void TestPictureLoader::decodesEveryFormat_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("tolerance");

    const QImage picture = Samples::quadrants(64, 48);
    QTest::newRow("jpeg") << Samples::encoded(picture, "JPEG", 95) << QSize(64, 48) << 30;
    QTest::newRow("jpeg, progressive") << progressiveJpeg(picture) << QSize(64, 48) << 30;
    // (a negative tolerance: the grey levels of the colours)
    QTest::newRow("jpeg, grey") << Samples::encoded(picture.convertToFormat(QImage::Format_Grayscale8), "JPEG", 95)
                                << QSize(64, 48) << -30;
    QTest::newRow("bmp") << Samples::encoded(picture, "BMP") << QSize(64, 48) << 0;
    QTest::newRow("gif") << Samples::gif(64, 48, Samples::quadrantColors(), {Samples::quadrantIndices(64, 48)})
                         << QSize(64, 48) << 0;
}

void TestPictureLoader::decodesEveryFormat()
{
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    QFETCH(int, tolerance);

    QString error;
    // Smaller than needed: decoded at its own size.
    const QImage img = PictureLoader::loadData(data, QSize(416, 416), &error);
    QVERIFY2(!img.isNull(), qPrintable(error));
    QCOMPARE(img.size(), size);
    QVector<QColor> c = Samples::quadrantColors();
    if (tolerance < 0) {
        tolerance = -tolerance;
        for (QColor &colour : c) {
            QImage grey(1, 1, QImage::Format_RGB32);
            grey.fill(colour);
            colour = grey.convertToFormat(QImage::Format_Grayscale8).pixelColor(0, 0);
        }
    }
    QVERIFY(Samples::near(colorAt(img, 0.25, 0.25), c[0], tolerance));
    QVERIFY(Samples::near(colorAt(img, 0.75, 0.25), c[1], tolerance));
    QVERIFY(Samples::near(colorAt(img, 0.25, 0.75), c[2], tolerance));
    QVERIFY(Samples::near(colorAt(img, 0.75, 0.75), c[3], tolerance));
}

void TestPictureLoader::decidesFormatByContentNotName()
{
    QTemporaryDir dir;
    const QImage picture = Samples::quadrants(40, 40);
    const struct {
        QString name;
        QByteArray data;
    } files[] = {
        {QStringLiteral("wirklich_jpeg.bmp"), Samples::encoded(picture, "JPEG", 95)},
        {QStringLiteral("wirklich_bmp.gif"), Samples::encoded(picture, "BMP")},
        {QStringLiteral("wirklich_gif.wmf"),
         Samples::gif(40, 40, Samples::quadrantColors(), {Samples::quadrantIndices(40, 40)})},
        {QStringLiteral("wirklich_wmf.jpg"), Samples::wmf(true)},
        {QStringLiteral("ohne_endung"), Samples::encoded(picture, "BMP")},
    };
    for (const auto &f : files) {
        const QString path = dir.filePath(f.name);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(f.data);
        out.close();
        QString error;
        const QImage img = PictureLoader::load(path, QSize(40, 40), &error);
        QVERIFY2(!img.isNull(), qPrintable(f.name + QLatin1String(": ") + error));
        QVERIFY(Samples::near(colorAt(img, 0.25, 0.25), f.name.contains(QLatin1String("wmf"))
                                                             ? QColor(200, 0, 0)
                                                             : Samples::quadrantColors()[0]));
    }
}

void TestPictureLoader::gifShowsItsFirstFrame()
{
    // The second frame has the quadrant colours rotated by one.
    const QByteArray data = Samples::gif(16, 16, Samples::quadrantColors(),
                                         {Samples::quadrantIndices(16, 16, 0), Samples::quadrantIndices(16, 16, 1)});
    const QVector<QColor> c = Samples::quadrantColors();
    {
        // the file really holds two different frames
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "gif");
        QCOMPARE(reader.imageCount(), 2);
        QVERIFY(reader.read().pixelColor(4, 4) == c[0]);
        const QImage second = reader.read();
        QCOMPARE(second.pixelColor(4, 4), c[1]);
    }
    const QImage img = PictureLoader::loadData(data, QSize());
    QVERIFY(!img.isNull());
    QCOMPARE(colorAt(img, 0.25, 0.25), c[0]);
    QCOMPARE(colorAt(img, 0.75, 0.75), c[3]);
}

void TestPictureLoader::refusesDamagedInput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");

    const QImage picture = Samples::quadrants(120, 80);
    const QByteArray jpeg = Samples::encoded(picture, "JPEG", 90);
    const QByteArray bmp = Samples::encoded(picture, "BMP");
    const QByteArray gif = Samples::gif(120, 80, Samples::quadrantColors(), {Samples::quadrantIndices(120, 80)});
    const QByteArray wmf = Samples::wmf(true);

    QTest::newRow("jpeg truncated") << jpeg.left(jpeg.size() / 2) << NotReadable;
    QTest::newRow("jpeg header only") << jpeg.left(200) << NotReadable;
    // Even an eighth of 60000 x 60000 is too large; an eighth of 40001 x 30001
    // is not, but the data for it is missing.
    QTest::newRow("jpeg 60000x60000") << withJpegSize(jpeg, 60000, 60000) << TooLarge;
    QTest::newRow("jpeg 40001x30001 without its data") << withJpegSize(jpeg, 40001, 30001) << NotReadable;
    const QByteArray progressive = progressiveJpeg(picture);
    QTest::newRow("progressive 46336x46336") << withJpegSize(progressive, 46336, 46336) << TooLarge;
    QTest::newRow("progressive, too many scans") << withRepeatedFirstScan(progressive, 120) << TooLarge;
    QTest::newRow("jpeg garbage after header") << jpeg.left(20) + randomBytes(4000, 1) << NotReadable;

    QTest::newRow("bmp truncated") << bmp.left(bmp.size() / 2) << NotReadable;
    QTest::newRow("bmp header only") << bmp.left(54) << NotReadable;
    QByteArray hugeBmp = bmp;
    put32(hugeBmp, 18, 60000);
    put32(hugeBmp, 22, 60000);
    QTest::newRow("bmp 60000x60000") << hugeBmp << NotReadable;   // the rows are missing
    QByteArray hugeBmpWhole = bmp.left(54);
    put32(hugeBmpWhole, 18, 60000);
    put32(hugeBmpWhole, 22, 60000);
    put16(hugeBmpWhole, 28, 1);   // one bit per pixel: 450 MB of rows would follow
    QTest::newRow("bmp 60000x60000 1 bit") << hugeBmpWhole << NotReadable;

    QTest::newRow("gif truncated") << gif.left(gif.size() / 2) << NotReadable;
    QTest::newRow("gif header only") << gif.left(30) << NotReadable;
    QByteArray hugeGif = gif;
    put16(hugeGif, 6, 60000);
    put16(hugeGif, 8, 60000);
    const int descriptor = hugeGif.indexOf(char(0x2C), 13 + 12);
    put16(hugeGif, descriptor + 5, 60000);
    put16(hugeGif, descriptor + 7, 60000);
    QTest::newRow("gif 60000x60000") << hugeGif << TooLarge;

    QTest::newRow("wmf truncated") << wmf.left(wmf.size() / 2) << NotReadable;
    QTest::newRow("wmf header only") << wmf.left(22 + 18) << NotReadable;
    QTest::newRow("wmf garbage records") << wmf.left(22 + 18) + randomBytes(3000, 2) << NotReadable;
    QByteArray hugeRecord = wmf;
    put32(hugeRecord, 22 + 12, 0xFFFFFFFF);   // largest record: 8 GB
    QTest::newRow("wmf huge record size") << hugeRecord << NotReadable;

    QTest::newRow("text") << QByteArray("Dies ist kein Bild, sondern ein Text.\r\n") << NotReadable;
    QTest::newRow("empty") << QByteArray() << NotReadable;
    QTest::newRow("garbage") << randomBytes(5000, 3) << NotReadable;
}

void TestPictureLoader::refusesDamagedInput()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    QString error;
    const QImage img = PictureLoader::loadData(data, QSize(416, 416), &error);
    QVERIFY(img.isNull());
    QCOMPARE(error, reason);
    // Qt's allocation limit is what refuses the huge pictures; it must not
    // have been switched off.
    QVERIFY(QImageReader::allocationLimit() > 0);
}

void TestPictureLoader::refusesEveryTruncation_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("step");
    const QImage picture = Samples::quadrants(24, 16);
    QTest::newRow("jpeg") << Samples::encoded(picture, "JPEG", 90) << 1;
    QTest::newRow("bmp") << Samples::encoded(picture, "BMP") << 1;
    // The GIF's last byte is the trailer, which the first frame does not need.
    QByteArray gif = Samples::gif(24, 16, Samples::quadrantColors(), {Samples::quadrantIndices(24, 16)});
    gif.chop(1);
    QTest::newRow("gif") << gif << 1;
    QTest::newRow("wmf") << Samples::wmf(true) << 2;
    QTest::newRow("wmf standard") << Samples::wmf(false) << 2;
}

void TestPictureLoader::refusesEveryTruncation()
{
    QFETCH(QByteArray, data);
    QFETCH(int, step);
    QVERIFY(!PictureLoader::loadData(data, QSize(20, 20)).isNull());
    for (int n = 0; n < data.size(); n += step) {
        QString error;
        const QImage img = PictureLoader::loadData(data.left(n), QSize(20, 20), &error);
        if (!img.isNull())
            QFAIL(qPrintable(QStringLiteral("the first %1 of %2 bytes were taken as a picture").arg(n).arg(data.size())));
        QCOMPARE(error, NotReadable);
    }
}

void TestPictureLoader::reducedSize_data()
{
    QTest::addColumn<QSize>("full");
    QTest::addColumn<QSize>("needed");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("landscape") << QSize(6000, 4000) << QSize(416, 416) << QSize(624, 416);
    QTest::newRow("portrait") << QSize(4000, 6000) << QSize(416, 416) << QSize(416, 624);
    QTest::newRow("square") << QSize(2000, 2000) << QSize(416, 416) << QSize(416, 416);
    QTest::newRow("rounding up") << QSize(833, 417) << QSize(416, 416) << QSize(832, 416);
    QTest::newRow("just larger") << QSize(417, 417) << QSize(416, 416) << QSize(416, 416);
    QTest::newRow("equal") << QSize(416, 416) << QSize(416, 416) << QSize(416, 416);
    QTest::newRow("smaller") << QSize(300, 200) << QSize(416, 416) << QSize(300, 200);
    QTest::newRow("one side short") << QSize(5000, 300) << QSize(416, 416) << QSize(5000, 300);
    QTest::newRow("needed unknown") << QSize(6000, 4000) << QSize() << QSize(6000, 4000);
    QTest::newRow("size unknown") << QSize() << QSize(416, 416) << QSize();
    QTest::newRow("high dpi") << QSize(6000, 4000) << QSize(832, 832) << QSize(1248, 832);
}

void TestPictureLoader::jpegDecodeSizeUsesTheDecodersSteps_data()
{
    // The decoder scales by n/8 and rounds each side up; the smallest n
    // that still covers the reduced size is used, whatever the sides.
    QTest::addColumn<QSize>("full");
    QTest::addColumn<QSize>("decoded");   // for a 416 board
    QTest::newRow("three eighths") << QSize(1600, 1200) << QSize(600, 450);
    QTest::newRow("sides not multiples of 8") << QSize(1601, 1201) << QSize(601, 451);
    QTest::newRow("six eighths") << QSize(833, 625) << QSize(625, 469);
    QTest::newRow("an eighth, rounded up") << QSize(4001, 3999) << QSize(501, 500);
    QTest::newRow("no step fits: whole") << QSize(500, 450) << QSize(500, 450);
    QTest::newRow("small: whole") << QSize(300, 200) << QSize(300, 200);
}

void TestPictureLoader::jpegDecodeSizeUsesTheDecodersSteps()
{
    QFETCH(QSize, full);
    QFETCH(QSize, decoded);
    QCOMPARE(PictureLoader::jpegDecodeSize(full, QSize(416, 416)), decoded);
    // and the decoder delivers exactly that size
    QImage picture(full, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QCOMPARE(PictureLoader::loadData(Samples::encoded(picture, "JPEG", 50), QSize(416, 416)).size(), decoded);
}

void TestPictureLoader::reducedSize()
{
    QFETCH(QSize, full);
    QFETCH(QSize, needed);
    QFETCH(QSize, expected);
    QCOMPARE(PictureLoader::reducedSize(full, needed), expected);
}

void TestPictureLoader::metafileCoversNeededSize_data()
{
    QTest::addColumn<bool>("placeable");
    QTest::addColumn<QSize>("needed");
    QTest::newRow("placeable 416") << true << QSize(416, 416);
    QTest::newRow("placeable 832") << true << QSize(832, 832);
    QTest::newRow("placeable wide") << true << QSize(1000, 100);
    QTest::newRow("standard 416") << false << QSize(416, 416);
}

void TestPictureLoader::metafileCoversNeededSize()
{
    QFETCH(bool, placeable);
    QFETCH(QSize, needed);
    const QByteArray data = Samples::wmf(placeable);
    QString error;
    const QImage img = PictureLoader::loadData(data, needed, &error);
    QVERIFY2(!img.isNull(), qPrintable(error));
    QVERIFY(img.width() >= needed.width() && img.height() >= needed.height());
    // the metafile is twice as wide as high, and only as large as it must be
    QVERIFY(qAbs(img.width() - 2 * img.height()) <= 2);
    QVERIFY(img.width() == needed.width() || img.height() == needed.height());

    QVERIFY(Samples::near(colorAt(img, 0.25, 0.5), QColor(200, 0, 0), 4));   // rectangle
    QVERIFY(Samples::near(colorAt(img, 0.9, 0.1), QColor(0, 0, 200), 4));    // polygon
    QVERIFY(Samples::near(colorAt(img, 0.6, 0.9), QColor(255, 255, 255), 4)); // paper
    QCOMPARE(img.pixelColor(0, 0).alpha(), 255);
}

void TestPictureLoader::metafileShapesAreFilled_data()
{
    QTest::addColumn<quint16>("function");
    QTest::addColumn<QVector<quint16>>("params");
    // every shape covers the middle of a 400 x 400 metafile
    QTest::newRow("rectangle") << quint16(0x041B) << QVector<quint16>{300, 300, 100, 100};
    QTest::newRow("ellipse") << quint16(0x0418) << QVector<quint16>{300, 300, 100, 100};
    QTest::newRow("flat ellipse") << quint16(0x0418) << QVector<quint16>{220, 390, 180, 10};
    QTest::newRow("polygon") << quint16(0x0324) << QVector<quint16>{3, 200, 50, 350, 350, 50, 350};
    QTest::newRow("polypolygon") << quint16(0x0538) << QVector<quint16>{1, 4, 100, 100, 300, 100, 300, 300, 100, 300};
    QTest::newRow("round rectangle") << quint16(0x061C) << QVector<quint16>{40, 40, 300, 300, 100, 100};
    QTest::newRow("pie") << quint16(0x081A) << QVector<quint16>{100, 300, 300, 100, 300, 300, 100, 100};
}

void TestPictureLoader::metafileShapesAreFilled()
{
    QFETCH(quint16, function);
    QFETCH(QVector<quint16>, params);
    WmfWriter w(QRect(0, 0, 400, 400));
    w.pen(Qt::black);
    w.brush(QColor(0, 160, 0));
    // two dots in opposite corners fix the drawn extent to the whole square
    w.rectangle(QRect(0, 0, 2, 2));
    w.rectangle(QRect(398, 398, 2, 2));
    w.record(function, params);
    QString error;
    const QImage img = PictureLoader::loadData(w.data(), QSize(200, 200), &error);
    QVERIFY2(!img.isNull(), qPrintable(error));
    QCOMPARE(img.size(), QSize(200, 200));
    QCOMPARE(img.pixelColor(100, 100), QColor(0, 160, 0));
    QCOMPARE(img.pixelColor(50, 5), QColor(Qt::white));   // outside every shape
}

void TestPictureLoader::metafileGuards_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("needed");
    QTest::addColumn<QString>("reason");

    {
        // placeable bounds of 2000 x 1000 inches: far too large at its own size
        WmfWriter w(QRect(0, 0, 2000, 1000), true, 1);
        w.brush(Qt::red);
        w.rectangle(QRect(0, 0, 100, 100));
        QTest::newRow("huge own size") << w.data() << QSize() << TooLarge;
    }
    {
        // a sliver 30000 times wider than high cannot cover a square
        WmfWriter w(QRect(0, 0, 30000, 1), true);
        w.noPen();
        w.brush(Qt::red);
        w.rectangle(QRect(0, 0, 30000, 1));
        QTest::newRow("extreme aspect") << w.data() << QSize(416, 416) << TooLarge;
    }
    {
        WmfWriter w(QRect(0, 0, 100, 100));
        w.record(0x012D, {500});   // select an object that does not exist
        w.rectangle(QRect(0, 0, 50, 50));
        QTest::newRow("object out of range") << w.data() << QSize(64, 64) << NotReadable;
    }
    {
        WmfWriter w(QRect(0, 0, 100, 100));
        w.brush(Qt::red);
        w.record(0x0324, {60000, 1, 2, 3, 4});   // 60000 points announced, 2 given
        QTest::newRow("polygon count beyond record") << w.data() << QSize(64, 64) << NotReadable;
    }
    {
        WmfWriter w(QRect(0, 0, 100, 100));
        w.record(0x0538, {3, 60000, 60000, 60000, 1, 2});
        QTest::newRow("polypolygon counts beyond record") << w.data() << QSize(64, 64) << NotReadable;
    }
    {
        QByteArray d = Samples::wmf(true);
        put32(d, 22 + 18, 0);   // first record of size 0
        QTest::newRow("record size 0") << d << QSize(64, 64) << NotReadable;
    }
    {
        QByteArray d = Samples::wmf(true);
        put32(d, 22 + 18, 0x7FFFFFFF);
        QTest::newRow("record size beyond file") << d << QSize(64, 64) << NotReadable;
    }
}

void TestPictureLoader::metafileGuards()
{
    QFETCH(QByteArray, data);
    QFETCH(QSize, needed);
    QFETCH(QString, reason);
    QString error;
    const QImage img = PictureLoader::loadData(data, needed, &error);
    QVERIFY(img.isNull());
    QCOMPARE(error, reason);
}

void TestPictureLoader::metafileTakingTooLongIsStopped()
{
    // A pen as thick as the picture, in bounds of half a point: every
    // rectangle outline takes a long time to draw. Rendering is stopped after
    // a few seconds instead of hanging the game.
    WmfWriter w(QRect(0, 0, 1, 1), true);
    w.pen(Qt::black, 20);
    w.brush(Qt::red);
    for (int i = 0; i < 200; ++i)
        w.rectangle(QRect(0, 0, 10, 10));
    QElapsedTimer clock;
    clock.start();
    QString error;
    const QImage img = PictureLoader::loadData(w.data(), QSize(416, 416), &error);
    QVERIFY(img.isNull());
    QCOMPARE(error, TooLarge);
    QVERIFY2(clock.elapsed() < 9000, qPrintable(QString::number(clock.elapsed())));
}

void TestPictureLoader::metafileWithText()
{
    if (!QFile::exists(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")))
        QSKIP("fonts-dejavu-core is not installed");
    WmfWriter w(QRect(0, 0, 1000, 1000));
    w.noPen();
    w.brush(Qt::yellow);
    w.rectangle(QRect(0, 0, 1000, 1000));
    // CREATEFONTINDIRECT: height -300, weight 700, face "Arial"
    w.record(0x02FB, {quint16(-300), 0, 0, 0, 700, 0, 0, 0, 0, 'A' | ('r' << 8), 'i' | ('a' << 8), 'l', 0});
    w.record(0x012D, {2});
    // TEXTOUT "XXXX" at (100, 300)
    w.record(0x0521, {4, 'X' | ('X' << 8), 'X' | ('X' << 8), 300, 100});
    QString error;
    const QImage img = PictureLoader::loadData(w.data(), QSize(400, 400), &error);
    QVERIFY2(!img.isNull(), qPrintable(error));
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 80)
                ++dark;
    QVERIFY2(dark > 200, qPrintable(QString::number(dark)));   // the letters
    QVERIFY(Samples::near(colorAt(img, 0.9, 0.9), QColor(Qt::yellow), 4));
}

void TestPictureLoader::fileErrors()
{
    // Missing, a folder, a FIFO (never waited for), empty, not a picture.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString empty = dir.filePath(QStringLiteral("leer.jpg"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = dir.filePath(QStringLiteral("text.jpg"));
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("Hallo\r\n") == 7);
    f.close();
    const QString cannotOpen = QStringLiteral("Die Datei kann nicht geöffnet werden.");
    for (const auto &[path, reason] : {std::pair{dir.filePath(QStringLiteral("fehlt.jpg")), cannotOpen},
                                       {dir.path(), NotReadable}, {fifo, NotReadable},
                                       {empty, NotReadable}, {text, NotReadable}}) {
        QString error;
        QVERIFY(PictureLoader::load(path, QSize(10, 10), &error).isNull());
        QCOMPARE(error, reason);
    }
}

QTEST_GUILESS_MAIN(TestPictureLoader)
#include "test_picture_loader.moc"
