#include "info/CursorFile.h"

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

} // namespace CursorFile
