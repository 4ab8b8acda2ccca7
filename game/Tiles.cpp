#include "game/Tiles.h"

namespace Tiles {

Fields home()
{
    Fields f;
    for (int p = 0; p < FeldAnz; ++p)
        f[p] = p;
    return f;
}

std::optional<Fields> fromLayout(const QVector<qint16> &layout)
{
    if (layout.size() < FeldAnz)
        return std::nullopt;
    Fields f;
    for (int p = 0; p < FeldAnz; ++p)
        f[p] = layout[p] == Leer ? Empty : layout[p];
    if (!isValid(f))
        return std::nullopt;
    return f;
}

QVector<qint16> toLayout(const Fields &board)
{
    QVector<qint16> out(FeldAnz);
    for (int p = 0; p < FeldAnz; ++p)
        out[p] = board[p] == Empty ? Leer : static_cast<qint16>(board[p]);
    return out;
}

bool isValid(const Fields &board)
{
    bool seen[FeldAnz] = {};
    for (int v : board) {
        if (v < 0 || v > Empty || seen[v])
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
    int emptyField = 0;
    for (int p = 0; p < FeldAnz; ++p)
        if (board[p] == Empty)
            emptyField = p;
    const int distance = steps(emptyField, Empty);
    return isEvenArrangement(board.data(), FeldAnz) == (distance % 2 == 0);
}

QVector<int> moveTargets(int s)
{
    // The rule written out per field: steps of 1 along a row, 4 along a
    // column, and no step across the edge of the grid.
    switch (s) {
    case 0: return {1, 4};
    case 1: case 2: return {s + 1, s - 1, s + 4};
    case 3: return {2, 7};
    case 4: case 8: return {s - 4, s + 1, s + 4};
    case 7: case 11: return {s - 4, s - 1, s + 4};
    case 5: case 6: case 9: case 10: return {s - 1, s + 1, s + 4, s - 4};
    case 12: return {13, 8};
    case 13: case 14: return {s - 1, s + 1, s - 4};
    case 15: return {14, 11};
    default: return {};
    }
}

bool isMoveAllowed(int s, int t)
{
    return moveTargets(s).contains(t);
}

} // namespace Tiles
