#pragma once
// The Windows cursor file format (.cur): an icon directory of type 2 whose
// entry carries the hot spot, followed by a 32-bit bitmap with its AND mask.
// Qt's image plugins read such files but write only icons, and they do not
// report the hot spot, so both directions are kept here.
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <optional>

namespace CursorFile {

// A one-image cursor file of image (at most 256 x 256) with the given hot spot.
// Fully transparent pixels are marked in the AND mask as well, so that readers
// that ignore the alpha channel still see the shape.
QByteArray encode(const QImage &image, QPoint hotSpot);

// The hot spot of the first image of a cursor file, or nothing when bytes is
// not a cursor file (too short, wrong type, no image, hot spot outside).
std::optional<QPoint> hotSpot(const QByteArray &bytes);

// Largest cursor taken, in pixels each way; a larger picture could not be
// shown as a pointer (the display server refuses it and drops the game).
constexpr int MaxSide = 64;

struct Cursor {
    QImage image;
    QPoint hotSpot;   // inside image; the top left corner when the file has none
};

// The first image of a cursor file and its hot spot, or nothing when bytes is
// not a cursor or its picture is larger than MaxSide either way. The size is
// checked in the directory and in the picture's own header before decoding.
std::optional<Cursor> decode(const QByteArray &bytes);

// The same for the file at path; nothing when it is missing, not a regular
// file (a FIFO is never waited for) or far larger than a cursor.
std::optional<Cursor> read(const QString &path);

} // namespace CursorFile
