// Fuzzes the reader and the writers of the top-ten file scr.cxa: any bytes
// are read into the list, a result is placed and the list is reset. Checked
// on every input: the rows are always ten fields of 6 and 15 characters, the
// file and the rows agree after every write, and the bytes after record 10
// survive every rewrite.
#include "FuzzSupport.h"
#include "scores/ScoreList.h"

#include <cstdint>

using namespace FuzzSupport;

namespace {

// Rows as read from a file: fixed-length texts. The row of a result just
// placed (placed >= 0) holds the name and the number as given instead.
void checkShape(const ScoreList &list, int placed = -1)
{
    for (int k = 0; k < ScoreList::Rows; ++k) {
        const ScoreList::Row &r = list.row(k);
        check(r.nr == QString::number(k + 1), "rank text");
        if (k == placed)
            continue;
        check(r.score.size() == ScoreList::ScoreLength, "score text is 6 characters");
        check(r.name.size() == ScoreList::NameLength, "name text is 15 characters");
    }
}

// A fresh reading of the file gives the rows the list holds: the same score
// values and the same names (the new name as far as Windows-1252 holds it).
void checkFileMatches(const ScoreList &list, const QString &path, int placed)
{
    ScoreList again(path);
    check(again.read(), "the file just written reads back");
    for (int k = 0; k < ScoreList::Rows; ++k) {
        check(again.value(k) == list.value(k), "score value in file and row agree");
        if (k == placed)
            check(ScoreList::record(QString(), again.row(k).name)
                      == ScoreList::record(QString(), list.row(k).name),
                  "new name in file and row agree");
        else
            check(again.row(k).name == list.row(k).name, "name in file and row agree");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = scratch() + QStringLiteral("/scr.cxa");
    check(writeFile(path, bytes), "scratch file written");

    ScoreList list(path);
    check(list.read(), "an existing readable file is read");
    checkShape(list);
    QByteArray before = readFile(path);
    check(before == bytes, "reading leaves the file as it was");

    // The move count of the finished game: taken from the input, so the
    // fuzzer reaches every position in the list.
    qint16 z = 37;
    if (size >= 2)
        z = qint16(quint16(data[size - 2]) | quint16(data[size - 1]) << 8);
    const QString name = size > 0 && (data[0] & 1) ? QStringLiteral("Zoë Ünal 漢字🙂 lang")
                                                    : QStringLiteral("Spieler");
    int row = -2;
    const ScoreList::Placing placed = list.place(z, ScoreList::firstCharacters(name, 15), &row);
    check(placed != ScoreList::Placing::Failed, "a writable file takes the result");
    checkShape(list, row);
    const QByteArray after = readFile(path);
    if (placed == ScoreList::Placing::NotPlaced) {
        check(row == -1, "no row for a result that does not make the list");
        check(after == before, "a result that does not make the list leaves the file");
    } else {
        check(row >= 0 && row < ScoreList::Rows, "row of the placed result");
        check(ScoreList::scoreValue(list.row(row).score) == z, "placed score");
        check(after.size() == qMax<qsizetype>(before.size(), ScoreList::FileLength),
              "placing writes 210 bytes and keeps the rest");
        check(after.mid(ScoreList::FileLength) == before.mid(ScoreList::FileLength),
              "bytes after record 10 survive placing");
        checkFileMatches(list, path, row);
        // The names of the other players keep their bytes: rows above the
        // new result stay where they were, rows below move down by one.
        for (int k = 0; k < ScoreList::Rows; ++k) {
            const int from = k < row ? k : k - 1;
            if (k == row || (from + 1) * ScoreList::RecordLength > before.size())
                continue;
            check(after.mid(k * ScoreList::RecordLength + ScoreList::ScoreLength, ScoreList::NameLength)
                      == before.mid(from * ScoreList::RecordLength + ScoreList::ScoreLength,
                                    ScoreList::NameLength),
                  "names of the other rows keep their bytes");
        }
    }

    before = after;
    check(list.reset(), "a writable file is reset");
    checkShape(list);
    const QByteArray reset = readFile(path);
    const QByteArray defaultRecord = ScoreList::record(QStringLiteral("0"),
                                                       QLatin1String(ScoreList::DefaultName));
    check(reset.left(ScoreList::FileLength) == defaultRecord.repeated(ScoreList::Rows),
          "reset writes ten default records");
    check(reset.mid(ScoreList::FileLength) == before.mid(ScoreList::FileLength),
          "bytes after record 10 survive a reset");
    return 0;
}
