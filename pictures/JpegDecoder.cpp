#include "pictures/JpegDecoder.h"

#include <QTransform>
#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace JpegDecoder {

namespace {

struct Failure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool tooLarge;
};

void onError(j_common_ptr cinfo)
{
    auto *failure = reinterpret_cast<Failure *>(cinfo->err);
    if (cinfo->err->msg_code == JERR_OUT_OF_MEMORY || cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        failure->tooLarge = true;
    std::longjmp(failure->jump, 1);
}

// Warnings are ignored, except that the data ended before the picture did:
// the decoder would fill the rest with grey, the file is damaged instead.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level == -1 && (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
        std::longjmp(reinterpret_cast<Failure *>(cinfo->err)->jump, 1);
}

// Called by the decoder as it goes; ends the decoding once a file has more
// progressive scans than any real photograph.
void onProgress(j_common_ptr cinfo)
{
    const auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > MaxScans) {
        reinterpret_cast<Failure *>(cinfo->err)->tooLarge = true;
        std::longjmp(reinterpret_cast<Failure *>(cinfo->err)->jump, 1);
    }
}

// Blocks all scans of the file visit together: each scan walks over every
// block of the components it names.
qint64 scanWork(const QByteArray &data, const jpeg_decompress_struct &d)
{
    qint64 blocks = 0;
    walkSegments(data, [&d, &blocks](const uchar *scan, int length) {
        for (int k = 0; k < scan[0] && 2 + 2 * k < length; ++k)
            for (int c = 0; c < d.num_components; ++c)
                if (d.comp_info[c].component_id == scan[1 + 2 * k])
                    blocks += qint64(d.comp_info[c].width_in_blocks) * d.comp_info[c].height_in_blocks;
    });
    return blocks;
}

// Memory the decoder needs for the whole file's coefficients when it must
// keep them (progressive files): 64 coefficients of 2 bytes per block.
qint64 coefficientBytes(const jpeg_decompress_struct &d)
{
    qint64 total = 0;
    for (int c = 0; c < d.num_components; ++c) {
        const jpeg_component_info &comp = d.comp_info[c];
        total += qint64(comp.width_in_blocks + comp.h_samp_factor) * (comp.height_in_blocks + comp.v_samp_factor)
                 * DCTSIZE2 * 2;
    }
    return total;
}

// The libjpeg calls, kept free of objects with destructors: an error leaves
// them through longjmp. Returns false on any failure.
struct Session {
    jpeg_decompress_struct d;
    Failure failure;
    jpeg_progress_mgr progress;
};

bool readHeader(Session &s, const QByteArray &data)
{
    if (setjmp(s.failure.jump))
        return false;
    jpeg_mem_src(&s.d, reinterpret_cast<const unsigned char *>(data.constData()), (unsigned long)data.size());
    // The EXIF segment, for the orientation the camera recorded.
    jpeg_save_markers(&s.d, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&s.d, TRUE);
    return true;
}

bool prepare(Session &s, int eighths)
{
    if (setjmp(s.failure.jump))
        return false;
    s.d.scale_num = unsigned(eighths);
    s.d.scale_denom = 8;
    s.d.dct_method = JDCT_ISLOW;
    if (s.d.jpeg_color_space == JCS_CMYK || s.d.jpeg_color_space == JCS_YCCK)
        s.d.out_color_space = JCS_CMYK;
    else
        s.d.out_color_space = JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&s.d);
    return true;
}

bool run(Session &s, QImage *image)
{
    if (setjmp(s.failure.jump))
        return false;
    jpeg_start_decompress(&s.d);
    const bool cmyk = s.d.out_color_space == JCS_CMYK;
    unsigned char *cmykRow = cmyk ? static_cast<unsigned char *>((*s.d.mem->alloc_large)(
                                        reinterpret_cast<j_common_ptr>(&s.d), JPOOL_IMAGE, s.d.output_width * 4))
                                  : nullptr;
    while (s.d.output_scanline < s.d.output_height) {
        uchar *line = image->scanLine(int(s.d.output_scanline));
        JSAMPROW row = cmyk ? cmykRow : line;
        if (jpeg_read_scanlines(&s.d, &row, 1) != 1)
            return false;
        if (cmyk) {
            // Adobe's CMYK JPEGs hold the inks inverted.
            QRgb *out = reinterpret_cast<QRgb *>(line);
            for (JDIMENSION x = 0; x < s.d.output_width; ++x) {
                const unsigned char *p = cmykRow + 4 * x;
                out[x] = qRgb(p[0] * p[3] / 255, p[1] * p[3] / 255, p[2] * p[3] / 255);
            }
        }
    }
    jpeg_finish_decompress(&s.d);
    return true;
}

// The orientation of the EXIF segment (1 .. 8; 1 upright, 5 .. 8 turned by
// a quarter), 1 when there is none or it is damaged.
int orientation(const jpeg_decompress_struct &d)
{
    for (jpeg_saved_marker_ptr m = d.marker_list; m; m = m->next) {
        const uchar *p = m->data;
        const qint64 n = m->data_length;
        if (m->marker != JPEG_APP0 + 1 || n < 14 || std::memcmp(p, "Exif\0\0", 6) != 0)
            continue;
        const uchar *tiff = p + 6;
        const qint64 size = n - 6;
        const bool big = tiff[0] == 'M';
        if (!(tiff[0] == tiff[1] && (big || tiff[0] == 'I')))
            return 1;
        const auto u16 = [big](const uchar *q) { return big ? qFromBigEndian<quint16>(q) : qFromLittleEndian<quint16>(q); };
        const auto u32 = [big](const uchar *q) { return big ? qFromBigEndian<quint32>(q) : qFromLittleEndian<quint32>(q); };
        const qint64 ifd = u32(tiff + 4);
        if (ifd < 8 || ifd + 2 > size)
            return 1;
        const int entries = u16(tiff + ifd);
        for (int e = 0; e < entries && ifd + 2 + 12 * (e + 1) <= size; ++e) {
            const uchar *entry = tiff + ifd + 2 + 12 * e;
            if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {   // Orientation, SHORT
                const int value = u16(entry + 8);
                return value >= 1 && value <= 8 ? value : 1;
            }
        }
        return 1;
    }
    return 1;
}

// The picture as the camera meant it to be seen.
QImage upright(const QImage &image, int orientation)
{
    const bool turned = orientation >= 5;
    QImage out = turned ? image.transformed(QTransform().rotate(orientation == 8 ? -90 : 90))
                        : image;
    switch (orientation) {
    case 2: case 5: return out.mirrored(true, false);
    case 3: return out.mirrored(true, true);
    case 4: case 7: return out.mirrored(false, true);
    default: return out;
    }
}

} // namespace

bool walkSegments(const QByteArray &data, const std::function<void(const uchar *, int)> &onScan)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const qint64 n = data.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    qint64 i = 2;
    for (;;) {
        // Bytes before a marker are skipped, as the decoder does.
        if (i >= n)
            return false;
        if (p[i] != 0xFF) {
            const void *ff = std::memchr(p + i, 0xFF, size_t(n - i));
            if (!ff)
                return false;
            i = static_cast<const uchar *>(ff) - p;
        }
        while (i < n && p[i] == 0xFF)
            ++i;
        if (i >= n)
            return false;
        const uchar marker = p[i++];
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
            continue;   // markers without a segment
        if (i + 2 > n)
            return false;
        const qint64 length = qFromBigEndian<quint16>(p + i);
        if (length < 2 || i + length > n)
            return false;
        if (marker == 0xDA && onScan && length > 2)
            onScan(p + i + 2, int(length - 2));
        i += length;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data of a scan: 0xFF is followed by a stuffed zero
        // or a restart marker until the next real marker.
        for (;;) {
            const void *ff = i < n ? std::memchr(p + i, 0xFF, size_t(n - i)) : nullptr;
            if (!ff)
                return false;
            i = static_cast<const uchar *>(ff) - p;
            if (i + 1 >= n)
                return false;
            const uchar next = p[i + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                i += 2;
            else if (next == 0xFF)
                ++i;
            else
                break;
        }
    }
}

bool affordable(const Cost &cost, qint64 fileSize)
{
    return cost.memory <= FreeMemory + MemoryPerByte * fileSize
           && cost.blockVisits <= FreeBlockVisits + BlockVisitsPerByte * fileSize;
}

QSize scaledSize(const QSize &full, int eighths)
{
    return QSize(int((qint64(full.width()) * eighths + 7) / 8), int((qint64(full.height()) * eighths + 7) / 8));
}

int scaleFor(const QSize &full, const QSize &wanted)
{
    for (int n = 1; n < 8; ++n) {
        const QSize s = scaledSize(full, n);
        if (s.width() >= wanted.width() && s.height() >= wanted.height())
            return n;
    }
    return 8;
}

QSize declaredSize(const QByteArray &data)
{
    Session s{};
    s.d.err = jpeg_std_error(&s.failure.manager);
    s.failure.manager.error_exit = onError;
    s.failure.manager.emit_message = onMessage;
    jpeg_create_decompress(&s.d);
    QSize size;
    if (readHeader(s, data))
        size = QSize(int(s.d.image_width), int(s.d.image_height));
    if (size.isValid() && orientation(s.d) >= 5)
        size.transpose();
    jpeg_destroy_decompress(&s.d);
    return size;
}

Outcome decode(const QByteArray &data, const QSize &wanted, QImage *out)
{
    *out = QImage();
    Session s{};
    s.d.err = jpeg_std_error(&s.failure.manager);
    s.failure.manager.error_exit = onError;
    s.failure.manager.emit_message = onMessage;
    jpeg_create_decompress(&s.d);
    s.d.mem->max_memory_to_use = MaxDecoderMemory;
    s.progress.progress_monitor = onProgress;
    s.d.progress = &s.progress;

    Outcome outcome = Outcome::NotReadable;
    if (readHeader(s, data)) {
        const QSize full(int(s.d.image_width), int(s.d.image_height));
        // wanted is in the picture's own orientation, the data may lie turned.
        const int turn = orientation(s.d);
        const int eighths = scaleFor(full, turn >= 5 ? wanted.transposed() : wanted);
        if (!prepare(s, eighths)) {
            outcome = s.failure.tooLarge ? Outcome::TooLarge : Outcome::NotReadable;
        } else if (const qint64 coefficients = jpeg_has_multiple_scans(&s.d) ? coefficientBytes(s.d) : 0,
                   pixels = qint64(s.d.output_width) * s.d.output_height, visits = scanWork(data, s.d);
                   coefficients > MaxDecoderMemory || pixels > MaxOutputPixels || visits > MaxBlockScans
                   || !affordable(Cost{visits, coefficients + 4 * pixels}, data.size())) {
            // Checked before a byte is decoded: a file of several scans keeps all
            // its coefficients at full size, whatever the output size, and its
            // scans may each walk over all of them.
            outcome = Outcome::TooLarge;
        } else {
            QImage image(int(s.d.output_width), int(s.d.output_height), QImage::Format_RGB32);
            if (image.isNull())
                outcome = Outcome::TooLarge;
            else if (run(s, &image))
                outcome = Outcome::Ok, *out = upright(image, turn);
            else
                outcome = s.failure.tooLarge ? Outcome::TooLarge : Outcome::NotReadable;
        }
    }
    jpeg_destroy_decompress(&s.d);
    return outcome;
}

} // namespace JpegDecoder
