#include "pictures/TileCutter.h"

#include <QFont>
#include <QIODevice>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <vector>

#include <sys/mman.h>

namespace TileCutter {

QRect boardSourceRect(const QSize &size, Fit fit)
{
    if (fit == Fit::Stretch || size.width() == size.height())
        return QRect(QPoint(0, 0), size);
    const int side = qMin(size.width(), size.height());
    return QRect((size.width() - side) / 2, (size.height() - side) / 2, side, side);
}

QImage scaleToBoard(const QImage &picture, int side, Fit fit)
{
    if (picture.isNull() || side <= 0)
        return QImage();
    const QRect source = boardSourceRect(picture.size(), fit);
    QImage src = source.size() == picture.size() ? picture : picture.copy(source);
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

std::vector<QImage> cut(const QImage &board, int side, int inner, int outer)
{
    std::vector<QImage> tiles;
    if (board.isNull() || side <= 0 || inner <= 0 || outer <= 0)
        return tiles;
    tiles.reserve(std::size_t(side * side));
    for (int k = 0; k < side * side; ++k) {
        const QRect square((k % side) * inner, (k / side) * inner, inner, inner);
        tiles.push_back(inner == outer ? view(board, square)
                                       : board.copy(square).scaled(outer, outer, Qt::IgnoreAspectRatio,
                                                                   Qt::SmoothTransformation));
    }
    return tiles;
}

QImage numberedTile(int tile, int deviceSide, qreal devicePixelRatio)
{
    if (deviceSide <= 0)
        return QImage();
    QImage img(deviceSide, deviceSide, QImage::Format_RGB32);
    img.setDevicePixelRatio(devicePixelRatio);
    img.fill(QColor(200, 200, 210));
    const qreal side = deviceSide / devicePixelRatio;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(90, 90, 110));
    QFont f;
    f.setPixelSize(std::max(1, int(side / 3)));
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, QString::number(tile + 1));
    return img;
}

void drawNumber(QPainter &painter, const QRect &field, int tile)
{
    if (field.width() < 4)
        return;
    // A quarter of the field high, a tenth of it off the corner; the outline
    // a sixth of the digits' height, at least a pixel.
    const qreal size = field.width() / 4.0;
    QFont f;
    f.setPixelSize(std::max(1, qRound(size)));
    f.setBold(true);
    QPainterPath path;
    path.addText(0, 0, f, QString::number(tile + 1));
    const QRectF box = path.boundingRect();
    const qreal off = field.width() / 10.0;
    path.translate(field.left() + off - box.left(), field.top() + off - box.top());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(field);
    painter.strokePath(path, QPen(QColor(20, 20, 20), std::max(1.0, size / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, QColor(250, 250, 250));
    painter.restore();
}

namespace {

// An RGB32 image whose memory is mapped in with one call rather than a page
// at a time as it is first written (far cheaper where each page fault is
// costly); a plain image where that is not to be had.
QImage imageMappedIn(int width, int height)
{
#if defined(MAP_POPULATE)
    struct Mapping {
        void *at;
        std::size_t length;
    };
    const std::size_t length = std::size_t(width) * std::size_t(height) * 4;
    void *at = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (at != MAP_FAILED)
        return QImage(static_cast<uchar *>(at), width, height, width * 4, QImage::Format_RGB32,
                      [](void *info) {
                          auto *m = static_cast<Mapping *>(info);
                          ::munmap(m->at, m->length);
                          delete m;
                      },
                      new Mapping{at, length});
#endif
    return QImage(width, height, QImage::Format_RGB32);
}

} // namespace

QImage boardFromBitmap(QIODevice &in, int maxSide)
{
    // File header (14 bytes) and the information header (at least 40).
    constexpr qint64 FileHeader = 14, InfoHeader = 40;
    uchar b[FileHeader + InfoHeader];
    if (in.read(reinterpret_cast<char *>(b), sizeof b) != qint64(sizeof b) || b[0] != 'B' || b[1] != 'M')
        return QImage();
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
    if (pixelsAt < FileHeader + infoSize || pixelsAt + stride * rows > quint64(in.size()) || !in.seek(pixelsAt))
        return QImage();
    QImage image = imageMappedIn(width, int(rows));
    if (image.isNull())
        return image;
    // Rows a chunk of about 32 KB at a time (at least one row).
    const qint64 rowsPerChunk = qMax<qint64>(1, 32768 / stride);
    std::vector<uchar> chunk(std::size_t(rowsPerChunk * stride));
    for (qint64 first = 0; first < rows; first += rowsPerChunk) {
        const qint64 count = qMin(rowsPerChunk, rows - first);
        // A file that shrank since its size was read ends the reading.
        if (in.read(reinterpret_cast<char *>(chunk.data()), count * stride) != count * stride)
            return QImage();
        for (qint64 r = 0; r < count; ++r) {
            // Bottom-up unless the height is negative.
            const qint64 y = height < 0 ? first + r : rows - 1 - (first + r);
            const uchar *pixel = chunk.data() + r * stride;
            auto *out = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
            for (int x = 0; x < width; ++x, pixel += 3)
                out[x] = qRgb(pixel[2], pixel[1], pixel[0]);
        }
    }
    return image;
}

} // namespace TileCutter
