#pragma once
// The solver for boards of every side (3 to 6): a solution that brings a
// position home, whether it is a shortest one, and the hint (its first move).
//
// Boards are Tiles::Fields (game/Tiles.h): side*side values, the side taken
// from the size, tile t home on field t, the highest number the empty field.
//
// 3 x 3: the distances of all 181,440 positions, counted once per process
//        (a few milliseconds): always a shortest solution, in microseconds.
// 4 x 4: always a shortest solution. A position near home is solved by a
//        search bounded by the Manhattan distance and the linear conflicts
//        (game/BoundedSearch.h); the others by the pattern databases
//        (game/PatternDatabase.h, read from or written to solver.pdb in the
//        cache folder, built in the background when missing) on up to two
//        threads (game/OptimalSearch.h).
// 5 x 5, 6 x 6: a short solution, found in a bounded time by a beam search
//        (game/BeamSearch.h); a shortest one where that bounded search proves
//        it in a short time (positions near home).
//
// solve() may run on any thread, several at once, and stops soon after
// *cancel becomes true; it reads or builds the tables only when a position
// needs them.
#include "game/Tiles.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

class Solver
{
public:
    enum class Status {
        Solved,      // length and moves hold a solution
        Unsolvable,  // a valid board that sliding moves can never bring home
        Cancelled,   // *cancel became true before the search ended
        Invalid,     // not a board of a side 3..6 with every tile once and one empty field
    };

    struct Result {
        Status status = Status::Invalid;
        int length = -1;                // number of moves, when Solved
        // The fields whose tile moves into the empty field, in order.
        std::vector<int> moves;
        bool optimal = false;           // length is the fewest moves there are
        std::uint64_t nodesExpanded = 0;
    };

    // cacheFolder: where the tables' files are kept (the program folder).
    explicit Solver(QString cacheFolder);

    Result solve(const Tiles::Fields &board, const std::atomic<bool> *cancel = nullptr) const;

    // The field whose tile moves first in the best solution found; nullopt
    // when the board is home already, cancelled, unsolvable or invalid.
    std::optional<int> hint(const Tiles::Fields &board, const std::atomic<bool> *cancel = nullptr) const;

private:
    QString m_folder;
};
