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

} // namespace CursorFile
