#pragma once
// A shortest solution for a board of any side, or the proof that none is
// shorter than a given length, where that takes little work: IDA* bounded by
// the Manhattan distance and the linear conflicts (game/BoardGeometry.h),
// given up after a number of positions. It finishes at once near home and
// proves many positions up to about forty moves on every side.
#include "game/Solver.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace BoundedSearch {

enum class Outcome {
    Found,       // result holds a shortest solution
    NoneWithin,  // there is no solution of at most maxLength moves
    GaveUp,      // more than maxNodes positions would have been needed
    Cancelled,
};

// The lower bound the search starts from.
int lowerBound(const std::vector<int> &board);

// board: side*side values, tile t home on field t, the highest value the
// empty field; a solvable board. Looks for solutions of at most maxLength
// moves; nodesExpanded in result counts the positions searched.
Outcome solve(const std::vector<int> &board, int maxLength, std::uint64_t maxNodes,
              const std::atomic<bool> *cancel, Solver::Result &result);

} // namespace BoundedSearch
