#pragma once
// A top-ten list and its file (scr.cxa for the 4 x 4 board; each board size
// has a list of its own).
//
// The list is ten rows of three texts each: the rank ("1" .. "10"), the name
// and the score, shown exactly as they stand (padding blanks included). The
// file is a plain run of 21-byte records, one per row: 6 bytes of score as
// decimal text and 15 bytes of name, both left-aligned and padded with blanks,
// one Windows-1252 byte per character; no header, no separators. Only records
// 1 .. 10 (the first 210 bytes) are read and written; up to MaxTail bytes the
// file holds after them are kept as they are, a longer tail is dropped.
//
// Every change goes to the file first, through an atomic replace, and only
// then to the rows: when the file cannot be written the rows stay as they
// were and the file keeps what it had.
#include <QByteArray>
#include <QString>
#include <QVector>
#include <array>

class ScoreList
{
public:
    static constexpr int Rows = 10;
    static constexpr int ScoreLength = 6;
    static constexpr int NameLength = 15;
    static constexpr int RecordLength = ScoreLength + NameLength;  // 21
    static constexpr int FileLength = Rows * RecordLength;         // 210
    static constexpr int MaxTail = 64 * 1024;
    // The file of the list for a board of side x side fields: scr.cxa for
    // the 4 x 4 board, scr3.cxa, scr5.cxa and scr6.cxa for the others.
    static QString fileName(int side);
    static constexpr const char *DefaultName = "Hanno Holzbein";

    struct Row {
        QString nr;     // "1" .. "10"
        QString name;   // as stored or as entered
        QString score;  // as stored or as placed
    };

    // The list kept in filePath. The rows start with their rank texts and
    // empty names and scores (ten free slots) until read() or reset() runs.
    explicit ScoreList(const QString &filePath);

    const QString &filePath() const { return m_filePath; }
    const Row &row(int k) const { return m_rows[k]; }
    const std::array<Row, Rows> &rows() const { return m_rows; }

    // The score value of row k (see scoreValue); 0 marks a free slot.
    int value(int k) const { return scoreValue(m_rows[k].score); }

    // The number a score text begins with, blanks skipped (an optional sign,
    // then digits); 0 when the text does not begin with a number.
    static int scoreValue(const QString &text);

    // Where a game of z moves goes in a list with the score values s, or -1
    // when it does not make the list. Fewer moves rank higher; a result equal
    // to scores already listed goes above all of them; a free slot (0) takes
    // any result.
    static int position(const std::array<int, Rows> &s, qint16 z);

    // One record: score and name, each cut to its field or padded with
    // blanks; characters Windows-1252 lacks become '?'.
    static QByteArray record(const QString &score, const QString &name);

    // The first count characters of text; a character outside the BMP is
    // one character and is never split.
    static QString firstCharacters(const QString &text, int count);

    // Fills the rows from the file. A missing file is replaced by the default
    // list (reset()). A file shorter than ten whole records gives free slots
    // (score "0", blank name) for the missing rows. False when the file exists
    // but cannot be read, or when it was missing and could not be created;
    // failure() says which.
    bool read();

    // Writes the default list (ten free slots named "Hanno Holzbein") into
    // records 1 .. 10 and the rows. False, with rows and file unchanged, when
    // the file cannot be written.
    bool reset();

    enum class Placing { Placed, NotPlaced, Failed };
    // Places a finished game of z moves under name (already cut to at most 15
    // characters) and rewrites the file from the rows, writing each row's
    // score value, so padded or non-numeric scores are written as bare
    // numbers. A result that does not make the list touches neither rows nor
    // file. On Failed the rows and the file stay as they were. The row the
    // result went to is stored in *row (-1 when not placed).
    Placing place(qint16 z, const QString &name, int *row = nullptr);

    // Why the last read, reset or place failed: the file could not be read
    // (a list with it would lose what it holds), or not be written.
    enum class Failure { None, Unreadable, Unwritable };
    Failure failure() const { return m_failure; }

private:
    // Records 1 .. 10 from rows, then the bytes the file holds after them
    // (at most MaxTail, else none), written to the file in one atomic replace.
    bool write(const std::array<Row, Rows> &rows);

    QString m_filePath;
    std::array<Row, Rows> m_rows;
    Failure m_failure = Failure::None;
};
