#include "game/Solver.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int Side = Tiles::DocumentedSide;   // the tables are made for this board
constexpr int Empty = Tiles::emptyTile(Side);
constexpr int MaxGroups = PatternDatabase::GroupCount;
constexpr int MaxGroupSize = PatternDatabase::MaxGroupSize;
constexpr int MaxLength = 96;          // every position needs at most 80 moves
constexpr std::uint64_t CancelCheckMask = 0x3FFF;

// The mirror image across the main diagonal: field (row, column) goes to
// (column, row). Home maps onto home when tile t is renamed to transpose(t).
constexpr int transpose(int f) { return (f & 3) * 4 + (f >> 2); }

struct NeighbourList {
    int field[16][4];
    int count[16];
    constexpr NeighbourList() : field(), count()
    {
        for (int f = 0; f < 16; ++f) {
            const int r = f / 4, c = f % 4;
            int n = 0;
            if (r > 0) field[f][n++] = f - 4;
            if (c > 0) field[f][n++] = f - 1;
            if (c < 3) field[f][n++] = f + 1;
            if (r < 3) field[f][n++] = f + 4;
            count[f] = n;
        }
    }
};
constexpr NeighbourList Neighbours;

// Manhattan distance of tile t on field f from its home field t, looked up.
struct DistanceTable {
    int d[16][16];
    constexpr DistanceTable() : d()
    {
        for (int t = 0; t < 16; ++t)
            for (int f = 0; f < 16; ++f)
                d[t][f] = Tiles::steps(t, f, Side);
    }
};
constexpr DistanceTable Distance;

class Search
{
public:
    Search(const PatternDatabase &db, const Tiles::Fields &board, const std::atomic<bool> *cancel)
        : m_cancel(cancel)
    {
        for (int g = 0; g < m_groupCount; ++g) {
            const auto &tiles = PatternDatabase::groups()[g];
            m_groups[g].table = db.table(g);
            m_groups[g].k = int(tiles.size());
            for (int i = 0; i < m_groups[g].k; ++i) {
                m_groups[g].tiles[i] = tiles[i];
                m_slot[tiles[i]] = i;
                std::int32_t w = 1;
                for (int j = i + 1; j < m_groups[g].k; ++j)
                    w *= 16 - j;
                m_weight[tiles[i]] = w;
            }
        }
        for (int t = 0; t < 16; ++t)
            m_groupOf[t] = t < Empty ? db.groupOf(t) : -1; // the empty field is in no group
        // Where each tile lies, on the board and on its mirror image.
        int pos[16], mpos[16];
        for (int p = 0; p < 16; ++p) {
            m_board[p] = board[p];
            pos[board[p]] = p;
            mpos[transpose(board[p])] = transpose(p);
        }
        m_blank = pos[Empty];
        m_hSum = m_mSum = m_manhattan = 0;
        for (int t = 0; t < Empty; ++t)
            m_manhattan += Distance.d[t][pos[t]];
        for (int g = 0; g < m_groupCount; ++g) {
            m_idx[g] = index(g, pos);
            m_midx[g] = index(g, mpos);
            m_h[g] = PatternDatabase::extraMoves(m_groups[g].table, m_idx[g]);
            m_m[g] = PatternDatabase::extraMoves(m_groups[g].table, m_midx[g]);
            m_hSum += m_h[g];
            m_mSum += m_m[g];
        }
    }

    // The Manhattan distance of the board (the same on its mirror image)
    // and twice the larger sum of the groups' extra moves, board or mirror.
    int bound() const { return m_manhattan + 2 * std::max(m_hSum, m_mSum); }

    void run(Solver::Result &result)
    {
        const int blank = m_blank;
        // Every move moves the empty field one step, so the length has the
        // parity of its distance from home.
        const int parity = ((3 - blank / 4) + (3 - blank % 4)) & 1;
        auto withParity = [parity](int b) { return (b & 1) == parity ? b : b + 1; };

        int limit = withParity(bound());
        result.status = Solver::Status::Solved;
        if (bound() == 0) {
            result.length = 0;
            return;
        }
        if (limit > MaxLength) { // bounds are far lower; the path must fit
            result.status = Solver::Status::Unsolvable;
            return;
        }
        for (;;) {
            m_next = MaxLength + 1;
            if (dfs(0, blank, -1, limit)) {
                result.length = m_length;
                result.moves.assign(m_path, m_path + m_length);
                break;
            }
            if (m_cancelled) {
                result.status = Solver::Status::Cancelled;
                break;
            }
            limit = withParity(m_next);
            if (limit > MaxLength) { // cannot happen for a solvable board
                result.status = Solver::Status::Unsolvable;
                break;
            }
        }
        result.nodesExpanded = m_nodes;
    }

private:
    struct Group {
        const std::uint8_t *table = nullptr;
        int k = 0;
        int tiles[MaxGroupSize] = {};
    };

    // Index into group g's table for a board given as tile -> field.
    std::uint32_t index(int g, const int *tilePos) const
    {
        const Group &grp = m_groups[g];
        int pos[MaxGroupSize];
        for (int i = 0; i < grp.k; ++i)
            pos[i] = tilePos[grp.tiles[i]];
        return PatternDatabase::rank(pos, grp.k);
    }

    // Index of group g after tile moved from one field to the next one,
    // given the index before; tileOn(f) tells the tile on field f before the
    // move. A step along a row passes over no field: only the tile's digit
    // changes, by one. A step along a column passes over the three fields
    // between: the tile's digit changes by four less the earlier tiles of the
    // group passed over, and the digit of each later tile of the group passed
    // over changes by one the other way.
    template <typename TileOn>
    std::uint32_t indexAfterMove(int g, std::uint32_t before, int tile, int from, int to,
                                 TileOn tileOn) const
    {
        const int step = to - from;
        const int i = m_slot[tile];
        const std::int32_t w = m_weight[tile];
        std::int32_t r = std::int32_t(before) + step * w;
        if (step == 4 || step == -4) {
            const int lo = step > 0 ? from : to;
            const int sign = step > 0 ? 1 : -1;
            for (int f = lo + 1; f < lo + 4; ++f) {
                const int t = tileOn(f);
                if (m_groupOf[t] == g)
                    r += m_slot[t] < i ? -sign * w : sign * m_weight[t];
            }
        }
        return std::uint32_t(r);
    }

    // Depth-first search below the position reached after depth moves, the
    // empty field on blank, having come from prev; true when home is reached
    // within limit moves.
    bool dfs(int depth, int blank, int prev, int limit)
    {
        ++m_nodes;
        if ((m_nodes & CancelCheckMask) == 0 && m_cancel
            && m_cancel->load(std::memory_order_relaxed))
            m_cancelled = true;
        if (m_cancelled)
            return false;
        const int mBlank = transpose(blank);

        // The children's table entries are located and fetched first, so the
        // memory accesses of all children overlap.
        struct Child {
            int from, tile, mTile, g, mg;
            std::uint32_t hIdx, mIdx;
        };
        Child children[4];
        int count = 0;
        for (int j = 0; j < Neighbours.count[blank]; ++j) {
            const int from = Neighbours.field[blank][j];
            if (from == prev)
                continue;
            Child &c = children[count++];
            c.from = from;
            c.tile = m_board[from];
            c.mTile = transpose(c.tile);
            c.g = m_groupOf[c.tile];
            c.mg = m_groupOf[c.mTile];
            // The tile on from slides into the empty field.
            c.hIdx = indexAfterMove(c.g, m_idx[c.g], c.tile, from, blank,
                                    [this](int f) { return m_board[f]; });
            c.mIdx = indexAfterMove(c.mg, m_midx[c.mg], c.mTile, transpose(from), mBlank,
                                    [this](int f) { return transpose(m_board[transpose(f)]); });
            __builtin_prefetch(m_groups[c.g].table + (c.hIdx >> 2));
            __builtin_prefetch(m_groups[c.mg].table + (c.mIdx >> 2));
        }

        for (int j = 0; j < count; ++j) {
            const Child &c = children[j];
            const int h = PatternDatabase::extraMoves(m_groups[c.g].table, c.hIdx);
            const int m = PatternDatabase::extraMoves(m_groups[c.mg].table, c.mIdx);
            const int hSum = m_hSum - m_h[c.g] + h;
            const int mSum = m_mSum - m_m[c.mg] + m;
            const int manhattan = m_manhattan - Distance.d[c.tile][c.from] + Distance.d[c.tile][blank];
            const int f = depth + 1 + manhattan + 2 * std::max(hSum, mSum);
            if (f <= limit) {
                m_path[depth] = c.from;
                if (manhattan == 0) {
                    m_length = depth + 1;
                    return true;
                }
                const int oldH = m_h[c.g], oldM = m_m[c.mg], oldHSum = m_hSum, oldMSum = m_mSum;
                const int oldManhattan = m_manhattan;
                const std::uint32_t oldIdx = m_idx[c.g], oldMIdx = m_midx[c.mg];
                m_h[c.g] = h;
                m_m[c.mg] = m;
                m_idx[c.g] = c.hIdx;
                m_midx[c.mg] = c.mIdx;
                m_hSum = hSum;
                m_mSum = mSum;
                m_manhattan = manhattan;
                m_board[blank] = c.tile;
                m_board[c.from] = Empty;
                if (dfs(depth + 1, c.from, blank, limit))
                    return true;
                m_board[c.from] = c.tile;
                m_board[blank] = Empty;
                m_h[c.g] = oldH;
                m_m[c.mg] = oldM;
                m_idx[c.g] = oldIdx;
                m_midx[c.mg] = oldMIdx;
                m_hSum = oldHSum;
                m_mSum = oldMSum;
                m_manhattan = oldManhattan;
                if (m_cancelled)
                    return false;
            } else if (f < m_next) {
                m_next = f;
            }
        }
        return false;
    }

    const std::atomic<bool> *m_cancel;
    bool m_cancelled = false;
    Group m_groups[MaxGroups];
    static constexpr int m_groupCount = PatternDatabase::GroupCount;
    int m_groupOf[16] = {};
    int m_board[16] = {};   // field -> tile, 15 = empty
    int m_blank = 15;       // the empty field at the start
    int m_slot[16] = {};    // place of a tile in its group
    std::int32_t m_weight[16] = {};  // weight of the tile's digit in its group's index
    std::uint32_t m_idx[MaxGroups] = {};   // table index of each group
    std::uint32_t m_midx[MaxGroups] = {};  // the same on the mirror image
    int m_h[MaxGroups] = {};
    int m_m[MaxGroups] = {};
    int m_hSum = 0, m_mSum = 0;   // sums of the extra moves, board and mirror
    int m_manhattan = 0;
    int m_next = 0;
    int m_length = 0;
    int m_path[MaxLength] = {};
    std::uint64_t m_nodes = 0;
};

} // namespace

Solver::Solver(std::shared_ptr<const PatternDatabase> db) : m_db(std::move(db)) {}

Solver::Result Solver::solve(const Tiles::Fields &board, const std::atomic<bool> *cancel) const
{
    Result result;
    if (!Tiles::isValid(board) || Tiles::sideOf(board) != Side) {
        result.status = Status::Invalid;
        return result;
    }
    if (!Tiles::isSolvable(board)) {
        result.status = Status::Unsolvable;
        return result;
    }
    if (cancel && cancel->load(std::memory_order_relaxed)) {
        result.status = Status::Cancelled;
        return result;
    }
    Search search(*m_db, board, cancel);
    search.run(result);
    return result;
}

std::optional<int> Solver::hint(const Tiles::Fields &board, const std::atomic<bool> *cancel) const
{
    const Result r = solve(board, cancel);
    if (r.status != Status::Solved || r.moves.empty())
        return std::nullopt;
    return r.moves.front();
}
