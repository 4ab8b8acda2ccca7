#pragma once
// Steine_Mischen: a new random layout for ZArray (FeldAnz + 1 elements, for a
// board of FeldAnz = side x side fields): the tiles 0..FeldAnz-2 on the fields
// but the last, the last element of the board FeldAnz-1 and the one past it
// FeldAnz, the empty field the last one.
#include <QVector>
#include <functional>
#include <random>

// A draw of a uniform single-precision number r with 0 <= r < 1.
using RandomDraw = std::function<float()>;

// The game's one generator, seeded once from the clock at start-up.
class RandomSource
{
public:
    RandomSource();                          // seeded from the clock
    explicit RandomSource(std::uint64_t seed);
    float next();                            // uniform in [0, 1)
    RandomDraw draw() { return [this] { return next(); }; }

private:
    std::mt19937_64 m_gen;
};

// Draws the tiles field by field as floor((FeldAnz - 1) * r) (floor(15 * r) on
// the 4 x 4 board), drawing a field again while its tile is already placed.
// Only layouts that sliding moves can solve are dealt (an odd arrangement has
// the tiles of the two fields before the last exchanged, which maps the odd
// arrangements one to one onto the even ones), and never the solved one (it
// is drawn again), so every solvable unsolved layout is equally likely.
QVector<qint16> Steine_Mischen(const RandomDraw &draw, int side);
