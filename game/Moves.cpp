#include "game/Moves.h"

#include "game/Tiles.h"

#include <utility>

namespace Moves {

Action slideToward(int field, int empty, int side)
{
    Action action;
    const auto onBoard = [side](int p) { return p >= 0 && p < Tiles::fieldCount(side); };
    if (!Tiles::isSide(side) || !onBoard(field) || !onBoard(empty) || field == empty)
        return action;
    int stride = 0;
    if (field / side == empty / side)
        stride = field < empty ? -1 : 1;
    else if (field % side == empty % side)
        stride = field < empty ? -side : side;
    else
        return action;
    // From the empty field outward: each tile steps into the hole its
    // neighbour nearer the empty field has just left.
    for (int to = empty; to != field; to += stride)
        action.push_back({to + stride, to});
    return action;
}

Action reversed(const Action &action)
{
    Action back;
    back.reserve(action.size());
    for (auto it = action.rbegin(); it != action.rend(); ++it)
        back.push_back({it->to, it->from});
    return back;
}

void History::record(Action action)
{
    if (!action.empty())
        m_actions.push_back(std::move(action));
}

Action History::takeLast()
{
    if (m_actions.empty())
        return {};
    Action last = std::move(m_actions.back());
    m_actions.pop_back();
    return last;
}

} // namespace Moves
