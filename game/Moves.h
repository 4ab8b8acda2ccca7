#pragma once
// Moves as the player makes them: one action moves one tile (a drop, an
// arrow key) or a row of tiles (a click), each by one field onto the field
// that is empty at that moment. The history of a game's actions lets them be
// taken back one action at a time.
#include <vector>

namespace Moves {

// One tile moved from field `from` onto the empty field `to`.
struct Step {
    int from = -1;
    int to = -1;
    bool operator==(const Step &o) const { return from == o.from && to == o.to; }
};
using Action = std::vector<Step>;

// What a click on field does while field empty is empty, on a board of
// side x side fields: when both share a row or a column, the tiles from the
// one next to the empty field up to the clicked one each move one field
// toward the empty field, nearest first. Nothing for the empty field itself,
// another row and column, or a field outside the board.
Action slideToward(int field, int empty, int side);

// The action that undoes action: its steps backward, last first.
Action reversed(const Action &action);

// The actions of one game, oldest first; a new deal, a new picture and a
// loaded game begin a fresh one.
class History
{
public:
    void record(Action action);
    // The last action, removed from the history; empty when there is none.
    Action takeLast();
    bool isEmpty() const { return m_actions.empty(); }
    void clear() { m_actions.clear(); }

private:
    std::vector<Action> m_actions;
};

} // namespace Moves
