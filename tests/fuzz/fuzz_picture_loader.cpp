// Fuzzes the picture loader on JPEG, bitmap, PNG, GIF and metafile data the
// way the game uses it: decoded for the board, scaled to it and cut into the
// sixteen tiles. A refused picture has a reason, memory and file agree, and
// no picture passes the loader's memory bounds (the run's allocation limit).
#include "FuzzSupport.h"
#include "pictures/PictureLoader.h"
#include "pictures/TileCutter.h"
#include "pictures/WmfWriter.h"

using namespace FuzzSupport;

// The board of 6240 twips and a box of 1560 twips with a 1-pixel border.
constexpr int Board = 416, Outer = 104, Inner = 102;

QList<QByteArray> seeds()
{
    QImage image(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 37, y * 53, (x + y) * 17));
    // JPEGs whose frame header declares a huge picture: one too large to
    // decode even at 1/8, and a progressive one whose coefficients would
    // pass the decoder's memory (40000 x 40000).
    const auto huge = [&](bool progressive) {
        QByteArray jpeg = encoded(image, "jpeg", progressive);
        return jpeg.replace(jpeg.indexOf(progressive ? "\xff\xc2" : "\xff\xc0") + 5, 4,
                            progressive ? "\x9c\x40\x9c\x40" : "\xea\x60\xea\x60");
    };
    // The same files marked arithmetic-coded: their data decodes as such,
    // and whatever a scan lacks reads as zeros.
    const auto arithmetic = [&](bool progressive) {
        QByteArray jpeg = encoded(image, "jpeg", progressive);
        jpeg[jpeg.indexOf(progressive ? "\xff\xc2" : "\xff\xc0") + 1] = progressive ? '\xca' : '\xc9';
        return jpeg;
    };
    const QByteArray gif("GIF89a\2\0\2\0\x80\0\0\xff\0\0\0\0\xff\x2c\0\0\0\0\2\0\2\0\0\2\2\x44\1\0\x3b", 35);
    const QByteArray big("\x80\x3e\x80\x3e");  // 16000 x 16000, little-endian: 1 GB as RGB32
    QByteArray topDown = encoded(image, "bmp");
    topDown.replace(22, 4, "\xf0\xff\xff\xff");  // height -16: rows stored top down
    WmfWriter wmf(QRect(0, 0, 400, 300));
    wmf.brush(Qt::red);
    wmf.rectangle(QRect(0, 0, 200, 150));
    wmf.pen(Qt::blue, 3);
    wmf.ellipse(QRect(100, 50, 250, 200));
    wmf.polygon({{10, 290}, {390, 290}, {200, 160}});
    WmfWriter standard(QRect(-50, -50, 100, 80), false);
    standard.rectangle(QRect(-40, -40, 60, 60));
    return {encoded(image, "jpeg"), encoded(image, "jpeg", true), huge(false), huge(true), arithmetic(false), arithmetic(true),
            encoded(image, "png"),
            encoded(image.convertToFormat(QImage::Format_Indexed8), "bmp"), encoded(image, "bmp"),
            topDown, gif, QByteArray(gif).replace(6, 4, big).replace(24, 4, big), wmf.data(), standard.data()};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QSize needed(Board, Board);
    PictureError error = PictureError::None;
    const QImage picture = PictureLoader::loadData(bytes, needed, &error);
    if (picture.isNull()) {
        check(error != PictureError::None, "a refused picture has a reason");
    } else {
        const QImage board = TileCutter::scaleToBoard(picture, Board);
        check(board.size() == needed, "the picture fills the board");
        for (const QImage &tile : TileCutter::cut(board, 4, Inner, Outer))
            check(tile.size() == QSize(Outer, Outer), "every tile fills its box");
    }

    const QString path = scratch() + QStringLiteral("/bild");
    check(writeAll(path, bytes), "scratch file written");
    const QImage fromFile = PictureLoader::load(path, needed, &error);
    check(fromFile.size() == picture.size() && (!fromFile.isNull() || error != PictureError::None),
          "file and memory give one picture");
    return 0;
}
