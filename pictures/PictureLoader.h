#pragma once
// Loads a picture file of any of the game's formats (JPEG, Windows bitmap,
// GIF, Windows metafile), the format decided from the content, not the name.
#include "pictures/PictureError.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace PictureLoader {

// Loads the picture at path. A picture larger than needed may be decoded at a
// reduced size, but never smaller than `needed` in either direction (JPEG
// scales in the decoder). The memory and time a picture may take are bounded
// (Qt's allocation limit, the JPEG decoder's bounds, the metafile size cap);
// a picture beyond them is refused as too large. On failure returns a null
// image and, when error is given, the reason. Uses no windowing, so it
// may run on any thread.
QImage load(const QString &path, const QSize &needed, PictureError *error = nullptr);

// The same for a picture held in memory (fuzzing, tests).
QImage loadData(const QByteArray &data, const QSize &needed, PictureError *error = nullptr);

// The size a picture of size full is decoded at: full itself unless it is
// larger than needed in both directions; then full scaled down, aspect ratio
// kept, as far as it goes while both sides stay at least needed.
QSize reducedSize(const QSize &full, const QSize &needed);

// The size a JPEG is decoded at: the decoder scales by n/8 (n = 1 .. 8) in
// the DCT itself, giving ceil(side * n / 8); the smallest of those sizes
// that still covers reducedSize() is used, with no second scaling pass.
QSize jpegDecodeSize(const QSize &full, const QSize &needed);

} // namespace PictureLoader
