#include "game/BoundedSearch.h"

#include "game/BoardGeometry.h"

#include <climits>

namespace {

constexpr std::uint64_t CancelCheckMask = 0x3FFF;

class Search
{
public:
    Search(const BoardGeometry &g, const std::vector<int> &board, std::uint64_t maxNodes,
           const std::atomic<bool> *cancel)
        : m_g(g), m_maxNodes(maxNodes), m_cancel(cancel)
    {
        for (int f = 0; f < g.fields; ++f) {
            m_board[f] = board[std::size_t(f)];
            if (m_board[f] == g.empty)
                m_blank = f;
            m_manhattan += g.distance[m_board[f]][f];
        }
        for (int l = 0; l < 2 * g.side; ++l) {
            m_line[l] = g.conflicts(m_board, l);
            m_conflicts += m_line[l];
        }
    }

    int bound() const { return m_manhattan + m_conflicts; }

    enum class Stop { None, Budget, Cancel };

    // Depth-first below the position after depth moves, the empty field
    // having come from prev; true when home is reached within limit.
    bool dfs(int depth, int prev, int limit)
    {
        if (++m_nodes > m_maxNodes) {
            m_stop = Stop::Budget;
            return false;
        }
        if ((m_nodes & CancelCheckMask) == 0 && m_cancel && m_cancel->load(std::memory_order_relaxed))
            m_stop = Stop::Cancel;
        if (m_stop != Stop::None)
            return false;
        const int blank = m_blank;
        for (int j = 0; j < m_g.count[blank]; ++j) {
            const int from = m_g.neighbours[blank][j];
            if (from == prev)
                continue;
            const int tile = m_board[from];
            const int manhattan = m_manhattan - m_g.distance[tile][from] + m_g.distance[tile][blank];
            int a, b;
            m_g.linesChanged(from, blank, &a, &b);
            m_board[blank] = tile;
            m_board[from] = m_g.empty;
            const int ca = m_g.conflicts(m_board, a), cb = m_g.conflicts(m_board, b);
            const int conflicts = m_conflicts - m_line[a] - m_line[b] + ca + cb;
            const int f = depth + 1 + manhattan + conflicts;
            if (f <= limit) {
                m_path[depth] = from;
                if (manhattan == 0) {
                    m_length = depth + 1;
                    return true;
                }
                const int oldA = m_line[a], oldB = m_line[b], oldManhattan = m_manhattan, oldConflicts = m_conflicts;
                m_line[a] = ca;
                m_line[b] = cb;
                m_manhattan = manhattan;
                m_conflicts = conflicts;
                m_blank = from;
                if (dfs(depth + 1, blank, limit))
                    return true;
                m_blank = blank;
                m_line[a] = oldA;
                m_line[b] = oldB;
                m_manhattan = oldManhattan;
                m_conflicts = oldConflicts;
            } else if (f < m_next) {
                m_next = f;
            }
            m_board[from] = tile;
            m_board[blank] = m_g.empty;
            if (m_stop != Stop::None)
                return false;
        }
        return false;
    }

    int blank() const { return m_blank; }
    int m_next = INT_MAX;
    int m_length = 0;
    int m_path[BoardGeometry::MaxFields * 8] = {};
    std::uint64_t m_nodes = 0;
    Stop m_stop = Stop::None;

private:
    const BoardGeometry &m_g;
    const std::uint64_t m_maxNodes;
    const std::atomic<bool> *m_cancel;
    int m_board[BoardGeometry::MaxFields] = {};
    int m_line[BoardGeometry::MaxLines] = {};
    int m_blank = 0;
    int m_manhattan = 0;
    int m_conflicts = 0;
};

constexpr int MaxLength = BoardGeometry::MaxFields * 8;

} // namespace

namespace BoundedSearch {

int lowerBound(const std::vector<int> &board)
{
    const BoardGeometry g(Tiles::sideOf(board));
    return Search(g, board, 0, nullptr).bound();
}

Outcome solve(const std::vector<int> &board, int maxLength, std::uint64_t maxNodes,
              const std::atomic<bool> *cancel, Solver::Result &result)
{
    const BoardGeometry g(Tiles::sideOf(board));
    Search search(g, board, maxNodes, cancel);
    result.nodesExpanded = 0;
    const int blank = search.blank();
    // Every move moves the empty field one step: the length has the parity
    // of its distance from home.
    const int parity = ((g.side - 1 - blank / g.side) + (g.side - 1 - blank % g.side)) & 1;
    auto withParity = [parity](int b) { return (b & 1) == parity ? b : b + 1; };
    maxLength = std::min(maxLength, MaxLength - 1);
    Outcome outcome = Outcome::NoneWithin;
    if (search.bound() == 0) {
        result.status = Solver::Status::Solved;
        result.length = 0;
        result.moves.clear();
        outcome = Outcome::Found;
    }
    for (int limit = withParity(search.bound()); outcome == Outcome::NoneWithin && limit <= maxLength;) {
        search.m_next = INT_MAX;
        if (search.dfs(0, -1, limit)) {
            result.status = Solver::Status::Solved;
            result.length = search.m_length;
            result.moves.assign(search.m_path, search.m_path + search.m_length);
            outcome = Outcome::Found;
        } else if (search.m_stop == Search::Stop::Budget) {
            outcome = Outcome::GaveUp;
        } else if (search.m_stop == Search::Stop::Cancel) {
            outcome = Outcome::Cancelled;
        } else if (search.m_next > maxLength) {
            break;   // nothing within maxLength
        } else {
            limit = withParity(search.m_next);
        }
    }
    result.nodesExpanded = search.m_nodes;
    return outcome;
}

} // namespace BoundedSearch
