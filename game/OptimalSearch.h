#pragma once
// The fewest moves on the 4 x 4 board: IDA* over single moves, bounded by
// the pattern databases (game/PatternDatabase.h), looked up for the board and
// for its mirror image across the main diagonal (the mirror needs the same
// number of moves); the larger of the two bounds is used. Both bounds never
// overestimate, so the first solution found is a shortest one.
//
// Each round of the search (one bound) is split into the subtrees below the
// positions a few moves deep, which the threads take in turn; the solution
// reported is the one the subtrees taken in order give first, so it does not
// depend on the timing of the threads.
#include "game/PatternDatabase.h"
#include "game/Solver.h"

#include <atomic>
#include <cstdint>

namespace OptimalSearch {

// A round is split among the threads only when the one before took this
// many positions: below, starting threads would cost more than they give.
constexpr std::uint64_t SharedRound = 1 << 18;

// board: 16 fields, tile t home on field t, 15 the empty field; a solvable
// board. Sets status (Solved or Cancelled), length, moves and nodesExpanded;
// threads is how many may search at once, from the round after one of
// sharedFrom positions.
void solve(const PatternDatabase &db, const int *board, const std::atomic<bool> *cancel, int threads,
           Solver::Result &result, std::uint64_t sharedFrom = SharedRound);

} // namespace OptimalSearch
