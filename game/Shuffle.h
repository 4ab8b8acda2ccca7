#pragma once
// Steine_Mischen: a new random layout for ZArray (17 elements): the tiles
// 0..14 on fields 0..14, element 15 = 15 and element 16 = 16, the empty field
// at 15.
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

// Draws the tiles field by field as floor(15 * r), drawing a field again while
// its tile is already placed. Only layouts that sliding moves can solve are
// dealt (an odd arrangement has the tiles of fields 13 and 14 exchanged, which
// maps the odd arrangements one to one onto the even ones), and never the
// solved one (it is drawn again), so every solvable unsolved layout is equally
// likely.
QVector<qint16> Steine_Mischen(const RandomDraw &draw);
