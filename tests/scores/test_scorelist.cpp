// The top-ten list and the exact bytes of scr.cxa, without its window (its
// heading per board size aside).
#include "scores/ScoreList.h"
#include "scores/frmTopTen.h"

#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

namespace {
// One 21-byte record, padded by hand: 6 bytes of score, 15 of name.
QByteArray rec(const QByteArray &score, const QByteArray &name)
{
    return score.leftJustified(6, ' ', true) + name.leftJustified(15, ' ', true);
}

// A list file: the given records, then default records up to ten.
QByteArray listFile(const QList<QByteArray> &records)
{
    return (records.join() + QByteArray("0     Hanno Holzbein ").repeated(10)).left(qMax(210, int(records.join().size())));
}

// The rows as "score|name" texts.
QStringList texts(const ScoreList &list)
{
    QStringList out;
    for (const auto &r : list.rows())
        out << r.score + '|' + r.name;
    return out;
}
} // namespace

class TestScoreList : public QObject
{
    Q_OBJECT
private slots:
    // Rows: the file before (empty: none), the result placed, the row it goes
    // to (-1: not placed) and the file after.
    void ranking_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("z");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("after");
        const QByteArray a30 = rec("30", "A"), b40 = rec("40", "B");
        QTest::newRow("no file: the default list") << QByteArray() << 57 << "Anna" << 0 << listFile({rec("57", "Anna")});
        QTest::newRow("between two scores") << listFile({a30, rec("50", "B")}) << 42 << "Neu" << 1
                                            << listFile({a30, rec("42", "Neu"), rec("50", "B")});
        QTest::newRow("equal first place pushed down") << listFile({a30, b40}) << 30 << "Neu" << 0
                                                       << listFile({rec("30", "Neu"), a30, b40});
        // Scores are written back as numbers, names byte for byte in 1252.
        QTest::newRow("text score is a free slot, rewritten as numbers")
            << listFile({a30, rec("abc", "M\xfcller \x80\x9f\x8a\xdf"), rec(" 37", "C")}) << 50 << "Zoë Ω中\U0001F600!" << 1
            << listFile({a30, rec("50", "Zo\xeb ??" "?!"), rec("0", "M\xfcller \x80\x9f\x8a\xdf"), rec("37", "C")});
        QTest::newRow("short file: missing rows are free")
            << a30 + b40 + "55    Hal" << 50 << "C" << 2 << a30 + b40 + rec("50", "C") + rec("0", "").repeated(7);
        QList<QByteArray> full;
        for (const char *s : {"10", "20", " 35", "40", "50", "55", "60", "70", "75", "80"})
            full << rec(s, "Spieler " + QByteArray(s).trimmed());
        // Not placed: not rewritten (" 35" would become "35").
        QTest::newRow("full list, 81 does not qualify") << full.join() << 81 << "Neu" << -1 << full.join();
        QList<QByteArray> after = full.mid(0, 9) << rec("80", "Neu");
        after[2] = rec("35", "Spieler 35");
        QTest::newRow("full list, a tie: 80 goes above the old 80") << full.join() << 80 << "Neu" << 9 << after.join();
        // Bytes after record 10 (never read) stay up to a sane length.
        const QByteArray longest = rec("1", "Elfter") + QByteArray("\0\xff", 2) + QByteArray(ScoreList::MaxTail - 23, 'x');
        QTest::newRow("the longest tail stays") << listFile({a30}) + longest << 20 << "B" << 0
                                                << listFile({rec("20", "B"), a30}) + longest;
        QTest::newRow("a longer tail is dropped") << listFile({a30}) + longest + 'x' << 20 << "B" << 0
                                                  << listFile({rec("20", "B"), a30});
    }
    void ranking()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, z);
        QFETCH(QString, name);
        QFETCH(int, row);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("scr.cxa");
        QVERIFY(before.isEmpty() || writeAll(path, before));
        ScoreList list(path);
        QVERIFY(list.read());
        QCOMPARE(readAll(path), before.isEmpty() ? listFile({}) : before);
        int placedAt = -2;
        QCOMPARE(list.place(qint16(z), name, &placedAt),
                 row < 0 ? ScoreList::Placing::NotPlaced : ScoreList::Placing::Placed);
        QCOMPARE(placedAt, row);
        QCOMPARE(readAll(path), after);
    }

    void scoreValueAndNameCut()
    {
        const std::pair<const char *, int> rows[] = {{" 37", 37}, {"3 7   ", 37}, {"12ab  ", 12}, {"abc   ", 0},
            {"- 5   ", -5}, {"+8", 8}, {"99999999999999", 2147483647}, {"-99999999999999", -2147483647 - 1}};
        for (const auto &[text, value] : rows)
            QVERIFY2(ScoreList::scoreValue(text) == value, text);
        // A name is cut to whole characters, never inside a surrogate pair.
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        QCOMPARE(ScoreList::record("7", ScoreList::firstCharacters(emoji.repeated(20), 15)), QByteArray("7     ???????????????"));
        // Each board size keeps its own list, the 4 x 4 one in the documented
        // file; the window's heading names any other size.
        const std::tuple<int, const char *, const char *> sizes[] = {{3, "scr3.cxa", "Highscores 3 × 3"},
            {4, "scr.cxa", "Highscores"}, {5, "scr5.cxa", "Highscores 5 × 5"}, {6, "scr6.cxa", "Highscores 6 × 6"}};
        for (const auto &[side, file, heading] : sizes)
            QVERIFY2(ScoreList::fileName(side) == file && frmTopTen::heading(side) == QString::fromUtf8(heading), file);
    }

    // What stands in the file's place. A FIFO is never waited for and the
    // reset puts the list there; a write that fails changes neither the rows
    // nor what stands there.
    void whatStandsInTheFilesPlace()
    {
        const std::pair<QString, QString> rows[] = {   // what stands there, the first row read
            {"fifo", "|"}, {"folder", "|"}, {"no folder", "0     |Hanno Holzbein "}};
        for (const auto &[kind, first] : rows) {
            QTemporaryDir dir;
            const QString file = dir.filePath(kind == "no folder" ? "plain/scr.cxa" : "scr.cxa");
            const QString blocker = kind == "no folder" ? dir.filePath("plain") : file;
            const QByteArray before = listFile({rec("30", "A")});
            if (kind == "fifo")
                QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            else
                QVERIFY(kind == "folder" ? QDir().mkpath(file + "/in") : writeAll(blocker, before));
            ScoreList list(file);
            QVERIFY(!list.read());
            using F = ScoreList::Failure;   // what the window tells: cannot read, cannot store
            QCOMPARE(list.failure(), kind == "no folder" ? F::Unwritable : F::Unreadable);
            const QStringList shown = texts(list);
            QCOMPARE(shown[0], first);
            const bool writes = kind == "fifo";
            QCOMPARE(list.place(20, "B"), writes ? ScoreList::Placing::Placed : ScoreList::Placing::Failed);
            QCOMPARE(list.reset(), writes);
            if (writes) {
                QVERIFY(QFileInfo(file).isFile() && readAll(file) == listFile({}));
                continue;
            }
            QVERIFY2(list.failure() == ScoreList::Failure::Unwritable && texts(list) == shown, qPrintable(kind));
            QVERIFY(kind == "folder" ? QFileInfo(file + "/in").isDir() : readAll(blocker) == before);
        }
    }
};

QTEST_GUILESS_MAIN(TestScoreList)
#include "test_scorelist.moc"
