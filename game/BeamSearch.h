#pragma once
// Short solutions for boards too large for a shortest one (5 x 5, 6 x 6),
// in a time known beforehand.
//
// A beam search: the positions one move deeper than the kept ones are ranked
// by a lower bound of their distance from home (the Manhattan distance plus
// two moves for each tile that must leave its row or column to let another
// pass, "linear conflicts"), and only the best `width` of them are kept; a
// position met before is not kept again. The work is about width times the
// length of the solution, whatever the deal.
//
// Should the beam ever run dry, the board is brought home in stages instead:
// the top row and the left column of what is left are placed, a few tiles at
// a time, each by the fewest moves that place them without disturbing the
// tiles placed before, until a 3 x 3 board is left, solved by its complete
// table. That always succeeds, with longer solutions.
#include "game/Solver.h"

#include <atomic>
#include <vector>

namespace BeamSearch {

// board: side*side values (4 <= side <= 6), tile t home on field t, the
// highest value the empty field; a solvable board. Sets status (Solved or
// Cancelled), length, moves and nodesExpanded.
void solve(const std::vector<int> &board, int width, const std::atomic<bool> *cancel, Solver::Result &result);

// The stages alone (also for a beam that ran dry).
void solveInStages(const std::vector<int> &board, const std::atomic<bool> *cancel, Solver::Result &result);

} // namespace BeamSearch
