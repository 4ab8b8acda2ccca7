#include "game/BeamSearch.h"

#include "game/BoardGeometry.h"
#include "game/SmallBoard.h"

#include <algorithm>

namespace {

using Geometry = BoardGeometry;
constexpr int MaxFields = BoardGeometry::MaxFields;
constexpr int MaxLines = BoardGeometry::MaxLines;
// A beam that has not come home after this many moves has lost its way.
constexpr int MaxDepth = 2000;
// How many positions ahead the table of those met before is fetched from
// memory: enough for the fetches to overlap, few enough for them to stay in
// the processor's cache until used.
constexpr std::size_t Ahead = 16;
// Levels of the beam whose positions are remembered: a position met again
// within them is not kept again. (A shortest cycle of moves on the board has
// twelve; remembering more than eight levels did not shorten solutions.)
constexpr int Window = 16;

// A kept position.
struct Node {
    std::uint8_t board[MaxFields];
    std::uint8_t lineConflicts[MaxLines];
    std::uint8_t blank;
    std::uint8_t previous;   // where the empty field was before the last move
    std::uint16_t manhattan;
    std::uint16_t conflicts;
    std::uint64_t hash;
};

// A position one move beyond a kept one: its rank and how to make it.
struct Candidate {
    std::uint32_t bound;
    std::uint32_t parent;
    std::uint8_t from;
    std::uint64_t hash;
    std::uint64_t key() const { return (std::uint64_t(bound) << 32) | parent; }
};

// The hashes of the positions kept on the last levels: an open table (0
// marks a free slot) for Window levels of the beam, emptied when they are
// taken. A position wrongly taken for one met before is only left out; a
// position met again after the table was emptied is only searched again.
class Seen
{
public:
    Seen(std::size_t width, int window) : m_window(window)
    {
        std::size_t size = 1024;
        while (size < 2 * width * std::size_t(window))
            size *= 2;
        m_table.assign(size, 0);
    }
    void nextLevel()
    {
        if (++m_levels < m_window)
            return;
        m_levels = 0;
        std::fill(m_table.begin(), m_table.end(), 0);
        m_count = 0;
    }
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&m_table[hash & (m_table.size() - 1)]); }
    // True when hash was not there before.
    bool insert(std::uint64_t hash)
    {
        hash = hash ? hash : 1;
        const std::size_t mask = m_table.size() - 1;
        std::size_t i = hash & mask;
        for (; m_table[i] != 0; i = (i + 1) & mask)
            if (m_table[i] == hash)
                return false;
        if (2 * (m_count + 1) > m_table.size())
            return true;   // full (not at the width it was made for): not kept
        m_table[i] = hash;
        ++m_count;
        return true;
    }

private:
    std::vector<std::uint64_t> m_table;
    int m_levels = 0;
    int m_window;
    std::size_t m_count = 0;
};

Node startNode(const Geometry &g, const std::vector<int> &board)
{
    Node n{};
    n.previous = 0xFF;
    n.hash = 0;
    n.manhattan = 0;
    for (int f = 0; f < g.fields; ++f) {
        const int t = board[std::size_t(f)];
        n.board[f] = std::uint8_t(t);
        if (t == g.empty)
            n.blank = std::uint8_t(f);
        n.manhattan = std::uint16_t(n.manhattan + g.distance[t][f]);
        n.hash ^= g.key[t][f];
    }
    n.conflicts = 0;
    for (int l = 0; l < 2 * g.side; ++l) {
        n.lineConflicts[l] = std::uint8_t(g.conflicts(n.board, l));
        n.conflicts = std::uint16_t(n.conflicts + n.lineConflicts[l]);
    }
    return n;
}

// The tile on from slides into the empty field of n; the lines it changes
// are counted again.
void move(const Geometry &g, Node &n, int from)
{
    const int blank = n.blank, tile = n.board[from];
    n.board[blank] = std::uint8_t(tile);
    n.board[from] = std::uint8_t(g.empty);
    n.previous = n.blank;
    n.blank = std::uint8_t(from);
    n.manhattan = std::uint16_t(n.manhattan - g.distance[tile][from] + g.distance[tile][blank]);
    n.hash ^= g.key[tile][from] ^ g.key[tile][blank] ^ g.key[g.empty][blank] ^ g.key[g.empty][from];
    int a, b;
    g.linesChanged(from, blank, &a, &b);
    for (const int l : {a, b}) {
        const int c = g.conflicts(n.board, l);
        n.conflicts = std::uint16_t(n.conflicts - n.lineConflicts[l] + c);
        n.lineConflicts[l] = std::uint8_t(c);
    }
}

// The lower bound of the position n would become.
std::uint32_t boundAfter(const Geometry &g, Node &n, int from)
{
    const int blank = n.blank, tile = n.board[from];
    const int manhattan = n.manhattan - g.distance[tile][from] + g.distance[tile][blank];
    int a, b;
    g.linesChanged(from, blank, &a, &b);
    n.board[blank] = std::uint8_t(tile);
    n.board[from] = std::uint8_t(g.empty);
    const int conflicts = n.conflicts - n.lineConflicts[a] - n.lineConflicts[b] + g.conflicts(n.board, a)
        + g.conflicts(n.board, b);
    n.board[from] = std::uint8_t(tile);
    n.board[blank] = std::uint8_t(g.empty);
    return std::uint32_t(manhattan + conflicts);
}

bool cancelled(const std::atomic<bool> *cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Places the stage's tiles (one or two) home by the fewest moves that move
// no frozen tile: a breadth-first search over the fields of the stage's
// tiles and of the empty field, the other tiles being all alike for it.
// Appends the moves and makes them on board; false when there is no way
// (not on a board whose frozen part is a placed top row and left column).
bool placeStage(const Geometry &g, std::vector<int> &board, const std::vector<bool> &frozen,
                const std::vector<int> &tiles, std::vector<int> &moves)
{
    const int k = int(tiles.size());
    const int n = g.fields;
    // A state: the fields of the tiles and of the empty field, base n.
    auto encode = [n, k](const int *p) {
        int s = 0;
        for (int i = 0; i <= k; ++i)
            s = s * n + p[i];
        return s;
    };
    auto decode = [n, k](int s, int *p) {
        for (int i = k; i >= 0; --i) {
            p[i] = s % n;
            s /= n;
        }
    };
    int start[3];
    for (int i = 0; i < k; ++i)
        start[i] = int(std::find(board.begin(), board.end(), tiles[std::size_t(i)]) - board.begin());
    start[k] = int(std::find(board.begin(), board.end(), g.empty) - board.begin());
    int states = n;
    for (int i = 0; i < k; ++i)
        states *= n;
    std::vector<int> parent(std::size_t(states), -1);
    std::vector<int> queue{encode(start)};
    parent[std::size_t(queue[0])] = queue[0];
    int goal = -1;
    for (std::size_t head = 0; head < queue.size() && goal < 0; ++head) {
        int p[3];
        decode(queue[head], p);
        bool home = true;
        for (int i = 0; i < k; ++i)
            home = home && p[i] == tiles[std::size_t(i)];
        if (home) {
            goal = queue[head];
            break;
        }
        const int blank = p[k];
        for (int j = 0; j < g.count[blank]; ++j) {
            const int to = g.neighbours[blank][j];
            if (frozen[std::size_t(to)])
                continue;
            int q[3];
            std::copy(p, p + k + 1, q);
            for (int i = 0; i < k; ++i)
                if (q[i] == to)
                    q[i] = blank;
            q[k] = to;
            const int s = encode(q);
            if (parent[std::size_t(s)] < 0) {
                parent[std::size_t(s)] = queue[head];
                queue.push_back(s);
            }
        }
    }
    if (goal < 0)
        return false;
    // The empty field's way, back from the goal.
    std::vector<int> way;
    for (int s = goal; parent[std::size_t(s)] != s; s = parent[std::size_t(s)]) {
        int p[3];
        decode(s, p);
        way.push_back(p[k]);
    }
    int blank = start[k];
    for (auto it = way.rbegin(); it != way.rend(); ++it) {
        std::swap(board[std::size_t(blank)], board[std::size_t(*it)]);
        moves.push_back(*it);
        blank = *it;
    }
    return true;
}

} // namespace

namespace BeamSearch {

void solve(const std::vector<int> &board, int width, const std::atomic<bool> *cancel, Solver::Result &result)
{
    const int side = Tiles::sideOf(board);
    const Geometry g(side);
    std::vector<Node> beam{startNode(g, board)}, next;
    result.status = Solver::Status::Solved;
    result.nodesExpanded = 0;
    if (beam[0].manhattan == 0) {
        result.length = 0;
        result.moves.clear();
        return;
    }
    Seen seen(std::size_t(width), Window);
    seen.insert(beam[0].hash);
    // Per depth, for each kept position: the position it came from and the
    // field whose tile moved.
    std::vector<std::vector<std::uint32_t>> parents;
    std::vector<std::vector<std::uint8_t>> froms;
    std::vector<Candidate> candidates;
    for (int depth = 1; depth <= MaxDepth; ++depth) {
        if (cancelled(cancel)) {
            result.status = Solver::Status::Cancelled;
            return;
        }
        // The positions one move deeper, but the way back, ranked; the best
        // are kept, as far as they were not met before.
        candidates.clear();
        for (std::uint32_t i = 0; i < beam.size(); ++i) {
            Node &n = beam[i];
            for (int j = 0; j < g.count[n.blank]; ++j) {
                const int from = g.neighbours[n.blank][j];
                if (from == n.previous)
                    continue;
                const int tile = n.board[from];
                ++result.nodesExpanded;
                if (n.manhattan - g.distance[tile][from] + g.distance[tile][n.blank] == 0) {
                    // Home: the way back through the kept positions.
                    result.moves.assign(std::size_t(depth), 0);
                    result.moves[std::size_t(depth - 1)] = from;
                    std::uint32_t at = i;
                    for (int d = depth - 1; d > 0; --d) {
                        result.moves[std::size_t(d - 1)] = froms[std::size_t(d - 1)][at];
                        at = parents[std::size_t(d - 1)][at];
                    }
                    result.length = depth;
                    return;
                }
                const std::uint64_t hash = n.hash ^ g.key[tile][from] ^ g.key[tile][n.blank]
                    ^ g.key[g.empty][n.blank] ^ g.key[g.empty][from];
                candidates.push_back({boundAfter(g, n, from), i, std::uint8_t(from), hash});
            }
        }
        // A few more than the width: some were met before.
        const std::size_t ranked = std::size_t(width) + std::size_t(width) / 8;
        if (candidates.size() > ranked) {
            std::nth_element(candidates.begin(), candidates.begin() + std::ptrdiff_t(ranked), candidates.end(),
                             [](const Candidate &a, const Candidate &b) { return a.key() < b.key(); });
            candidates.resize(ranked);
        }
        if (candidates.size() > std::size_t(width))
            std::nth_element(candidates.begin(), candidates.begin() + width, candidates.end(),
                             [](const Candidate &a, const Candidate &b) { return a.key() < b.key(); });
        next.clear();
        seen.nextLevel();
        parents.emplace_back();
        froms.emplace_back();
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            if (k + Ahead < candidates.size())
                seen.prefetch(candidates[k + Ahead].hash);
            const Candidate &c = candidates[k];
            if (next.size() == std::size_t(width))
                break;
            if (!seen.insert(c.hash))
                continue;   // met before
            Node n = beam[c.parent];
            move(g, n, c.from);
            next.push_back(n);
            parents.back().push_back(c.parent);
            froms.back().push_back(c.from);
        }
        if (next.empty())
            break;
        beam.swap(next);
    }
    // The beam ran dry.
    solveInStages(board, cancel, result);
}

void solveInStages(const std::vector<int> &start, const std::atomic<bool> *cancel, Solver::Result &result)
{
    const int side = Tiles::sideOf(start);
    const Geometry g(side);
    std::vector<int> board = start;
    std::vector<bool> frozen(std::size_t(g.fields), false);
    std::vector<int> moves;
    result.status = Solver::Status::Solved;
    // The top row and the left column of what is left, until 3 x 3 is left.
    for (int o = 0; side - o > SmallBoard::Side; ++o) {
        std::vector<int> row, column;
        for (int c = o; c < side; ++c)
            row.push_back(o * side + c);
        for (int r = o + 1; r < side; ++r)
            column.push_back(r * side + o);
        for (const std::vector<int> &line : {row, column}) {
            // Two tiles a stage, and always the last two of a line together:
            // the last one cannot be put beside the others on its own.
            for (std::size_t end = line.size() % 2 ? 1 : 2; end <= line.size(); end += 2) {
                if (cancelled(cancel)) {
                    result.status = Solver::Status::Cancelled;
                    return;
                }
                const std::size_t begin = end == 1 ? 0 : end - 2;
                const std::vector<int> stage(line.begin() + std::ptrdiff_t(begin), line.begin() + std::ptrdiff_t(end));
                if (!placeStage(g, board, frozen, stage, moves)) {
                    result.status = Solver::Status::Unsolvable;
                    return;
                }
                for (int f : stage)
                    frozen[std::size_t(f)] = true;
            }
        }
    }
    // The 3 x 3 board left at the bottom right, numbered as one of its own.
    const int o = side - SmallBoard::Side;
    auto field = [o, side](int small) { return (o + small / SmallBoard::Side) * side + o + small % SmallBoard::Side; };
    int small[SmallBoard::FieldCount];
    for (int f = 0; f < SmallBoard::FieldCount; ++f) {
        const int t = board[std::size_t(field(f))];
        small[f] = t == g.empty ? SmallBoard::FieldCount - 1
                                : (t / side - o) * SmallBoard::Side + (t % side - o);
    }
    for (const int f : SmallBoard::solve(small))
        moves.push_back(field(f));
    result.length = int(moves.size());
    result.moves = std::move(moves);
}

} // namespace BeamSearch
