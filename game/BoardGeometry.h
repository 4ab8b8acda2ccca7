#pragma once
// What the searches for boards of any side share: the fields' neighbours, the
// tiles' distances from home, the random numbers a position's hash is made
// of, and the linear conflicts of a row or column. Boards as in the solver:
// side*side values, tile t home on field t, side*side-1 the empty field.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>

struct BoardGeometry {
    static constexpr int MaxSide = 6;
    static constexpr int MaxFields = MaxSide * MaxSide;
    static constexpr int MaxLines = 2 * MaxSide;

    int side = 0, fields = 0, empty = 0;
    int neighbours[MaxFields][4] = {};
    int count[MaxFields] = {};
    int distance[MaxFields][MaxFields] = {};   // of tile t on field f from home; 0 for the empty field
    std::uint64_t key[MaxFields][MaxFields] = {};   // per value and field

    explicit BoardGeometry(int s) : side(s), fields(s * s), empty(s * s - 1)
    {
        for (int f = 0; f < fields; ++f) {
            const int r = f / side, c = f % side;
            int n = 0;
            if (r > 0) neighbours[f][n++] = f - side;
            if (c > 0) neighbours[f][n++] = f - 1;
            if (c < side - 1) neighbours[f][n++] = f + 1;
            if (r < side - 1) neighbours[f][n++] = f + side;
            count[f] = n;
        }
        for (int t = 0; t < fields; ++t)
            for (int f = 0; f < fields; ++f)
                distance[t][f] = t == empty ? 0 : std::abs(t / side - f / side) + std::abs(t % side - f % side);
        std::mt19937_64 random(0x5eed);
        for (auto &row : key)
            for (std::uint64_t &k : row)
                k = random();
    }

    // Lines 0..side-1 are the rows, side..2*side-1 the columns.
    int rowLine(int f) const { return f / side; }
    int columnLine(int f) const { return side + f % side; }
    // The lines a tile's move from one field to the next changes: along a
    // row its column, along a column its row (its order along the line it
    // moves in stays).
    void linesChanged(int from, int to, int *a, int *b) const
    {
        const bool alongRow = from / side == to / side;
        *a = alongRow ? columnLine(from) : rowLine(from);
        *b = alongRow ? columnLine(to) : rowLine(to);
    }

    // Two moves for each tile home in the line that must leave it so that
    // the others can pass: the tiles home in the line less the longest run
    // of them already in the order of their home fields. Added to the
    // Manhattan distance over all rows and columns, still a lower bound.
    template <typename Value>
    int conflicts(const Value *board, int line) const
    {
        int tails[MaxSide];
        int tiles = 0, longest = 0;
        for (int i = 0; i < side; ++i) {
            const int f = line < side ? line * side + i : i * side + (line - side);
            const int t = int(board[f]);
            if (t == empty)
                continue;
            int along;
            if (line < side) {
                if (t / side != line)
                    continue;
                along = t % side;
            } else {
                if (t % side != line - side)
                    continue;
                along = t / side;
            }
            ++tiles;
            const int at = int(std::lower_bound(tails, tails + longest, along) - tails);
            tails[at] = along;
            longest = std::max(longest, at + 1);
        }
        return 2 * (tiles - longest);
    }
};
