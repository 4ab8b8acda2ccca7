#include "game/Tiles.h"

namespace Tiles {

int sideOf(const Fields &board)
{
    for (int side = MinSide; side <= MaxSide; ++side)
        if (int(board.size()) == fieldCount(side))
            return side;
    return 0;
}

Fields home(int side)
{
    Fields f(std::size_t(fieldCount(side)));
    for (int p = 0; p < fieldCount(side); ++p)
        f[std::size_t(p)] = p;
    return f;
}

std::optional<Fields> fromLayout(const QVector<qint16> &layout, int side)
{
    if (!isSide(side) || layout.size() < fieldCount(side))
        return std::nullopt;
    Fields f(std::size_t(fieldCount(side)));
    for (int p = 0; p < fieldCount(side); ++p)
        f[std::size_t(p)] = layout[p] == Leer ? emptyTile(side) : layout[p];
    if (!isValid(f))
        return std::nullopt;
    return f;
}

QVector<qint16> toLayout(const Fields &board)
{
    const int empty = int(board.size()) - 1;
    QVector<qint16> out(int(board.size()));
    for (int p = 0; p < out.size(); ++p)
        out[p] = board[std::size_t(p)] == empty ? Leer : static_cast<qint16>(board[std::size_t(p)]);
    return out;
}

bool isValid(const Fields &board)
{
    const int side = sideOf(board);
    if (!side)
        return false;
    bool seen[MaxFields] = {};
    for (int v : board) {
        if (v < 0 || v > emptyTile(side) || seen[v])
            return false;
        seen[v] = true;
    }
    return true;
}

bool isEvenArrangement(const int *values, int count)
{
    int inversions = 0;
    for (int a = 0; a < count; ++a)
        for (int b = a + 1; b < count; ++b)
            if (values[a] > values[b])
                ++inversions;
    return inversions % 2 == 0;
}

bool isSolvable(const Fields &board)
{
    if (!isValid(board))
        return false;
    const int side = sideOf(board);
    const int empty = emptyTile(side);
    int emptyField = 0;
    for (int p = 0; p < fieldCount(side); ++p)
        if (board[std::size_t(p)] == empty)
            emptyField = p;
    const int distance = steps(emptyField, empty, side);
    return isEvenArrangement(board.data(), fieldCount(side)) == (distance % 2 == 0);
}

QVector<int> moveTargets(int s, int side)
{
    if (!isSide(side) || s < 0 || s >= fieldCount(side))
        return {};
    // Steps of 1 along a row, side along a column, none across the edge.
    QVector<int> targets;
    const int row = s / side, column = s % side;
    if (column + 1 < side)
        targets << s + 1;
    if (column > 0)
        targets << s - 1;
    if (row + 1 < side)
        targets << s + side;
    if (row > 0)
        targets << s - side;
    return targets;
}

bool isMoveAllowed(int s, int t, int side)
{
    return moveTargets(s, side).contains(t);
}

} // namespace Tiles
