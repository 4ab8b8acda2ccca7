#pragma once
// The board in numbers, shared by the game, the solver and the saved games.
//
// A board has side x side fields, numbered row by row from the top left; the
// side is one value, from MinSide to MaxSide (the documented board is
// DocumentedSide x DocumentedSide). Field p holds the number of the tile
// standing on it: 0 .. side*side-2 for the tiles in play, and emptyTile(side)
// (the number of the picture's never-shown bottom-right square) for the empty
// field. Tile t is home on field t, so the solved board is 0, 1, ...,
// side*side-2, emptyTile(side).
//
// Layouts (ZArray, the lines of a saved game) write the empty field as Leer
// (100); a layout taken right after cutting may still carry emptyTile(side)
// there. Both mean the empty field.
#include <QVector>
#include <optional>
#include <vector>

namespace Tiles {

constexpr int DocumentedSide = 4;             // the board as the game has always had it
constexpr int MinSide = 3;
constexpr int MaxSide = 6;
constexpr int MaxFields = MaxSide * MaxSide;
constexpr qint16 Leer = 100;                  // the empty field's number in a layout

constexpr bool isSide(int side) { return side >= MinSide && side <= MaxSide; }
constexpr int fieldCount(int side) { return side * side; }
constexpr int emptyTile(int side) { return side * side - 1; }

// A board: fieldCount(side) values, field by field.
using Fields = std::vector<int>;

// The side of a board: 0 when its size is not the square of a side in range.
int sideOf(const Fields &board);

// The number of single steps along rows and columns between two fields
// (their Manhattan distance); for tile t on field f, steps(t, f, side) is how
// far it is from home.
constexpr int steps(int a, int b, int side)
{
    const int rows = a / side - b / side, columns = a % side - b % side;
    return (rows < 0 ? -rows : rows) + (columns < 0 ? -columns : columns);
}

// The solved board.
Fields home(int side);

// The board that the first fieldCount(side) values of a layout describe;
// nothing when they are not the tiles once each plus one empty field (Leer or
// emptyTile(side)), when the layout is shorter, or the side out of range.
std::optional<Fields> fromLayout(const QVector<qint16> &layout, int side);

// The layout of a board: the empty field as Leer.
QVector<qint16> toLayout(const Fields &board);

// A side in range, the tiles once each plus one empty field.
bool isValid(const Fields &board);

// Valid, and sliding moves can bring it home. Every slide swaps the empty
// field with a neighbour: it flips the parity of the arrangement and the
// parity of the empty field's distance from home together, and home has both
// even. This holds for every side.
bool isSolvable(const Fields &board);

// Parity of the arrangement: true when it takes an even number of swaps.
bool isEvenArrangement(const int *values, int count);

// The move rule: the fields a tile on field s may slide to, its orthogonal
// neighbours without wrap-around; none for s off the board.
QVector<int> moveTargets(int s, int side);
bool isMoveAllowed(int s, int t, int side);

} // namespace Tiles
