#include "game/Solver.h"

#include "game/BeamSearch.h"
#include "game/BoundedSearch.h"
#include "game/OptimalSearch.h"
#include "game/PatternDatabase.h"
#include "game/SmallBoard.h"

#include <QThread>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

// Positions the bounded search may look at before it gives up: on 4 x 4
// before the tables are asked for (some milliseconds), on the larger boards
// to prove the beam's solution the shortest (about a tenth of a second).
constexpr std::uint64_t QuickNodes = 30000;
constexpr std::uint64_t ProofNodes = 2000000;
// The bounded search is not tried when the beam's solution is longer than
// the lower bound by more than this: it would give up.
constexpr int ProofGap = 16;
// The beam's width per side: what fits the time each deal may take.
int beamWidth(int side)
{
    return side <= 5 ? 20000 : 15000;
}

int searchThreads()
{
    return std::max(1, std::min(2, QThread::idealThreadCount()));
}

} // namespace

Solver::Solver(QString cacheFolder) : m_folder(std::move(cacheFolder)) {}

Solver::Result Solver::solve(const Tiles::Fields &board, const std::atomic<bool> *cancel) const
{
    Result result;
    if (!Tiles::isValid(board)) {
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
    const int side = Tiles::sideOf(board);
    if (side == SmallBoard::Side) {
        result.status = Status::Solved;
        result.moves = SmallBoard::solve(board.data());
        result.length = int(result.moves.size());
        result.optimal = true;
        return result;
    }
    if (side == PatternDatabase::Side) {
        // Near home the tables are not needed (nor read or built).
        switch (BoundedSearch::solve(board, INT_MAX, QuickNodes, cancel, result)) {
        case BoundedSearch::Outcome::Found:
            result.optimal = true;
            return result;
        case BoundedSearch::Outcome::Cancelled:
            result.status = Status::Cancelled;
            return result;
        case BoundedSearch::Outcome::NoneWithin:
        case BoundedSearch::Outcome::GaveUp:
            break;
        }
        const std::uint64_t quick = result.nodesExpanded;
        if (const auto db = PatternDatabase::shared(m_folder, cancel)) {
            OptimalSearch::solve(*db, board.data(), cancel, searchThreads(), result);
            result.optimal = result.status == Status::Solved;
            result.nodesExpanded += quick;
            return result;
        }
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            result.status = Status::Cancelled;
            return result;
        }
        // No memory for the tables: a short solution at least.
    }
    BeamSearch::solve(board, beamWidth(side), cancel, result);
    if (result.status != Status::Solved)
        return result;
    // Proven the shortest when it meets the lower bound, or when no shorter
    // one is found in a short search; one found is the shortest.
    const Result beam = result;
    const int bound = BoundedSearch::lowerBound(board);
    if (result.length == bound) {
        result.optimal = true;
        return result;
    }
    if (result.length - bound > ProofGap)
        return result;   // far beyond what the bounded search can show
    switch (BoundedSearch::solve(board, beam.length - 2, ProofNodes, cancel, result)) {
    case BoundedSearch::Outcome::Found:
        result.optimal = true;
        break;
    case BoundedSearch::Outcome::NoneWithin:
        result = beam;
        result.optimal = true;
        break;
    case BoundedSearch::Outcome::GaveUp:
        result = beam;
        break;
    case BoundedSearch::Outcome::Cancelled:
        result = Result{Status::Cancelled};
        break;
    }
    result.nodesExpanded += beam.nodesExpanded;
    return result;
}

std::optional<int> Solver::hint(const Tiles::Fields &board, const std::atomic<bool> *cancel) const
{
    const Result r = solve(board, cancel);
    if (r.status != Status::Solved || r.moves.empty())
        return std::nullopt;
    return r.moves.front();
}
