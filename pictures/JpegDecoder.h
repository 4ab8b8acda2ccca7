#pragma once
// JPEG decoding with bounded cost. The decoder is told before decoding how
// much memory it may take, how many scans it may read and how many blocks
// they may visit together, so that a small file declaring a huge picture,
// thousands of progressive scans, or a hundred scans over a huge picture, is
// refused quickly instead of taking gigabytes or minutes. Large pictures are
// scaled down in the decoder itself (by n/8), so a big photograph never
// exists at full size in memory. Safe to use from any thread.
#include <QByteArray>
#include <QImage>
#include <QSize>

#include <functional>

namespace JpegDecoder {

// Memory the decoder may use for one picture, beside the decoded picture.
constexpr long MaxDecoderMemory = 512L * 1024 * 1024;
// Progressive scans read at most; real photographs have about ten.
constexpr int MaxScans = 100;
// Blocks of 8 x 8 samples all scans together visit at most: a photograph
// decodes every block of every component in about six to ten scans, so a
// picture within the memory bound (4 million blocks) stays within 16 visits
// of each, and a 100-megapixel photograph needs about 13 million.
constexpr qint64 MaxBlockScans = 64LL * 1024 * 1024;
// Largest decoded picture, in pixels.
constexpr qint64 MaxOutputPixels = 32LL * 1024 * 1024;

// Within those bounds, the work a file may cost grows with its size, so that
// a few bytes cannot stand for a huge picture: arithmetic coding, or a scan
// whose data ends early (the decoder reads on as if zeros followed), lets a
// file of a hundred bytes name every block of a 16000 x 16000 picture. Any
// file may cost FreeMemory and FreeBlockVisits (a progressive picture of
// about 16 million pixels, whatever it holds); every byte of the file adds
// MemoryPerByte and BlockVisitsPerByte. Real photographs take far more
// bytes than that: a 12000 x 8340 progressive photograph needs about 300 MB
// of coefficients and 12 million block visits, and is tens of MB long,
// where 1 MB would do.
constexpr qint64 FreeMemory = 48LL * 1024 * 1024;
constexpr qint64 MemoryPerByte = 256;
constexpr qint64 FreeBlockVisits = 2LL * 1024 * 1024;
constexpr qint64 BlockVisitsPerByte = 16;

// What decoding a file costs, known from its header and its scans' headers
// before any of it is decoded: the blocks all its scans visit together, and
// the memory the decoder takes (the coefficients it keeps for a file of
// several scans, and the decoded picture).
struct Cost {
    qint64 blockVisits = 0;
    qint64 memory = 0;
};
// True when a file of fileSize bytes may cost that much.
bool affordable(const Cost &cost, qint64 fileSize);

enum class Outcome { Ok, TooLarge, NotReadable };

// The smallest scale n/8 (n = 1 .. 8) whose output covers `wanted`, and the
// output size the decoder gives for it: ceil(side * n / 8).
int scaleFor(const QSize &full, const QSize &wanted);
QSize scaledSize(const QSize &full, int eighths);

// Decodes data, scaled by scaleFor(full, wanted), and turns or mirrors it as
// its EXIF orientation says (a phone's portrait photo is stored lying on its
// side); wanted and declaredSize() are in that upright orientation. A
// picture whose decoding would pass the bounds above, or cost more than its
// size affords, gives TooLarge and a null image.
Outcome decode(const QByteArray &data, const QSize &wanted, QImage *out);

// Walks the file's segments from the start marker on: false when they do
// not run on to the end-of-image marker (a file cut short, whose missing
// part the decoder would fill with grey). onScan, when given, gets the
// content of every start-of-scan segment (the components it names).
bool walkSegments(const QByteArray &data, const std::function<void(const uchar *scan, int length)> &onScan);

// The size the file declares, upright, or an invalid size when its header is
// damaged.
QSize declaredSize(const QByteArray &data);

} // namespace JpegDecoder
