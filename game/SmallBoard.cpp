#include "game/SmallBoard.h"

#include <algorithm>
#include <array>

namespace SmallBoard {

namespace {

constexpr int Empty = FieldCount - 1;

int neighbours(int f, int *out)
{
    const int r = f / Side, c = f % Side;
    int n = 0;
    if (r > 0) out[n++] = f - Side;
    if (c > 0) out[n++] = f - 1;
    if (c < Side - 1) out[n++] = f + 1;
    if (r < Side - 1) out[n++] = f + Side;
    return n;
}

std::vector<std::uint8_t> count()
{
    // Breadth-first from home; the queue holds the boards themselves, a
    // byte a field, so that no position has to be rebuilt from its rank.
    std::vector<std::uint8_t> d(Positions, Unreachable);
    std::vector<std::array<std::uint8_t, FieldCount>> queue;
    queue.reserve(Positions / 2);
    std::array<std::uint8_t, FieldCount> home;
    int values[FieldCount];
    for (int f = 0; f < FieldCount; ++f)
        home[std::size_t(f)] = std::uint8_t(f), values[f] = f;
    queue.push_back(home);
    d[rank(values)] = 0;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        std::array<std::uint8_t, FieldCount> board = queue[head];
        for (int f = 0; f < FieldCount; ++f)
            values[f] = board[std::size_t(f)];
        const std::uint8_t depth = std::uint8_t(d[rank(values)] + 1);
        const int blank = int(std::find(board.begin(), board.end(), Empty) - board.begin());
        int around[4];
        const int n = neighbours(blank, around);
        for (int j = 0; j < n; ++j) {
            std::swap(values[blank], values[around[j]]);
            const std::uint32_t s = rank(values);
            if (d[s] == Unreachable) {
                d[s] = depth;
                std::swap(board[std::size_t(blank)], board[std::size_t(around[j])]);
                queue.push_back(board);
                std::swap(board[std::size_t(blank)], board[std::size_t(around[j])]);
            }
            std::swap(values[blank], values[around[j]]);
        }
    }
    return d;
}

} // namespace

std::uint32_t rank(const int *board)
{
    std::uint32_t r = 0;
    unsigned used = 0;
    for (int i = 0; i < FieldCount; ++i) {
        const int v = board[i];
        const int below = __builtin_popcount(used & ((1u << v) - 1));
        used |= 1u << v;
        r = r * std::uint32_t(FieldCount - i) + std::uint32_t(v - below);
    }
    return r;
}

const std::vector<std::uint8_t> &distances()
{
    static const std::vector<std::uint8_t> table = count();
    return table;
}

std::vector<int> solve(const int *start)
{
    const std::vector<std::uint8_t> &d = distances();
    int board[FieldCount];
    std::copy(start, start + FieldCount, board);
    std::vector<int> moves;
    for (int left = d[rank(board)]; left > 0 && left != Unreachable; --left) {
        const int blank = int(std::find(board, board + FieldCount, Empty) - board);
        int around[4];
        const int n = neighbours(blank, around);
        for (int j = 0; j < n; ++j) {
            std::swap(board[blank], board[around[j]]);
            if (d[rank(board)] == left - 1) {
                moves.push_back(around[j]);
                break;
            }
            std::swap(board[blank], board[around[j]]);
        }
    }
    return moves;
}

} // namespace SmallBoard
