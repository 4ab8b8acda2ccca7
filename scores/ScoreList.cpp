#include "scores/ScoreList.h"

#include "game/Tiles.h"

#include "base/Ansi.h"
#include "base/FileAccess.h"

#include <QDir>

#include <climits>

namespace {

// Cuts or pads bytes to exactly length with blanks.
QByteArray fitted(QByteArray bytes, int length)
{
    if (bytes.size() > length)
        bytes.truncate(length);
    else if (bytes.size() < length)
        bytes.append(QByteArray(length - bytes.size(), ' '));
    return bytes;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

std::array<ScoreList::Row, ScoreList::Rows> defaultRows()
{
    std::array<ScoreList::Row, ScoreList::Rows> rows;
    const QByteArray rec = ScoreList::record(QStringLiteral("0"), QLatin1String(ScoreList::DefaultName));
    for (int k = 0; k < ScoreList::Rows; ++k) {
        rows[k].nr = QString::number(k + 1);
        rows[k].score = Ansi::decode(rec.left(ScoreList::ScoreLength));
        rows[k].name = Ansi::decode(rec.mid(ScoreList::ScoreLength));
    }
    return rows;
}

} // namespace

QString ScoreList::fileName(int side)
{
    return side == Tiles::DocumentedSide ? QStringLiteral("scr.cxa") : QStringLiteral("scr%1.cxa").arg(side);
}

ScoreList::ScoreList(const QString &filePath)
    : m_filePath(filePath)
{
    for (int k = 0; k < Rows; ++k)
        m_rows[k].nr = QString::number(k + 1);
}

int ScoreList::scoreValue(const QString &text)
{
    // Blanks are skipped wherever they stand, before the sign and between
    // the digits; the number ends at the first other character.
    int i = 0;
    const int n = text.size();
    auto skipBlanks = [&] {
        while (i < n && isBlank(text.at(i)))
            ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
        skipBlanks();
    }
    qint64 value = 0;
    while (i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > INT_MAX)
            value = qint64(INT_MAX) + 1;  // saturates below
        ++i;
        skipBlanks();
    }
    if (negative)
        value = -value;
    return int(qBound(qint64(INT_MIN), value, qint64(INT_MAX)));
}

int ScoreList::position(const std::array<int, Rows> &s, qint16 z)
{
    if (z <= s[0] || s[0] == 0)
        return 0;
    for (int k = 1; k < Rows; ++k) {
        // Every term is evaluated for every k (bitwise operators): the
        // result is the first k where the new result fits between its
        // neighbours, meets an equal score, or finds a free slot.
        const bool between = (s[k - 1] < z) & (s[k] > z);
        const bool equal = s[k] == z;
        const bool free = s[k] == 0;
        if (between | equal | free)
            return k;
    }
    return -1;
}

QByteArray ScoreList::record(const QString &score, const QString &name)
{
    // Ansi::encode gives one byte per character, so cutting the bytes cuts
    // whole characters and a name can never spill into the next record.
    return fitted(Ansi::encode(score), ScoreLength) + fitted(Ansi::encode(name), NameLength);
}

QString ScoreList::firstCharacters(const QString &text, int count)
{
    int units = 0;
    for (int c = 0; c < count && units < text.size(); ++c) {
        if (text.at(units).isHighSurrogate() && units + 1 < text.size()
            && text.at(units + 1).isLowSurrogate())
            units += 2;
        else
            units += 1;
    }
    return text.left(units);
}

bool ScoreList::read()
{
    m_failure = Failure::None;
    // Only records 1 .. 10 are read, however long the file is.
    QByteArray bytes;
    switch (FileAccess::readHead(m_filePath, FileLength, &bytes)) {
    case FileAccess::ReadResult::Missing:
        if (reset())
            return true;
        // The list is the default one; it just could not be stored.
        m_rows = defaultRows();
        return false;
    case FileAccess::ReadResult::Ok:
        break;
    default:
        // A FIFO, a folder or an unreadable file: nothing is waited for and
        // the rows stay as they were.
        m_failure = Failure::Unreadable;
        return false;
    }
    for (int k = 0; k < Rows; ++k) {
        Row &r = m_rows[k];
        r.nr = QString::number(k + 1);
        // Not a whole record in the file: a free slot.
        const QByteArray rec = bytes.size() >= (k + 1) * RecordLength ? bytes.mid(k * RecordLength, RecordLength)
                                                                      : record(QStringLiteral("0"), QString());
        r.score = Ansi::decode(rec.left(ScoreLength));
        r.name = Ansi::decode(rec.mid(ScoreLength));
    }
    return true;
}

bool ScoreList::reset()
{
    m_failure = Failure::None;
    const std::array<Row, Rows> rows = defaultRows();
    if (!write(rows))
        return false;
    m_rows = rows;
    return true;
}

ScoreList::Placing ScoreList::place(qint16 z, const QString &name, int *row)
{
    m_failure = Failure::None;
    if (row)
        *row = -1;
    std::array<int, Rows> s;
    for (int k = 0; k < Rows; ++k)
        s[k] = value(k);
    const int p = position(s, z);
    if (p < 0)
        return Placing::NotPlaced;

    std::array<Row, Rows> rows = m_rows;
    for (int k = Rows - 2; k >= p; --k) {
        rows[k + 1].name = rows[k].name;
        rows[k + 1].score = rows[k].score;
    }
    rows[p].name = name;
    rows[p].score = QString::number(z);
    if (!write(rows))
        return Placing::Failed;
    m_rows = rows;
    if (row)
        *row = p;
    return Placing::Placed;
}

bool ScoreList::write(const std::array<Row, Rows> &rows)
{
    QByteArray bytes;
    bytes.reserve(FileLength);
    for (const Row &r : rows)
        bytes.append(record(QString::number(scoreValue(r.score)), r.name));

    auto fail = [this](Failure why) {
        m_failure = why;
        return false;
    };

    // Whatever follows record 10 is kept when it is of a sane length; a
    // longer tail is no part of the list and is dropped rather than copied
    // (a sparse file of gigabytes would otherwise be written out in full).
    // If the old file exists but cannot be read, nothing is replaced: its
    // tail would be lost. A FIFO or the like in its place holds nothing.
    QByteArray old;
    const FileAccess::ReadResult got = FileAccess::readHead(m_filePath, FileLength + MaxTail + 1, &old);
    if (got == FileAccess::ReadResult::Failed)
        return fail(Failure::Unreadable);
    if (got == FileAccess::ReadResult::Ok && old.size() > FileLength && old.size() <= FileLength + MaxTail)
        bytes.append(old.mid(FileLength));

    if (!FileAccess::writeAtomically(m_filePath, bytes))
        return fail(Failure::Unwritable);
    return true;
}
