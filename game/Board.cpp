#include "game/Board.h"

#include <algorithm>

const QString Board::LeerTag = QStringLiteral("leer");

Board::Board()
{
    m_picture.fill(NoPicture);
    m_tag.fill(LeerTag);
    m_zArray = QVector<qint16>(FeldAnz + 1, 0);
}

void Board::clearPictures()
{
    m_picture.fill(NoPicture);
}

void Board::tagAsCut()
{
    for (int k = 0; k < FeldAnz; ++k)
        m_tag[k] = QString::number(k);
}

bool Board::place(int X, int y)
{
    const int last = FeldAnz - X;
    if (last < -1 || last >= FeldAnz || last >= m_zArray.size())
        return false;
    for (int i = 0; i <= last; ++i) {
        const qint16 v = m_zArray[i];
        if (v != Leer && (v < 0 || v > FeldAnz))
            return false;
    }
    for (int i = 0; i <= last; ++i) {
        const qint16 t = m_zArray[i];
        if (t == Leer) {
            m_picture[i] = NoPicture;
            m_tag[i] = LeerTag;
        } else {
            // Tiles 15 and 16 have no picture of their own: the field is empty.
            m_picture[i] = t < FeldAnz - 1 ? t : NoPicture;
            m_tag[i] = QString::number(t);
        }
    }
    if (y == 1)
        m_picture[FeldAnz - 1] = NoPicture;
    return true;
}

QVector<int> Board::moveTargets(int s)
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

bool Board::isMoveAllowed(int s, int t)
{
    return moveTargets(s).contains(t);
}

bool Board::lightsUp(int source, int index) const
{
    if (index < 0 || index >= FeldAnz || source < 0 || source >= FeldAnz)
        return false;
    return !hasPicture(index) && isMoveAllowed(source, index);
}

namespace {
// A Tag read as a number, as the game reads it (decimal text, blanks around
// allowed); nothing for "leer" or anything else that is not a number.
std::optional<double> tagNumber(const QString &tag)
{
    bool ok = false;
    const double v = tag.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}
} // namespace

std::optional<QString> Board::positionText(int source) const
{
    if (source < 0 || source >= FeldAnz)
        return std::nullopt;
    const auto v = tagNumber(m_tag[source]);
    if (!v)
        return std::nullopt;
    return QString::number(static_cast<long long>(*v) + 1);
}

void Board::countMove()
{
    if (m_zuege < MaxZuege)
        ++m_zuege;
}

Board::DropResult Board::drop(int source, int index)
{
    DropResult r;
    if (m_fertig || source < 0 || source >= FeldAnz || index < 0 || index >= FeldAnz) {
        r.ignored = true;
        return r;
    }
    if (m_picture[index] == m_picture[source]) {
        r.ignored = true;
        return r;
    }
    if (!hasPicture(index)) {
        countMove();
        r.counted = true;
        if (isMoveAllowed(source, index)) {
            m_picture[index] = m_picture[source];
            m_picture[source] = NoPicture;
            m_tag[index] = m_tag[source];
            r.moved = true;
        }
    }
    tagEmptyFields();
    if (isSolved()) {
        m_fertig = true;
        r.won = true;
    }
    return r;
}

void Board::tagEmptyFields()
{
    for (int p = 0; p < FeldAnz; ++p)
        if (!hasPicture(p))
            m_tag[p] = LeerTag;
}

bool Board::isSolved() const
{
    for (int p = 0; p < FeldAnz - 1; ++p) {
        const auto v = tagNumber(m_tag[p]);
        if (!v || *v != p)
            return false;
    }
    return true;
}

QVector<qint16> Board::layoutFromTags() const
{
    QVector<qint16> out(FeldAnz);
    for (int p = 0; p < FeldAnz; ++p) {
        if (m_tag[p] == LeerTag) {
            out[p] = Leer;
        } else {
            bool ok = false;
            const int v = m_tag[p].trimmed().toInt(&ok);
            out[p] = ok && v >= -32768 && v <= 32767 ? static_cast<qint16>(v) : 0;
        }
    }
    return out;
}

bool Board::isSolvable(const QVector<qint16> &fields)
{
    if (fields.size() < FeldAnz)
        return false;
    std::array<int, FeldAnz> perm{};  // tile per field, the empty field as 15
    std::array<bool, FeldAnz> seen{};
    int emptyField = -1;
    for (int p = 0; p < FeldAnz; ++p) {
        int v = fields[p];
        if (v == Leer || v == FeldAnz - 1) {
            if (emptyField >= 0)
                return false;
            emptyField = p;
            v = FeldAnz - 1;
        } else if (v < 0 || v >= FeldAnz - 1 || seen[v]) {
            return false;
        }
        seen[v] = true;
        perm[p] = v;
    }
    if (emptyField < 0)
        return false;
    // Every slide is a transposition with the empty field; the parity of the
    // permutation (empty field included) must equal the parity of the empty
    // field's taxicab distance from its home.
    int inversions = 0;
    for (int a = 0; a < FeldAnz; ++a)
        for (int b = a + 1; b < FeldAnz; ++b)
            if (perm[a] > perm[b])
                ++inversions;
    const int distance = (3 - emptyField / 4) + (3 - emptyField % 4);
    return (inversions % 2) == (distance % 2);
}
