#pragma once
// Scaling a picture to the board and cutting it into the tile pictures of a
// board of any side; the number drawn on a tile.
#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

class QIODevice;
class QPainter;

namespace TileCutter {

// How a picture that is not square becomes the square board.
enum class Fit {
    Stretch,        // the whole picture, stretched (a photo is squeezed)
    CropToSquare,   // its centre square, undistorted; the rest is cut away
};

// The picture made a square of side pixels by fit, smoothly.
QImage scaleToBoard(const QImage &picture, int side, Fit fit = Fit::Stretch);

// The part of a picture of size that fit shows on the board: the whole
// picture, or its largest centred square.
QRect boardSourceRect(const QSize &size, Fit fit);

// Cuts the board picture into side x side tiles: tile k is the square of
// side `inner` at (k mod side * inner, k div side * inner), stretched to side
// `outer`. With inner == outer the tiles are exact, unscaled squares of the
// board picture. All lengths are in the picture's own pixels. No tiles for
// a null picture or a side or length below one.
std::vector<QImage> cut(const QImage &board, int side, int inner, int outer);

// The board picture from its working copy, a Windows bitmap of 24 bits per
// pixel without compression (as the working copy is written), with rows
// bottom-up or top-down, in Format_RGB32. Null for any other bitmap, a
// damaged or shortened one, or one wider or higher than maxSide. Read
// directly, without Qt's image plugins, as it is on the way to the first
// board: from a device (the file) a few rows at a time, so that no copy
// of the whole file is made, into memory that is mapped in with one call.
QImage boardFromBitmap(QIODevice &in, int maxSide);

// A neutral tile face with its number, shown when no picture could be cut so
// the board stays playable: deviceSide pixels square, drawn at
// devicePixelRatio.
QImage numberedTile(int tile, int deviceSide, qreal devicePixelRatio);

// The tile's number (tile + 1, as the player counts) in the top-left corner
// of a field (device pixels), sized to the field: light text with a dark
// outline, legible on any picture.
void drawNumber(QPainter &painter, const QRect &field, int tile);

} // namespace TileCutter
