#include "pictures/TileCutter.h"

#include <QFont>
#include <QPainter>

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

} // namespace TileCutter
