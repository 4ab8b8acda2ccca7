#include "pictures/TileCutter.h"

#include <QFont>
#include <QPainter>
#include <QtEndian>

namespace TileCutter {

QImage scaleToBoard(const QImage &picture, int side)
{
    if (picture.isNull() || side <= 0)
        return QImage();
    QImage src = picture;
    if (src.format() != QImage::Format_RGB32 && src.format() != QImage::Format_ARGB32_Premultiplied) {
        // Transparent parts (GIF, metafile) are drawn on white, as on a
        // freshly cleared drawing surface.
        if (src.hasAlphaChannel()) {
            QImage flat(src.size(), QImage::Format_RGB32);
            flat.fill(Qt::white);
            QPainter p(&flat);
            p.drawImage(0, 0, src);
            p.end();
            src = flat;
        } else {
            src = src.convertToFormat(QImage::Format_RGB32);
        }
    }
    return src.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace {

// The square of board as an image of its own that reads the board's pixels
// where they are: no copy, and the board's pixels live as long as any tile
// made from them. Formats with less than a byte a pixel, and squares that
// reach past the board's edge, are copied (copy fills the outside).
QImage view(const QImage &board, const QRect &square)
{
    if (board.depth() < 8 || !board.rect().contains(square))
        return board.copy(square);
    auto *keep = new QImage(board);
    const uchar *bits = keep->constBits() + square.y() * keep->bytesPerLine()
        + square.x() * (keep->depth() / 8);
    return QImage(bits, square.width(), square.height(), keep->bytesPerLine(), keep->format(),
                  [](void *image) { delete static_cast<QImage *>(image); }, keep);
}

} // namespace

std::array<QImage, 16> cut(const QImage &board, int inner, int outer)
{
    std::array<QImage, 16> tiles;
    if (board.isNull() || inner <= 0 || outer <= 0)
        return tiles;
    for (int k = 0; k < 16; ++k) {
        const QRect square((k % 4) * inner, (k / 4) * inner, inner, inner);
        tiles[k] = inner == outer ? view(board, square)
                                  : board.copy(square).scaled(outer, outer, Qt::IgnoreAspectRatio,
                                                              Qt::SmoothTransformation);
    }
    return tiles;
}

QImage numberedTile(int tile, int side, qreal devicePixelRatio)
{
    const int px = qRound(side * devicePixelRatio);
    QImage img(px, px, QImage::Format_RGB32);
    img.setDevicePixelRatio(devicePixelRatio);
    img.fill(QColor(200, 200, 210));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(90, 90, 110));
    QFont f;
    f.setPixelSize(side / 3);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QString::number(tile + 1));
    return img;
}

QImage boardFromBitmap(const QByteArray &bytes, int maxSide)
{
    // File header (14 bytes) and the information header (at least 40).
    constexpr qsizetype FileHeader = 14, InfoHeader = 40;
    if (bytes.size() < FileHeader + InfoHeader || !bytes.startsWith("BM"))
        return QImage();
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    const quint32 pixelsAt = qFromLittleEndian<quint32>(b + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(b + 14);
    const qint32 width = qFromLittleEndian<qint32>(b + 18);
    const qint32 height = qFromLittleEndian<qint32>(b + 22);
    const quint16 planes = qFromLittleEndian<quint16>(b + 26);
    const quint16 bits = qFromLittleEndian<quint16>(b + 28);
    const quint32 compression = qFromLittleEndian<quint32>(b + 30);
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    if (infoSize < InfoHeader || planes != 1 || bits != 24 || compression != 0 || width <= 0 || width > maxSide
        || rows == 0 || rows > maxSide)
        return QImage();
    const qint64 stride = (qint64(width) * 3 + 3) & ~qint64(3);
    if (pixelsAt < FileHeader + infoSize || pixelsAt + stride * rows > quint64(bytes.size()))
        return QImage();
    QImage image(width, int(rows), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < rows; ++y) {
        // Bottom-up unless the height is negative.
        const uchar *in = b + pixelsAt + stride * (height < 0 ? y : rows - 1 - y);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    return image;
}

} // namespace TileCutter
