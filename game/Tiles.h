#pragma once
// The board in numbers, shared by the game, the solver and the saved games.
//
// A board is sixteen fields, 0..15 row by row from the top left. Field p holds
// the number of the tile standing on it: 0..14 for the tiles in play, and
// Empty (15, the number of the picture's never-shown bottom-right square) for
// the empty field. Tile t is home on field t, so the solved board is
// 0, 1, ..., 14, Empty.
//
// Layouts (ZArray, the lines of a saved game) write the empty field as Leer
// (100); a layout taken right after cutting may still carry 15 there. Both
// mean the empty field.
#include <QVector>
#include <array>
#include <optional>

namespace Tiles {

constexpr int Side = 4;          // fields along each side of the board
constexpr int FeldAnz = Side * Side;   // fields on the board
constexpr int Empty = 15;        // the empty field's number on a board
constexpr qint16 Leer = 100;     // the empty field's number in a layout

using Fields = std::array<int, FeldAnz>;

// The number of single steps along rows and columns between two fields
// (their Manhattan distance); for tile t on field f, steps(t, f) is how far
// it is from home.
constexpr int steps(int a, int b)
{
    const int rows = a / 4 - b / 4, columns = a % 4 - b % 4;
    return (rows < 0 ? -rows : rows) + (columns < 0 ? -columns : columns);
}

// The solved board.
Fields home();

// The board that the first sixteen values of a layout describe; nothing when
// they are not tiles 0..14 once each plus one empty field (Leer or 15), or
// when the layout is shorter than sixteen.
std::optional<Fields> fromLayout(const QVector<qint16> &layout);

// The layout of a board: the empty field as Leer.
QVector<qint16> toLayout(const Fields &board);

// Tiles 0..14 once each plus one Empty.
bool isValid(const Fields &board);

// Valid, and sliding moves can bring it home. Every slide swaps the empty
// field with a neighbour: it flips the parity of the arrangement and the
// parity of the empty field's distance from home together, and home has both
// even.
bool isSolvable(const Fields &board);

// Parity of the arrangement: true when it takes an even number of swaps.
bool isEvenArrangement(const int *values, int count);

// The move rule: the fields a tile on field s may slide to, its orthogonal
// neighbours without wrap-around; none for s outside 0..15.
QVector<int> moveTargets(int s);
bool isMoveAllowed(int s, int t);

} // namespace Tiles
