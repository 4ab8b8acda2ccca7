#include "pictures/PictureLoader.h"

#include "base/FileAccess.h"
#include "pictures/JpegDecoder.h"
#include "pictures/WmfRenderer.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <climits>
#include <cmath>
#include <cstring>

namespace PictureLoader {

namespace {

constexpr PictureError NotReadable = PictureError::NotReadable;
constexpr PictureError TooLarge = PictureError::TooLarge;
constexpr PictureError CannotOpen = PictureError::CannotOpen;

// Largest picture file read.
constexpr qint64 MaxReadSize = 128 * 1024 * 1024;

QImage fail(PictureError *error, PictureError reason)
{
    if (error)
        *error = reason;
    return QImage();
}

quint32 le16(const uchar *p) { return qFromLittleEndian<quint16>(p); }
quint32 le32(const uchar *p) { return qFromLittleEndian<quint32>(p); }

// Qt's decoders fill in what a cut-off JPEG, bitmap or GIF lacks and report
// success; a file that ends early is refused here instead, before decoding.

// A Windows bitmap is whole when its pixel rows (or, compressed, the size
// its header gives) are all there.
bool bmpComplete(const uchar *p, qint64 n)
{
    if (n < 18 || p[0] != 'B' || p[1] != 'M')
        return false;
    const qint64 offset = le32(p + 10);
    const quint32 headerSize = le32(p + 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) {
        if (n < 26)
            return false;
        width = le16(p + 18);
        height = le16(p + 20);
        bits = le16(p + 24);
    } else if (headerSize >= 40) {
        if (n < 54)
            return false;
        width = qint32(le32(p + 18));
        height = qint32(le32(p + 22));
        bits = le16(p + 28);
        compression = le32(p + 30);
        imageSize = le32(p + 34);
    } else {
        return true;   // an unusual header: left to the decoder
    }
    if (width <= 0 || height == 0 || bits <= 0 || bits > 32)
        return false;
    height = height < 0 ? -height : height;
    qint64 needed = 0;
    if (compression == 0 || compression == 3 || compression == 6) {
        const qint64 stride = (width * bits + 31) / 32 * 4;
        needed = offset + stride * height;
    } else if (compression == 1 || compression == 2) {
        needed = offset + qMax<qint64>(imageSize, 2);
    } else {
        return true;
    }
    return n >= needed;
}

// A GIF's first picture is whole when its data blocks end with their
// terminator; only the first picture is shown.
bool gifFirstFrameComplete(const uchar *p, qint64 n)
{
    if (n < 13 || std::memcmp(p, "GIF8", 4) != 0)
        return false;
    qint64 i = 13;
    if (p[10] & 0x80)
        i += 3 * (qint64(1) << ((p[10] & 7) + 1));
    auto skipBlocks = [&]() {
        for (;;) {
            if (i >= n)
                return false;
            const int length = p[i++];
            if (length == 0)
                return true;
            i += length;
        }
    };
    for (;;) {
        if (i >= n)
            return false;
        const uchar kind = p[i++];
        if (kind == 0x21) {          // extension: label and data blocks
            ++i;
            if (!skipBlocks())
                return false;
        } else if (kind == 0x2C) {   // the first picture
            if (i + 9 > n)
                return false;
            const uchar flags = p[i + 8];
            i += 9;
            if (flags & 0x80)
                i += 3 * (qint64(1) << ((flags & 7) + 1));
            ++i;                     // LZW code size
            return skipBlocks();
        } else {
            return false;            // trailer or garbage before any picture
        }
    }
}

// The size a Windows bitmap's or a GIF's header declares (a GIF's logical
// screen), or an invalid size for any other file.
QSize declaredSize(const uchar *p, qint64 n)
{
    if (n >= 26 && p[0] == 'B' && p[1] == 'M') {
        if (le32(p + 14) == 12)
            return QSize(int(le16(p + 18)), int(le16(p + 20)));
        if (n >= 26 && le32(p + 14) >= 40) {
            const qint64 h = qint32(le32(p + 22));
            return QSize(int(qMin<qint64>(qint32(le32(p + 18)), INT_MAX)), int(qMin<qint64>(h < 0 ? -h : h, INT_MAX)));
        }
    }
    if (n >= 10 && std::memcmp(p, "GIF8", 4) == 0)
        return QSize(int(le16(p + 6)), int(le16(p + 8)));
    return QSize();
}

// Qt refuses to decode a picture whose full size would pass its allocation
// limit; this tells that case apart from damaged data for the message.
bool beyondAllocationLimit(const QSize &size)
{
    const int limitMb = QImageReader::allocationLimit();
    if (limitMb <= 0 || !size.isValid())
        return false;
    // Four bytes a pixel; compared as pixels, since a declared size of up
    // to INT_MAX x INT_MAX would overflow when counted in bytes.
    return qint64(size.width()) * size.height() > qint64(limitMb) * 1024 * 1024 / 4;
}

QImage loadBytes(const QByteArray &data, const QSize &needed, PictureError *error)
{
    if (WmfRenderer::looksLikeMetafile(data)) {
        if (data.size() > WmfRenderer::MaxFileSize)
            return fail(error, TooLarge);
        return WmfRenderer::render(data, needed, error);
    }

    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qint64 size = data.size();
    // A JPEG is known by its first two bytes (its start marker) and decoded
    // here rather than by Qt, so that the decoder's memory, its scans and its
    // scale are under the game's control (and Qt's picture plugins need not
    // be loaded to tell the format).
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        if (!JpegDecoder::walkSegments(data, nullptr))
            return fail(error, NotReadable);
        QImage image;
        const QSize full = JpegDecoder::declaredSize(data);
        switch (JpegDecoder::decode(data, reducedSize(full, needed), &image)) {
        case JpegDecoder::Outcome::Ok:
            return image;
        case JpegDecoder::Outcome::TooLarge:
            return fail(error, TooLarge);
        case JpegDecoder::Outcome::NotReadable:
            return fail(error, NotReadable);
        }
    }

    // A bitmap or GIF larger than Qt decodes is too large, whether Qt
    // would say so or only that it cannot read it.
    if (beyondAllocationLimit(declaredSize(bytes, size)))
        return fail(error, TooLarge);

    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return fail(error, NotReadable);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return fail(error, NotReadable);
    const QByteArray format = reader.format();
    if ((format == "bmp" && !bmpComplete(bytes, size))
        || (format == "gif" && !gifFirstFrameComplete(bytes, size)))
        return fail(error, NotReadable);

    const QSize full = reader.size();
    const QSize target = reducedSize(full, needed);
    if (target != full && target.isValid())
        reader.setScaledSize(target);

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return fail(error, beyondAllocationLimit(full) ? TooLarge : NotReadable);
    return image;
}

} // namespace

QSize reducedSize(const QSize &full, const QSize &needed)
{
    if (!full.isValid() || full.isEmpty() || needed.width() <= 0 || needed.height() <= 0)
        return full;
    if (full.width() <= needed.width() || full.height() <= needed.height())
        return full;
    // The smaller of the two factors would leave one side short of needed;
    // the larger keeps both sides at or above it.
    const double scale = qMax(double(needed.width()) / full.width(),
                              double(needed.height()) / full.height());
    const int w = qMax(needed.width(), int(std::ceil(full.width() * scale - 1e-9)));
    const int h = qMax(needed.height(), int(std::ceil(full.height() * scale - 1e-9)));
    return QSize(qMin(w, full.width()), qMin(h, full.height()));
}

QSize jpegDecodeSize(const QSize &full, const QSize &needed)
{
    return JpegDecoder::scaledSize(full, JpegDecoder::scaleFor(full, reducedSize(full, needed)));
}

QImage load(const QString &path, const QSize &needed, PictureError *error)
{
    // Only a regular file is opened (a FIFO would block the game). The file
    // is read into memory rather than mapped: another program that shortens
    // the file while it is decoded must not be able to crash the game (a
    // mapped page past the new end would fault).
    QByteArray data;
    switch (FileAccess::readRegular(path, MaxReadSize, &data)) {
    case FileAccess::ReadResult::Ok:
        break;
    case FileAccess::ReadResult::Missing:
    case FileAccess::ReadResult::Failed:
        return fail(error, CannotOpen);
    case FileAccess::ReadResult::NotRegular:
        return fail(error, NotReadable);
    case FileAccess::ReadResult::TooLarge:
        return fail(error, TooLarge);
    }
    if (data.isEmpty())
        return fail(error, NotReadable);
    return loadBytes(data, needed, error);
}

QImage loadData(const QByteArray &data, const QSize &needed, PictureError *error)
{
    return loadBytes(data, needed, error);
}

} // namespace PictureLoader
