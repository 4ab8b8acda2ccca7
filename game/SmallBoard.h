#pragma once
// The 3 x 3 board solved by table: the distance from home of each of its
// 181,440 solvable positions, counted by one breadth-first search from home
// when first asked for (a few milliseconds, 363 KB). A shortest solution then
// follows the distances down, in microseconds.
#include <cstdint>
#include <vector>

namespace SmallBoard {

constexpr int Side = 3;
constexpr int FieldCount = 9;
constexpr int Positions = 362880;   // 9!: every arrangement, solvable or not
constexpr std::uint8_t Unreachable = 0xFF;

// The rank of an arrangement of the nine values (tile t home on field t, 8
// the empty field) among all 9! of them.
std::uint32_t rank(const int *board);

// The distances by rank, Unreachable for the positions that cannot be
// solved. Counted on the first call; thread-safe.
const std::vector<std::uint8_t> &distances();

// A shortest solution of a solvable board: the fields whose tile moves into
// the empty field, in order.
std::vector<int> solve(const int *board);

} // namespace SmallBoard
