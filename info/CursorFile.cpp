#include "info/CursorFile.h"

#include "base/FileAccess.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

namespace CursorFile {

namespace {
constexpr int DirSize = 6;       // ICONDIR
constexpr int EntrySize = 16;    // ICONDIRENTRY (hot spot in place of planes/bit count)
constexpr int InfoSize = 40;     // BITMAPINFOHEADER
constexpr quint16 TypeCursor = 2;

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

quint16 get16(const QByteArray &in, int at)
{
    return qFromLittleEndian<quint16>(in.constData() + at);
}

quint32 get32(const QByteArray &in, int at)
{
    return qFromLittleEndian<quint32>(in.constData() + at);
}

// The size the first image's own header declares (a Windows bitmap header
// with colour and mask rows, or a PNG), or an invalid size.
QSize storedSize(const QByteArray &bytes)
{
    const quint32 size = get32(bytes, DirSize + 8);
    const quint32 offset = get32(bytes, DirSize + 12);
    if (offset > quint32(bytes.size()) || size > quint32(bytes.size()) - offset || size < 24)
        return QSize();
    const char *image = bytes.constData() + offset;
    if (QByteArray::fromRawData(image, 8) == QByteArray("\x89PNG\r\n\x1a\n", 8))
        return QSize(int(qFromBigEndian<qint32>(image + 16)), int(qFromBigEndian<qint32>(image + 20)));
    if (size < InfoSize || get32(bytes, int(offset)) < InfoSize)
        return QSize();
    const qint32 w = qint32(get32(bytes, int(offset) + 4));
    const qint32 h = qint32(get32(bytes, int(offset) + 8));
    if (w <= 0 || h == 0 || h == INT32_MIN)
        return QSize();
    return QSize(w, qAbs(h) / 2);
}
} // namespace

QByteArray encode(const QImage &source, QPoint hot)
{
    if (source.isNull() || source.width() > 256 || source.height() > 256)
        return {};
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    const int xorSize = w * h * 4;
    const int maskStride = ((w + 31) / 32) * 4;
    const int andSize = maskStride * h;
    const int imageSize = InfoSize + xorSize + andSize;

    QByteArray out;
    out.reserve(DirSize + EntrySize + imageSize);
    put16(out, 0);                                  // reserved
    put16(out, TypeCursor);
    put16(out, 1);                                  // one image
    out.append(char(w == 256 ? 0 : w));
    out.append(char(h == 256 ? 0 : h));
    out.append(char(0));                            // no palette
    out.append(char(0));                            // reserved
    put16(out, quint16(qBound(0, hot.x(), w - 1)));
    put16(out, quint16(qBound(0, hot.y(), h - 1)));
    put32(out, quint32(imageSize));
    put32(out, quint32(DirSize + EntrySize));

    put32(out, InfoSize);
    put32(out, quint32(w));
    put32(out, quint32(2 * h));                     // colour rows and mask rows
    put16(out, 1);                                  // planes
    put16(out, 32);                                 // bits per pixel
    put32(out, 0);                                  // no compression
    put32(out, quint32(xorSize + andSize));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);

    // Rows bottom-up, pixels as B, G, R, A.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(row[x])));
            out.append(char(qGreen(row[x])));
            out.append(char(qRed(row[x])));
            out.append(char(qAlpha(row[x])));
        }
    }
    // AND mask, bottom-up: a set bit lets the screen show through.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray bits(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) == 0)
                bits[x / 8] = char(uchar(bits[x / 8]) | (0x80 >> (x % 8)));
        }
        out.append(bits);
    }
    return out;
}

std::optional<QPoint> hotSpot(const QByteArray &bytes)
{
    if (bytes.size() < DirSize + EntrySize)
        return std::nullopt;
    if (get16(bytes, 0) != 0 || get16(bytes, 2) != TypeCursor || get16(bytes, 4) == 0)
        return std::nullopt;
    const int w = uchar(bytes[DirSize]) == 0 ? 256 : uchar(bytes[DirSize]);
    const int h = uchar(bytes[DirSize + 1]) == 0 ? 256 : uchar(bytes[DirSize + 1]);
    const QPoint hot(get16(bytes, DirSize + 4), get16(bytes, DirSize + 6));
    if (hot.x() >= w || hot.y() >= h)
        return std::nullopt;
    return hot;
}

std::optional<Cursor> decode(const QByteArray &bytes)
{
    if (bytes.size() < DirSize + EntrySize || get16(bytes, 0) != 0 || get16(bytes, 2) != TypeCursor
        || get16(bytes, 4) == 0)
        return std::nullopt;
    // The picture's own header counts, not the directory: the decoder
    // follows the header. The decoded size is checked again after.
    const QSize stored = storedSize(bytes);
    if (!stored.isValid() || stored.width() > MaxSide || stored.height() > MaxSide)
        return std::nullopt;

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    QImage image;
    if (!reader.read(&image) || image.isNull() || image.width() > MaxSide || image.height() > MaxSide)
        return std::nullopt;
    const std::optional<QPoint> hot = hotSpot(bytes);
    return Cursor{image, hot && image.rect().contains(*hot) ? *hot : QPoint(0, 0)};
}

std::optional<Cursor> read(const QString &path)
{
    // A cursor of 64 x 64 pixels is about 20 KiB.
    QByteArray bytes;
    if (FileAccess::readRegular(path, 256 * 1024, &bytes) != FileAccess::ReadResult::Ok)
        return std::nullopt;
    return decode(bytes);
}

} // namespace CursorFile
