#include "game/OptimalSearch.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int Side = PatternDatabase::Side;
constexpr int FieldCount = PatternDatabase::Fields;
constexpr int Empty = FieldCount - 1;
constexpr int MaxLength = 96;          // every position needs at most 80 moves
constexpr std::uint64_t StopCheckMask = 0x3FFF;
// The tables' groups and, last, the lone tile with a table of nothing but
// zeros (its fewest moves are its distance).
constexpr int GroupCount = PatternDatabase::GroupCount + 1;
constexpr int MaxGroupSize = PatternDatabase::MaxGroupSize;
constexpr std::uint8_t NoExtra[FieldCount / 2] = {};
// Subtrees handed out per thread and round, at least: enough that neither
// thread waits long for the other at the end.
constexpr std::size_t TasksPerThread = 256;

// The mirror image across the main diagonal: field (row, column) goes to
// (column, row). Home maps onto home when tile t is renamed to transpose(t).
constexpr int transpose(int f) { return (f % Side) * Side + f / Side; }

struct NeighbourList {
    int field[FieldCount][4];
    int count[FieldCount];
    constexpr NeighbourList() : field(), count()
    {
        for (int f = 0; f < FieldCount; ++f) {
            const int r = f / Side, c = f % Side;
            int n = 0;
            if (r > 0) field[f][n++] = f - Side;
            if (c > 0) field[f][n++] = f - 1;
            if (c < Side - 1) field[f][n++] = f + 1;
            if (r < Side - 1) field[f][n++] = f + Side;
            count[f] = n;
        }
    }
};
constexpr NeighbourList Neighbours;

// Manhattan distance of tile t on field f from its home field t, looked up.
struct DistanceTable {
    int d[FieldCount][FieldCount];
    constexpr DistanceTable() : d()
    {
        for (int t = 0; t < FieldCount; ++t)
            for (int f = 0; f < FieldCount; ++f) {
                const int rows = t / Side - f / Side, columns = t % Side - f % Side;
                d[t][f] = (rows < 0 ? -rows : rows) + (columns < 0 ? -columns : columns);
            }
    }
};
constexpr DistanceTable Distance;

// What every search of one position shares: the groups, and per tile its
// group, its place in it and the weight of its digit in the group's rank.
struct Layout {
    struct Group {
        const std::uint8_t *table = nullptr;
        int k = 0;
        int tiles[MaxGroupSize] = {};
    };
    Group groups[GroupCount];
    int groupOf[FieldCount] = {};
    int slot[FieldCount] = {};
    std::int32_t weight[FieldCount] = {};

    explicit Layout(const PatternDatabase &db)
    {
        for (int g = 0; g < GroupCount; ++g) {
            std::vector<int> tiles;
            if (g < PatternDatabase::GroupCount) {
                tiles = PatternDatabase::groups()[g];
                groups[g].table = db.table(g);
            } else {
                for (int t = 0; t < Empty; ++t)
                    if (db.groupOf(t) < 0)
                        tiles.push_back(t);
                groups[g].table = NoExtra;
            }
            groups[g].k = int(tiles.size());
            for (int i = 0; i < groups[g].k; ++i) {
                groups[g].tiles[i] = tiles[i];
                groupOf[tiles[i]] = g;
                slot[tiles[i]] = i;
                std::int32_t w = 1;
                for (int j = i + 1; j < groups[g].k; ++j)
                    w *= FieldCount - j;
                weight[tiles[i]] = w;
            }
        }
        groupOf[Empty] = -1;  // the empty field is in no group
    }
};

// The state of one round, shared by the threads that search it.
struct Round {
    const std::atomic<bool> *cancel = nullptr;
    std::atomic<bool> cancelled{false};
    std::atomic<std::size_t> nextTask{0};
    std::atomic<std::size_t> solvedTask{SIZE_MAX};   // the first subtree known to hold a solution
    std::mutex mutex;
    std::vector<int> solution;
};

// One thread's search: the board and the incrementally kept bound.
class Searcher
{
public:
    Searcher(const Layout &layout, const int *board) : m_layout(&layout)
    {
        int pos[FieldCount], mpos[FieldCount];
        for (int p = 0; p < FieldCount; ++p) {
            m_board[p] = board[p];
            pos[board[p]] = p;
            mpos[transpose(board[p])] = transpose(p);
        }
        m_blank = pos[Empty];
        for (int t = 0; t < Empty; ++t)
            m_manhattan += Distance.d[t][pos[t]];
        for (int g = 0; g < GroupCount; ++g) {
            m_idx[0][g] = index(g, pos);
            m_idx[1][g] = index(g, mpos);
            m_h[0][g] = PatternDatabase::extraMoves(layout.groups[g].table, m_idx[0][g]);
            m_h[1][g] = PatternDatabase::extraMoves(layout.groups[g].table, m_idx[1][g]);
            m_sum[0] += m_h[0][g];
            m_sum[1] += m_h[1][g];
        }
    }

    // The Manhattan distance of the board (the same on its mirror image)
    // and twice the larger sum of the groups' extra moves, board or mirror.
    int bound() const { return m_manhattan + 2 * std::max(m_sum[0], m_sum[1]); }
    int blank() const { return m_blank; }

    // The tile on from slides into the empty field.
    void move(int from)
    {
        Child c = child(from);
        read(c);
        enter(c);
    }

    // Depth-first search below the position reached after depth moves,
    // having come from prev; true when home is reached within limit moves,
    // the moves then in path[0..length).
    bool dfs(int depth, int prev, int limit)
    {
        ++nodes;
        if ((nodes & StopCheckMask) == 0 && stopping())
            stopped = true;
        if (stopped)
            return false;
        const int blank = m_blank;
        // The children's table entries are located and fetched first, so the
        // memory accesses of all children overlap.
        Child children[4];
        int count = 0;
        for (int j = 0; j < Neighbours.count[blank]; ++j) {
            const int from = Neighbours.field[blank][j];
            if (from != prev)
                children[count++] = child(from);
        }
        for (int j = 0; j < count; ++j) {
            Child &c = children[j];
            const int f = depth + 1 + read(c);
            if (f > limit) {
                next = std::min(next, f);
                continue;
            }
            path[depth] = c.from;
            if (c.manhattan == 0) {
                length = depth + 1;
                return true;
            }
            const Saved saved = save(c);
            enter(c);
            if (dfs(depth + 1, blank, limit))
                return true;
            leave(c, saved);
            if (stopped)
                return false;
        }
        return false;
    }

    // The moves, depth deep, of the positions dfs would search below that
    // depth within limit, in the order it would search them.
    void collect(int depth, int prev, int limit, int target, std::vector<std::vector<int>> &out)
    {
        if (depth == target) {
            out.emplace_back(path, path + depth);
            return;
        }
        const int blank = m_blank;
        for (int j = 0; j < Neighbours.count[blank]; ++j) {
            const int from = Neighbours.field[blank][j];
            if (from == prev)
                continue;
            Child c = child(from);
            const int f = depth + 1 + read(c);
            if (f > limit) {
                next = std::min(next, f);
                continue;
            }
            path[depth] = from;
            const Saved saved = save(c);
            enter(c);
            collect(depth + 1, blank, limit, target, out);
            leave(c, saved);
        }
    }

    // A new round: nothing found, nothing stopped; the stop test for it.
    void startRound(Round *round, std::size_t task)
    {
        m_round = round;
        m_task = task;
        stopped = false;
    }

    int path[MaxLength] = {};
    int length = 0;
    int next = INT_MAX;            // the least bound beyond the limit met
    std::uint64_t nodes = 0;
    bool stopped = false;          // cancelled, or a subtree before this one holds a solution

private:
    struct Child {
        int from, tile, g, mg, manhattan, h, m;
        std::uint32_t idx, midx;
    };
    struct Saved {
        int h, m;
        std::uint32_t idx, midx;
        int blank, manhattan;
    };

    bool stopping() const
    {
        if (!m_round)
            return false;
        if (m_round->cancel && m_round->cancel->load(std::memory_order_relaxed))
            m_round->cancelled.store(true, std::memory_order_relaxed);
        return m_round->cancelled.load(std::memory_order_relaxed)
            || m_round->solvedTask.load(std::memory_order_relaxed) < m_task;
    }

    // Index into group g's table for a board given as tile -> field.
    std::uint32_t index(int g, const int *tilePos) const
    {
        const Layout::Group &grp = m_layout->groups[g];
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
    std::uint32_t indexAfterMove(int g, std::uint32_t before, int tile, int from, int to, TileOn tileOn) const
    {
        const int step = to - from;
        const int i = m_layout->slot[tile];
        const std::int32_t w = m_layout->weight[tile];
        std::int32_t r = std::int32_t(before) + step * w;
        if (step == Side || step == -Side) {
            const int lo = step > 0 ? from : to;
            const int sign = step > 0 ? 1 : -1;
            for (int f = lo + 1; f < lo + Side; ++f) {
                const int t = tileOn(f);
                if (m_layout->groupOf[t] == g)
                    r += m_layout->slot[t] < i ? -sign * w : sign * m_layout->weight[t];
            }
        }
        return std::uint32_t(r);
    }

    Child child(int from) const
    {
        Child c;
        c.from = from;
        c.tile = m_board[from];
        const int mTile = transpose(c.tile);
        c.g = m_layout->groupOf[c.tile];
        c.mg = m_layout->groupOf[mTile];
        c.idx = indexAfterMove(c.g, m_idx[0][c.g], c.tile, from, m_blank, [this](int f) { return m_board[f]; });
        c.midx = indexAfterMove(c.mg, m_idx[1][c.mg], mTile, transpose(from), transpose(m_blank),
                                [this](int f) { return transpose(m_board[transpose(f)]); });
        c.manhattan = m_manhattan - Distance.d[c.tile][from] + Distance.d[c.tile][m_blank];
        c.h = c.m = 0;
        __builtin_prefetch(m_layout->groups[c.g].table + (c.idx >> 1));
        __builtin_prefetch(m_layout->groups[c.mg].table + (c.midx >> 1));
        return c;
    }

    // Reads the child's table entries; its bound.
    int read(Child &c) const
    {
        c.h = PatternDatabase::extraMoves(m_layout->groups[c.g].table, c.idx);
        c.m = PatternDatabase::extraMoves(m_layout->groups[c.mg].table, c.midx);
        return c.manhattan + 2 * std::max(m_sum[0] - m_h[0][c.g] + c.h, m_sum[1] - m_h[1][c.mg] + c.m);
    }

    Saved save(const Child &c) const
    {
        return {m_h[0][c.g], m_h[1][c.mg], m_idx[0][c.g], m_idx[1][c.mg], m_blank, m_manhattan};
    }

    void enter(const Child &c)
    {
        setEntries(c, c.h, c.m, c.idx, c.midx);
        m_manhattan = c.manhattan;
        m_board[m_blank] = c.tile;
        m_board[c.from] = Empty;
        m_blank = c.from;
    }

    void leave(const Child &c, const Saved &s)
    {
        setEntries(c, s.h, s.m, s.idx, s.midx);
        m_manhattan = s.manhattan;
        m_board[c.from] = c.tile;
        m_board[s.blank] = Empty;
        m_blank = s.blank;
    }

    // The indices and entries of the groups of the child's tile, on the
    // board and on the mirror image.
    void setEntries(const Child &c, int h, int m, std::uint32_t idx, std::uint32_t midx)
    {
        m_sum[0] += h - m_h[0][c.g];
        m_sum[1] += m - m_h[1][c.mg];
        m_h[0][c.g] = h;
        m_h[1][c.mg] = m;
        m_idx[0][c.g] = idx;
        m_idx[1][c.mg] = midx;
    }

    const Layout *m_layout;
    Round *m_round = nullptr;
    std::size_t m_task = 0;
    int m_board[FieldCount] = {};   // field -> tile, 15 = empty
    int m_blank = Empty;
    std::uint32_t m_idx[2][GroupCount] = {};   // table index of each group, board and mirror
    int m_h[2][GroupCount] = {};               // its entry
    int m_sum[2] = {};                          // the sums of the entries
    int m_manhattan = 0;
};

} // namespace

namespace OptimalSearch {

void solve(const PatternDatabase &db, const int *board, const std::atomic<bool> *cancel, int threads,
           Solver::Result &result, std::uint64_t sharedFrom)
{
    const Layout layout(db);
    Searcher root(layout, board);
    result.status = Solver::Status::Solved;
    result.nodesExpanded = 0;
    const int blank = root.blank();
    if (root.bound() == 0) {
        result.length = 0;
        result.moves.clear();
        return;
    }
    // Every move moves the empty field one step, so the length has the
    // parity of its distance from home.
    const int parity = ((Side - 1 - blank / Side) + (Side - 1 - blank % Side)) & 1;
    auto withParity = [parity](int b) { return (b & 1) == parity ? b : b + 1; };

    std::uint64_t lastRound = 0;
    for (int limit = withParity(root.bound());; ) {
        Round round;
        round.cancel = cancel;
        int next = INT_MAX;
        std::uint64_t nodes = 0;
        bool found = false;

        // The subtrees below a depth that gives each thread enough of them.
        std::vector<std::vector<int>> tasks;
        if (threads > 1 && lastRound >= sharedFrom) {
            for (int depth = 2; depth < limit - 1; ++depth) {
                Searcher top = root;
                tasks.clear();
                top.collect(0, -1, limit, depth, tasks);
                // The bounds of the positions cut off above the subtrees.
                next = top.next;
                if (tasks.size() >= TasksPerThread * std::size_t(threads))
                    break;
            }
        }
        if (tasks.empty()) {
            Searcher s = root;
            s.startRound(&round, 0);
            found = s.dfs(0, -1, limit);
            nodes = s.nodes;
            next = std::min(next, s.next);
            if (found)
                round.solution.assign(s.path, s.path + s.length);
        } else {
            auto work = [&](Searcher &s) {
                for (;;) {
                    const std::size_t t = round.nextTask.fetch_add(1, std::memory_order_relaxed);
                    if (t >= tasks.size() || t > round.solvedTask.load(std::memory_order_relaxed)
                        || round.cancelled.load(std::memory_order_relaxed))
                        return;
                    Searcher task = root;
                    int prev = -1;
                    for (int from : tasks[t]) {
                        prev = task.blank();
                        task.move(from);
                    }
                    task.startRound(&round, t);
                    task.nodes = s.nodes;
                    const int depth = int(tasks[t].size());
                    std::copy(tasks[t].begin(), tasks[t].end(), task.path);
                    if (task.dfs(depth, prev, limit)) {
                        const std::lock_guard<std::mutex> lock(round.mutex);
                        if (t < round.solvedTask.load(std::memory_order_relaxed)) {
                            round.solvedTask.store(t, std::memory_order_relaxed);
                            round.solution.assign(task.path, task.path + task.length);
                        }
                    }
                    s.nodes = task.nodes;
                    s.next = std::min(s.next, task.next);
                }
            };
            std::vector<Searcher> workers(std::size_t(threads), root);
            std::vector<std::thread> helpers;
            for (int w = 1; w < threads; ++w) {
                try {
                    helpers.emplace_back(work, std::ref(workers[std::size_t(w)]));
                } catch (const std::system_error &) {
                    break;   // fewer threads: the others take more subtrees
                }
            }
            work(workers[0]);
            for (std::thread &h : helpers)
                h.join();
            for (const Searcher &s : workers) {
                nodes += s.nodes;
                next = std::min(next, s.next);
            }
            found = round.solvedTask.load() != SIZE_MAX;
        }
        result.nodesExpanded += nodes;
        lastRound = nodes;
        if (found) {
            result.length = int(round.solution.size());
            result.moves = round.solution;
            return;
        }
        if (round.cancelled.load() || (cancel && cancel->load())) {
            result.status = Solver::Status::Cancelled;
            return;
        }
        if (next > MaxLength) {   // cannot happen for a solvable board
            result.status = Solver::Status::Unsolvable;
            return;
        }
        limit = withParity(next);
    }
}

} // namespace OptimalSearch
