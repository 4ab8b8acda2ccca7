// Loading pictures of every format by content, reduced decoding of large
// JPEGs, and refusing damaged or oversized files without crashing or hanging.
#include "pictures/JpegDecoder.h"
#include "pictures/PictureLoader.h"
#include "pictures/WmfWriter.h"
#include "GameTestSupport.h"

#include <QtTest>

namespace {

constexpr PictureError NotReadable = PictureError::NotReadable;
constexpr PictureError TooLarge = PictureError::TooLarge;
// The colours of the four quadrants: top left, top right, bottom left, bottom right.
const QVector<QColor> Quadrants = {QColor(220, 30, 30), QColor(30, 180, 40), QColor(30, 60, 220), QColor(240, 220, 20)};

QImage quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    for (int q = 0; q < 4; ++q)
        p.fillRect(QRect(q % 2 ? w / 2 : 0, q / 2 ? h / 2 : 0, w - w / 2, h - h / 2), Quadrants[q]);
    return img;
}

// A GIF written by hand (Qt cannot write GIF), each frame the quadrants turned on by `turn`;
// a clear code after every two pixels keeps the LZW codes at 3 bits.
QByteArray gif(int w, int h, const QVector<int> &turns = {0})
{
    const auto le16 = [](int v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); };
    QByteArray out = "GIF89a" + le16(w) + le16(h) + QByteArray("\x81\0\0", 3);
    for (const QColor &c : Quadrants)
        out += QByteArray(1, char(c.red())) + char(c.green()) + char(c.blue());
    for (int turn : turns) {
        out += QByteArray("\x21\xF9\x04\x00\x0A\x00\x00\x00\x2C\0\0\0\0", 13) + le16(w) + le16(h) + QByteArray("\0\2", 2);
        QByteArray data;
        quint32 acc = 0;
        int bits = 0;
        const auto code = [&](int c) {
            for (acc |= quint32(c) << bits, bits += 3; bits >= 8; bits -= 8, acc >>= 8)
                data += char(acc & 0xFF);
        };
        for (int i = 0; i < w * h; ++i) {
            if (i % 2 == 0)
                code(4);   // clear
            code(((i % w >= w / 2) + 2 * (i / w >= h / 2) + turn) % 4);
        }
        code(5);
        data += char(acc);
        for (int at = 0; at < data.size(); at += 255)
            out += char(qMin(255, int(data.size()) - at)) + data.mid(at, 255);
        out += '\0';
    }
    return out + ';';
}

// 2000 x 1000 units: the left half in the first quadrant colour, a triangle
// over the upper-right corner in the third, the rest white paper.
QByteArray wmf(bool placeable = true)
{
    WmfWriter w(QRect(0, 0, 2000, 1000), placeable);
    w.noPen();
    w.brush(Quadrants[0]);
    w.rectangle(QRect(0, 0, 1000, 1000));
    w.brush(Quadrants[2]);
    w.polygon({QPoint(1000, 0), QPoint(2000, 0), QPoint(2000, 1000)});
    return w.data();
}

template <typename T> QByteArray patched(QByteArray b, int at, T value)
{
    qToLittleEndian<T>(value, b.data() + at);
    return b;
}

QByteArray withJpegSize(QByteArray jpeg, quint16 w, quint16 h)
{
    const int sof = qMax(jpeg.indexOf("\xFF\xC0"), jpeg.indexOf("\xFF\xC2")) + 5;   // height, then width
    qToBigEndian<quint16>(h, jpeg.data() + sof);
    qToBigEndian<quint16>(w, jpeg.data() + sof + 2);
    return jpeg;
}

// The file with its first (DC) scan repeated `scans` more times.
QByteArray withRepeatedFirstScan(const QByteArray &jpeg, int scans)
{
    const int sos = jpeg.indexOf("\xFF\xDA");
    int end = sos + 2;
    while (!(uchar(jpeg[end]) == 0xFF && jpeg[end + 1] != 0 && (uchar(jpeg[end + 1]) & 0xF8) != 0xD0))
        ++end;
    return jpeg.left(end) + jpeg.mid(sos, end - sos).repeated(scans) + jpeg.mid(end);
}

// The JPEG with an EXIF segment giving the orientation, in either byte order.
QByteArray withOrientation(const QByteArray &jpeg, quint16 orientation, bool bigEndian)
{
    QByteArray tiff = bigEndian ? QByteArray("MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\0\0\0\0\0\0\0", 26)
                                : QByteArray("II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\0\0\0\0\0\0\0\0", 26);
    bigEndian ? qToBigEndian(orientation, tiff.data() + 18) : qToLittleEndian(orientation, tiff.data() + 18);
    return jpeg.left(2) + QByteArray("\xFF\xE1\0\x22" "Exif\0\0", 10) + tiff + jpeg.mid(2);
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT
private slots:
    void loadsEveryFormatByContentAndRefusesOtherFiles()
    {
        const QImage picture = quadrants(64, 48);
        const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
        QVector<QColor> greys;
        for (int q = 0; q < 4; ++q)
            greys << grey.pixelColor(q % 2 ? 48 : 16, q / 2 ? 36 : 12);
        const QVector<QColor> drawn = {Quadrants[0], Quadrants[2], Quadrants[0], Qt::white};
        const QSize board(416, 416), own(64, 48);
        QVector<std::tuple<QString, QByteArray, QSize, QSize, QVector<QColor>, int>> rows = {
            {"jpeg", encoded(picture, "jpeg"), board, own, Quadrants, 30},
            {"jpeg progressive", encoded(picture, "jpeg", true), board, own, Quadrants, 30},
            {"jpeg grey", encoded(grey, "jpeg"), board, own, greys, 30},
            {"bmp", encoded(picture, "bmp"), board, own, Quadrants, 0},
            {"png", encoded(picture, "png"), board, own, Quadrants, 0},
            // the second frame has its colours turned: only the first is shown
            {"gif", gif(64, 48, {0, 1}), board, own, Quadrants, 0},
            {"wmf", wmf(), board, QSize(832, 416), drawn, 4},
            {"wmf standard", wmf(false), board, QSize(832, 416), drawn, 4},
        };
        // EXIF orientations 2 .. 8 turn the picture upright: the quadrants shown at TL, TR, BL, BR
        const int turned[7][4] = {{1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1}, {0, 2, 1, 3}, {2, 0, 3, 1}, {3, 1, 2, 0}, {1, 3, 0, 2}};
        for (quint16 o = 2; o <= 8; ++o)
            rows.append({QStringLiteral("jpeg orientation %1").arg(o), withOrientation(encoded(picture, "jpeg"), o, o % 2), board,
                         o < 5 ? own : own.transposed(), {Quadrants[turned[o - 2][0]], Quadrants[turned[o - 2][1]], Quadrants[turned[o - 2][2]], Quadrants[turned[o - 2][3]]}, 30});
        QTemporaryDir dir;
        for (const auto &[name, data, needed, size, colours, tolerance] : rows) {
            const QString file = dir.filePath(QStringLiteral("bild.jpg"));   // the name says JPEG whatever the content
            QVERIFY(writeAll(file, data));
            const QImage img = PictureLoader::load(file, needed);
            const QSize extra = img.size() - size;   // a metafile may round a side up by a pixel
            QVERIFY2(extra.width() >= 0 && extra.height() >= 0 && extra.width() + extra.height() <= 1, qPrintable(name));
            for (int q = 0; q < 4; ++q) {
                const QColor c = img.pixelColor(img.width() * (q % 2 ? 3 : 1) / 4, img.height() * (q / 2 ? 3 : 1) / 4);
                QVERIFY2(TestSupport::similar(c, colours[q], tolerance), qPrintable(name));
            }
        }
        // stored 1600 x 1200, shown 1200 x 1600: the decoder's scale (3/8) chosen for the upright picture
        QCOMPARE(PictureLoader::loadData(withOrientation(encoded(quadrants(1600, 1200), "jpeg"), 6, true), board).size(), QSize(450, 600));
        PictureError error = PictureError::None;
        QVERIFY(PictureLoader::load(dir.filePath(QStringLiteral("fehlt.jpg")), QSize(10, 10), &error).isNull());
        QVERIFY(error == PictureError::CannotOpen);
    }

    void refusesDamagedTruncatedAndOversized()
    {
        const QSize board(416, 416), small(64, 64);
        const QImage picture = quadrants(120, 80);
        const QByteArray jpeg = encoded(picture, "jpeg"), progressive = encoded(picture, "jpeg", true);
        QByteArray arithmetic = withJpegSize(encoded(picture.convertToFormat(QImage::Format_Grayscale8), "jpeg", true), 16376, 16376);
        arithmetic[arithmetic.indexOf("\xFF\xC2") + 1] = '\xCA';
        // 8 bits per pixel, run-length coded: the data is its end mark alone
        QByteArray bigBmp = patched<quint32>(patched<quint32>(QByteArray("BM", 2) + QByteArray(52 + 1024, 0) + QByteArray("\0\1", 2), 10, 1078), 14, 40);
        bigBmp = patched<quint16>(patched<quint16>(patched<qint32>(patched<qint32>(bigBmp, 18, 40000), 22, 20000), 26, 1), 28, 8);
        bigBmp = patched<quint32>(patched<quint32>(bigBmp, 30, 1), 34, 2);
        QByteArray hugeGif = patched<quint16>(patched<quint16>(gif(120, 80), 6, 60000), 8, 60000);
        hugeGif = patched<quint16>(patched<quint16>(hugeGif, 13 + 12 + 8 + 5, 60000), 13 + 12 + 8 + 7, 60000);
        const auto metafile = [](const QRect &bounds, quint16 perInch, quint16 function, const QVector<quint16> &params,
                                 int pen = 1, int rectangles = 1) {
            WmfWriter w(bounds, true, perInch);
            w.pen(Qt::black, pen);
            if (function)
                w.record(function, params);
            for (int i = 0; i < rectangles; ++i)
                w.rectangle(bounds);
            return w.data();
        };
        QVector<std::tuple<QString, QByteArray, QSize, PictureError>> rows = {
            // an eighth of 60000 x 60000 is too large; 40001 x 30001 is more than a file of a kilobyte
            // may cost; 4001 x 3001 is not, but its data is missing
            {"jpeg 60000x60000", withJpegSize(jpeg, 60000, 60000), board, TooLarge},
            {"jpeg 40001x30001 in a kilobyte", withJpegSize(jpeg, 40001, 30001), board, TooLarge},
            {"jpeg 4001x3001 without data", withJpegSize(jpeg, 4001, 3001), board, NotReadable},
            // arithmetic coding (its data may end early and still decode): 512 MB of coefficients in half a kilobyte
            {"arithmetic progressive 16376x16376", arithmetic, board, TooLarge},
            {"progressive 46336x46336", withJpegSize(progressive, 46336, 46336), board, TooLarge},
            {"progressive, too many scans", withRepeatedFirstScan(progressive, 120), board, TooLarge},
            // within the scan and memory bounds, but 90 scans over 3.4 million blocks each
            {"progressive 12000x12000, 90 scans", withJpegSize(withRepeatedFirstScan(progressive, 89), 12000, 12000), board, TooLarge},
            {"gif 60000x60000", hugeGif, board, TooLarge},
            {"bmp 40000x20000", bigBmp, board, TooLarge},
            {"wmf largest record 8 GB", patched<quint32>(wmf(), 22 + 12, 0xFFFFFFFF), board, NotReadable},
            {"wmf record size 0", patched<quint32>(wmf(), 22 + 18, 0), board, NotReadable},
            {"wmf record beyond file", patched<quint32>(wmf(), 22 + 18, 0x7FFFFFFF), board, NotReadable},
            {"wmf object out of range", metafile({0, 0, 100, 100}, 1440, 0x012D, {500}), small, NotReadable},
            // 60000 points, and polygons, announced; two given
            {"wmf polygon beyond record", metafile({0, 0, 100, 100}, 1440, 0x0324, {60000, 1, 2, 3, 4}), small, NotReadable},
            {"wmf polypolygon beyond record", metafile({0, 0, 100, 100}, 1440, 0x0538, {3, 60000, 60000, 60000, 1, 2}), small, NotReadable},
            // 2000 x 1000 inches at its own size; a sliver that cannot cover a square
            {"wmf huge own size", metafile(QRect(0, 0, 2000, 1000), 1, 0, {}), QSize(), TooLarge},
            {"wmf extreme aspect", metafile(QRect(0, 0, 30000, 1), 1440, 0, {}), board, TooLarge},
            // a pen as thick as the picture in half a point: every outline
            // takes long to draw; rendering is stopped within seconds
            {"wmf taking too long", metafile(QRect(0, 0, 1, 1), 1440, 0, {}, 20, 200), board, TooLarge},
        };
        // every truncation of a whole picture (a GIF's trailer is not needed; a metafile is made of words)
        const QImage little = quadrants(24, 16);
        for (const auto &[data, step] : {std::pair{encoded(little, "jpeg"), 1}, {encoded(little, "bmp"), 1},
                                         {gif(24, 16).chopped(1), 1}, {wmf(), 2}, {wmf(false), 2}}) {
            QVERIFY(!PictureLoader::loadData(data, QSize(20, 20)).isNull());
            for (int n = 0; n < data.size(); n += step)
                rows.append({QStringLiteral("the first %1 bytes").arg(n), data.left(n), QSize(20, 20), NotReadable});
        }
        // The structural check alone (the decoder would also refuse) takes a JPEG cut anywhere, in a scan's data too, for damaged.
        const QByteArray littleJpeg = encoded(little, "jpeg");
        for (int n = 0; n < littleJpeg.size(); ++n)
            QVERIFY2(!JpegDecoder::walkSegments(littleJpeg.left(n), nullptr), qPrintable(QString::number(n)));
        // A smooth 12000 x 8340 progressive photo of 1.4 MB (300 MB of coefficients, 12.5 million block visits) is decoded.
        QVERIFY(JpegDecoder::affordable({12'500'000, 308'000'000}, 1'400'000));
        for (const auto &[name, data, needed, reason] : rows) {
            QElapsedTimer clock;
            clock.start();
            PictureError error = PictureError::None;
            QVERIFY2(PictureLoader::loadData(data, needed, &error).isNull() && error == reason,
                     qPrintable(name + QStringLiteral(": ") + QString::number(int(error))));
            QVERIFY2(clock.elapsed() < 9000, qPrintable(name));
        }
    }

    // The reduced size keeps the aspect ratio and both sides at least the needed
    // ones; a JPEG is decoded at the smallest n/8 step (sides rounded up) covering
    // it (the loader's use of it: the turned 1600 x 1200 JPEG above).
    void decodeSizes()
    {
        const QSize board(416, 416);
        const std::tuple<QSize, QSize, QSize, QSize> rows[] = {   // full, needed, reduced, JPEG decoded
            {{6000, 4000}, QSize(), {6000, 4000}, {6000, 4000}},
            {{833, 417}, board, {832, 416}, {833, 417}},
            {{5000, 300}, board, {5000, 300}, {5000, 300}},
            {{1601, 1201}, board, {555, 416}, {601, 451}},
            {{4001, 3999}, board, {417, 416}, {501, 500}},
        };
        for (const auto &[full, needed, reduced, jpeg] : rows) {
            QCOMPARE(PictureLoader::reducedSize(full, needed), reduced);
            QCOMPARE(PictureLoader::jpegDecodeSize(full, needed), jpeg);
        }
    }
};

QTEST_GUILESS_MAIN(TestPictureLoader)
#include "test_picture_loader.moc"
