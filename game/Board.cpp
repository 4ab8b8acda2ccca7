#include "game/Board.h"

Board::Board(int side)
    : m_side(Tiles::isSide(side) ? side : Tiles::DocumentedSide)
{
    m_picture.fill(NoPicture);
    m_tile.fill(Tiles::Leer);
    m_zArray = QVector<qint16>(fieldCount() + 1, 0);
}

QString Board::tagText(int p) const
{
    return m_tile[p] == Tiles::Leer ? QStringLiteral("leer") : QString::number(m_tile[p]);
}

void Board::clearPictures()
{
    m_picture.fill(NoPicture);
}

void Board::tagAsCut()
{
    for (int k = 0; k < fieldCount(); ++k)
        m_tile[k] = static_cast<qint16>(k);
}

bool Board::place(Placement how)
{
    const auto [X, y] = args(how);
    const int feldAnz = fieldCount();
    const int last = feldAnz - X;
    if (last < -1 || last >= feldAnz || last >= m_zArray.size())
        return false;
    for (int i = 0; i <= last; ++i) {
        const qint16 v = m_zArray[i];
        if (v != Tiles::Leer && (v < 0 || v > feldAnz))
            return false;
    }
    for (int i = 0; i <= last; ++i) {
        const qint16 t = m_zArray[i];
        // The last tile and the one past it have no picture of their own:
        // the field is empty.
        m_picture[i] = t < Tiles::emptyTile(m_side) ? t : NoPicture;
        m_tile[i] = t;
    }
    if (y == 1)
        m_picture[lastField()] = NoPicture;
    return true;
}

bool Board::lightsUp(int source, int index) const
{
    if (index < 0 || index >= fieldCount() || source < 0 || source >= fieldCount())
        return false;
    return !hasPicture(index) && Tiles::isMoveAllowed(source, index, m_side);
}

std::optional<QString> Board::positionText(int source) const
{
    if (source < 0 || source >= fieldCount() || m_tile[source] == Tiles::Leer)
        return std::nullopt;
    return QString::number(m_tile[source] + 1);
}

Board::DropResult Board::drop(int source, int index)
{
    DropResult r;
    if (m_fertig || source < 0 || source >= fieldCount() || index < 0 || index >= fieldCount()
        || m_picture[index] == m_picture[source]) {
        r.ignored = true;
        return r;
    }
    if (!hasPicture(index)) {
        if (m_zuege < MaxZuege)
            ++m_zuege;
        r.counted = true;
        if (Tiles::isMoveAllowed(source, index, m_side)) {
            m_picture[index] = m_picture[source];
            m_picture[source] = NoPicture;
            m_tile[index] = m_tile[source];
            r.moved = true;
        }
    }
    for (int p = 0; p < fieldCount(); ++p)
        if (!hasPicture(p))
            m_tile[p] = Tiles::Leer;
    if (isSolved()) {
        m_fertig = true;
        r.won = true;
    }
    return r;
}

bool Board::isSolved() const
{
    for (int p = 0; p < lastField(); ++p)
        if (m_tile[p] != p)
            return false;
    return true;
}

int Board::emptyField() const
{
    int empty = -1;
    for (int p = 0; p < fieldCount(); ++p)
        if (!hasPicture(p))
            empty = p;
    return empty;
}
