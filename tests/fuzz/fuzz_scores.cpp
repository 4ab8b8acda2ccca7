// Fuzzes the top-ten file scr.cxa: any bytes are read as the file, a result
// is placed and the list is reset. The file keeps what it promises: the
// other players' names keep their bytes, what was written reads back as the
// rows, and the bytes after record 10 survive every rewrite.
#include "FuzzSupport.h"
#include "scores/ScoreList.h"

using namespace FuzzSupport;

QByteArray freeRow() { return ScoreList::record(QStringLiteral("0"), QLatin1String(ScoreList::DefaultName)); }

QList<QByteArray> seeds()
{
    QByteArray mixed;
    for (int k = 0; k < ScoreList::Rows; ++k)
        mixed += ScoreList::record(QString::number(k * 7 + 3), QStringLiteral("Spieler Ä%1").arg(k));
    const QByteArray odd = ScoreList::record(QStringLiteral("+ 7"), QString()) + ScoreList::record(QStringLiteral("-32768"), QString())
                           + ScoreList::record(QStringLiteral("999999"), QString()) + ScoreList::record(QStringLiteral(" 1 2 3"), QString());
    return {freeRow().repeated(ScoreList::Rows), mixed, mixed.left(100), mixed + "TAIL\r\n\x81", odd + mixed.mid(63)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray before(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = scratch() + QStringLiteral("/scr.cxa");
    check(writeAll(path, before), "scratch file written");
    ScoreList list(path);
    check(list.read() && readAll(path) == before, "any file is read and left as it was");

    // The move count and the name come from the input, so that every row
    // and the replacement of characters Windows-1252 lacks are reached.
    const qint16 z = size >= 2 ? qint16(data[size - 2] | data[size - 1] << 8) : 37;
    const QString name = size && (data[0] & 1) ? QStringLiteral("Zoë 漢字🙂 lang") : QStringLiteral("Spieler");
    int row = -2;
    const ScoreList::Placing placed = list.place(z, ScoreList::firstCharacters(name, 15), &row);
    check(placed != ScoreList::Placing::Failed, "a writable file takes the result");
    const QByteArray after = readAll(path);
    if (placed == ScoreList::Placing::NotPlaced) {
        check(row == -1 && after == before, "a result off the list changes nothing");
    } else {
        check(list.value(row) == z, "the result stands in its row");
        check(after.mid(ScoreList::FileLength) == before.mid(ScoreList::FileLength), "placing keeps the tail");
        ScoreList again(path);
        check(again.read(), "the file just written reads back");
        for (int k = 0; k < ScoreList::Rows; ++k) {
            check(again.value(k) == list.value(k), "score in file and row agree");
            check(ScoreList::record(QString(), again.row(k).name) == ScoreList::record(QString(), list.row(k).name),
                  "name in file and row agree");
            // Rows above the new result keep their place, rows below move
            // down by one; their names keep their bytes.
            const int from = k < row ? k : k - 1;
            const auto name = [](const QByteArray &file, int r) {
                return file.mid(r * ScoreList::RecordLength + ScoreList::ScoreLength, ScoreList::NameLength);
            };
            if (k != row && (from + 1) * ScoreList::RecordLength <= before.size())
                check(name(after, k) == name(before, from), "the other names keep their bytes");
        }
    }

    check(list.reset(), "a writable file is reset");
    const QByteArray reset = readAll(path);
    check(reset == freeRow().repeated(ScoreList::Rows) + after.mid(ScoreList::FileLength),
          "a reset writes ten free rows and keeps the tail");
    return 0;
}
