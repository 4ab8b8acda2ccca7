#pragma once
// The working copy of the current picture: the picture scaled to the square
// board and kept as Images/bild.jpg (in the Windows bitmap format), with a
// note that says what it was made from. A working copy made from the same
// picture file, for the same board side, cut the same way and turned
// upright by the same rules is taken as it is instead of decoding the
// picture again. Uses no windowing: every call may run on any thread.
#include "pictures/PictureError.h"
#include "pictures/TileCutter.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace WorkingCopy {

// The version of the rules that turn a decoded picture upright (the JPEG
// decoder applies its EXIF orientation). A working copy noted with another
// version (or none) was made by an older build and is made again.
constexpr int UprightVersion = 2;

// What a board picture is made from: the picture file as it stands (its
// identity on disk), the board side in pixels, the fit and the upright
// version (an older one names a copy an older build made). Empty when there
// is no picture file.
QByteArray identity(const QString &picture, int side, TileCutter::Fit fit, int upright = UprightVersion);

// What became of a request for a board picture.
struct Result {
    QImage board;                               // side x side pixels; null on failure
    PictureError error = PictureError::None;    // why there is no board picture
    bool missing = false;                       // no picture file under that path
    bool reused = false;                        // the working copy was taken as it was
};

// The board picture of picture for a board of side x side pixels, cut by fit.
// The working copy at copyPath is taken when its note names this very
// identity and the file has not changed since; otherwise the picture is
// decoded, scaled, written to copyPath, read back and noted.
Result boardPicture(const QString &copyPath, const QString &picture, int side, TileCutter::Fit fit);

// The same for a picture already decoded (one that was checked before it
// was taken): scaled, written, read back and noted as made from madeFrom,
// the identity() its file had before it was decoded.
Result fromDecoded(const QString &copyPath, const QByteArray &madeFrom, const QImage &decoded, int side,
                   TileCutter::Fit fit);

} // namespace WorkingCopy
