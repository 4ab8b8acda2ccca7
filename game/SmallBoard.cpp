#include "game/SmallBoard.h"

#include <algorithm>

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

void unrank(std::uint32_t r, int *board)
{
    // Digit i, of weight (8-i)!, is the value's place among the values not
    // used yet (the inverse of rank()).
    bool used[FieldCount] = {};
    std::uint32_t weight = 40320;   // 8!
    for (int i = 0; i < FieldCount; ++i) {
        const std::uint32_t digit = r / weight;
        r %= weight;
        if (i < FieldCount - 1)
            weight /= std::uint32_t(FieldCount - 1 - i);
        int v = 0;
        for (std::uint32_t skip = digit;; ++v)
            if (!used[v] && skip-- == 0)
                break;
        used[v] = true;
        board[i] = v;
    }
}

std::vector<std::uint8_t> count()
{
    std::vector<std::uint8_t> d(Positions, Unreachable);
    std::vector<std::uint32_t> level, next;
    int home[FieldCount];
    for (int f = 0; f < FieldCount; ++f)
        home[f] = f;
    level.push_back(rank(home));
    d[level[0]] = 0;
    for (std::uint8_t depth = 1; !level.empty(); ++depth) {
        next.clear();
        for (const std::uint32_t r : level) {
            int board[FieldCount];
            unrank(r, board);
            const int blank = int(std::find(board, board + FieldCount, Empty) - board);
            int around[4];
            const int n = neighbours(blank, around);
            for (int j = 0; j < n; ++j) {
                std::swap(board[blank], board[around[j]]);
                const std::uint32_t s = rank(board);
                if (d[s] == Unreachable) {
                    d[s] = depth;
                    next.push_back(s);
                }
                std::swap(board[blank], board[around[j]]);
            }
        }
        level.swap(next);
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
