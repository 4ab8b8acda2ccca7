#pragma once
// Optimal solver for the 4 x 4 board: the fewest moves that bring a position
// home, one shortest solution, and the hint (the first move of it).
//
// Boards are Tiles::Fields (game/Tiles.h), the empty field as Tiles::Empty;
// a layout becomes one through Tiles::fromLayout.
//
// The search is IDA* over single moves, bounded by additive pattern databases
// (game/PatternDatabase.h), looked up for the board and for its mirror image
// across the main diagonal (the mirror needs the same number of moves); the
// larger of the two bounds is used. Both bounds never overestimate, so the
// first solution found is a shortest one.
//
// Usage: the databases are built (about two seconds) or read from the cache
// file solver.pdb on first use of PatternDatabase::shared; do that off the
// user-interface thread. solve() may run on any thread, several at once, and
// stops soon after *cancel becomes true.
#include "game/PatternDatabase.h"
#include "game/Tiles.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Solver
{
public:
    enum class Status {
        Solved,      // length and moves hold a shortest solution
        Unsolvable,  // a valid board that sliding moves can never bring home
        Cancelled,   // *cancel became true before the search ended
        Invalid,     // not tiles 0..14 once each plus one Tiles::Empty
    };

    struct Result {
        Status status = Status::Invalid;
        int length = -1;                // number of moves, when Solved
        // The fields whose tile moves into the empty field, in order.
        std::vector<int> moves;
        std::uint64_t nodesExpanded = 0;
    };

    // Uses db (which must not be null).
    explicit Solver(std::shared_ptr<const PatternDatabase> db);

    Result solve(const Tiles::Fields &board, const std::atomic<bool> *cancel = nullptr) const;

    // The field whose tile moves first in a shortest solution; nullopt when
    // the board is home already, cancelled, unsolvable or invalid.
    std::optional<int> hint(const Tiles::Fields &board,
                            const std::atomic<bool> *cancel = nullptr) const;

private:
    std::shared_ptr<const PatternDatabase> m_db;
};
