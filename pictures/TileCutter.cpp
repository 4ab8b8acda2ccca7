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

std::array<QImage, 16> cut(const QImage &board, int inner, int outer)
{
    std::array<QImage, 16> tiles;
    if (board.isNull() || inner <= 0 || outer <= 0)
        return tiles;
    for (int k = 0; k < 16; ++k) {
        const QRect square((k % 4) * inner, (k / 4) * inner, inner, inner);
        QImage tile = board.copy(square);
        if (inner != outer)
            tile = tile.scaled(outer, outer, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        tiles[k] = tile;
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
