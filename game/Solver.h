#pragma once
// Optimal solver for the 4 x 4 board: the fewest moves that bring a position
// home, one shortest solution, and the hint (the first move of it).
//
// Board form, as the game stores a layout: fields 0..15 row by row from the
// top left; field p holds the number of the tile on it (0..14) or the empty
// field, given as 100 (the layout value) or as 15. Home: tile t on field t,
// the empty field on field 15.
//
// The search is IDA* over single moves, bounded by additive pattern databases
// (game/PatternDatabase.h), looked up for the board and for its mirror image
// across the main diagonal (the mirror needs the same number of moves); the
// larger of the two bounds is used. Both bounds never overestimate, so the
// first solution found is a shortest one.
//
// Usage: the databases are built (about two seconds) or read from the cache
// file solver.pdb in the given folder on first use; construct the Solver off
// the user-interface thread. solve() may run on any thread, several at once, and
// stops soon after *cancel becomes true.
#include "game/PatternDatabase.h"

#include <QString>
#include <QVector>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Solver
{
public:
    using Fields = std::array<int, 16>;
    static constexpr int LayoutEmpty = 100;

    enum class Status {
        Solved,      // length and moves hold a shortest solution
        Unsolvable,  // a valid board that sliding moves can never bring home
        Cancelled,   // *cancel became true before the search ended
        Invalid,     // not tiles 0..14 once each plus one empty field
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
    // Uses the shared database of folder (PatternDatabase::shared): builds or
    // loads it on first use, which blocks the calling thread.
    explicit Solver(const QString &cacheFolder);

    // Fields 0..15 of a layout (a ZArray or a saved game's lines); a layout
    // shorter than 16 gives a board that is Invalid.
    static Fields fromLayout(const QVector<qint16> &layout);

    static bool isValid(const Fields &board);
    // Valid and reachable from home by sliding moves.
    static bool isSolvable(const Fields &board);

    Result solve(const Fields &board, const std::atomic<bool> *cancel = nullptr) const;

    // The fewest moves; nullopt when cancelled, unsolvable or invalid.
    std::optional<int> solveLength(const Fields &board,
                                   const std::atomic<bool> *cancel = nullptr) const;

    // The field whose tile moves first in a shortest solution; nullopt when
    // the board is home already, cancelled, unsolvable or invalid.
    std::optional<int> hint(const Fields &board, const std::atomic<bool> *cancel = nullptr) const;

    // The lower bound the search starts from (0 for an invalid board).
    int lowerBound(const Fields &board) const;

    const PatternDatabase &database() const { return *m_db; }

private:
    std::shared_ptr<const PatternDatabase> m_db;
};
