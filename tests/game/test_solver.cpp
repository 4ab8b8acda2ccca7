// The optimal solver and its pattern-database cache.
//
// Lengths are checked against an exhaustive breadth-first search from home
// (every position up to BfsDepth moves), against a meet-in-the-middle search
// for positions further away, and against published optimal lengths of
// well-known instances. Every reported solution is replayed move by move.
#include "game/PatternDatabase.h"
#include "game/Solver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

namespace {

using Fields = Solver::Fields;
using Packed = quint64;

constexpr int BfsDepth = 20;   // every position this close to home is known
constexpr int BallRadius = 12; // search radius around a far position

Fields home()
{
    Fields f;
    for (int i = 0; i < 15; ++i)
        f[i] = i;
    f[15] = Solver::LayoutEmpty;
    return f;
}

Fields fromText(const char *text)
{
    Fields f;
    f.fill(-1);
    const QStringList parts = QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < 16 && i < parts.size(); ++i)
        f[i] = parts[i].toInt();
    return f;
}

int emptyField(const Fields &f)
{
    for (int p = 0; p < 16; ++p)
        if (f[p] == Solver::LayoutEmpty || f[p] == 15)
            return p;
    return -1;
}

bool adjacent(int a, int b)
{
    const int d = std::abs(a - b);
    return (d == 4) || (d == 1 && a / 4 == b / 4);
}

// Plays moves (fields whose tile slides into the empty field) on start;
// empty text when they are all legal and end at home.
QString replay(Fields board, const std::vector<int> &moves)
{
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const int blank = emptyField(board);
        const int from = moves[i];
        if (from < 0 || from > 15 || !adjacent(from, blank))
            return QStringLiteral("move %1 (field %2) is not next to the empty field %3")
                .arg(i).arg(from).arg(blank);
        std::swap(board[from], board[blank]);
    }
    if (emptyField(board) != 15 || !std::equal(board.begin(), board.begin() + 15, home().begin()))
        return QStringLiteral("the moves do not end at home");
    return QString();
}

// Four bits per field, the empty field as 15.
Packed pack(const Fields &f)
{
    Packed p = 0;
    for (int i = 0; i < 16; ++i)
        p |= Packed(f[i] == Solver::LayoutEmpty ? 15 : f[i]) << (4 * i);
    return p;
}

Fields unpack(Packed p)
{
    Fields f;
    for (int i = 0; i < 16; ++i) {
        const int v = int((p >> (4 * i)) & 0xF);
        f[i] = v == 15 ? Solver::LayoutEmpty : v;
    }
    return f;
}

void successors(Packed s, std::vector<Packed> &out)
{
    int blank = 0;
    while (((s >> (4 * blank)) & 0xF) != 0xF)
        ++blank;
    const int r = blank / 4, c = blank % 4;
    const int cand[4] = {r > 0 ? blank - 4 : -1, r < 3 ? blank + 4 : -1, c > 0 ? blank - 1 : -1,
                         c < 3 ? blank + 1 : -1};
    for (int from : cand) {
        if (from < 0)
            continue;
        const Packed tile = (s >> (4 * from)) & 0xF;
        Packed t = s & ~(Packed(0xF) << (4 * from)) & ~(Packed(0xF) << (4 * blank));
        t |= (Packed(0xF) << (4 * from)) | (tile << (4 * blank));
        out.push_back(t);
    }
}

// Plain breadth-first search: level d holds every position exactly d moves
// from start, sorted. The move graph is bipartite, so a successor of level d
// lies on level d - 1 or d + 1.
std::vector<std::vector<Packed>> bfs(Packed start, int depth)
{
    std::vector<std::vector<Packed>> levels{{start}};
    std::vector<Packed> next;
    for (int d = 0; d < depth; ++d) {
        next.clear();
        for (Packed s : levels[d])
            successors(s, next);
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        if (d > 0) {
            const auto &prev = levels[d - 1];
            next.erase(std::remove_if(next.begin(), next.end(),
                                      [&prev](Packed s) {
                                          return std::binary_search(prev.begin(), prev.end(), s);
                                      }),
                       next.end());
        }
        levels.push_back(next);
    }
    return levels;
}

// Random walk of n moves from home that never takes a move straight back.
Fields randomWalk(std::mt19937 &gen, int n)
{
    Fields f = home();
    int blank = 15, prev = -1;
    for (int i = 0; i < n; ++i) {
        int cand[4], k = 0;
        for (int from : {blank - 4, blank + 4, blank - 1, blank + 1})
            if (from >= 0 && from < 16 && adjacent(from, blank) && from != prev)
                cand[k++] = from;
        const int from = cand[gen() % unsigned(k)];
        std::swap(f[from], f[blank]);
        prev = blank;
        blank = from;
    }
    return f;
}

// Published optimal lengths of instances from Korf's well-known set of 100
// random positions (instance number, length, tiles row by row with the empty
// field 0 home at the top left), turned into this game's form by a
// half-turn of the board: field p -> 15 - p, tile k -> tile 15 - k.
struct Known {
    int number;
    int length;
    const char *korf;
};
const Known KnownInstances[] = {
    {1, 57, "14 13 15 7 11 12 9 5 6 0 2 1 4 8 10 3"},
    {6, 52, "14 7 1 9 12 3 6 15 8 11 2 5 10 0 4 13"},
    {9, 46, "3 14 9 11 5 4 8 2 13 12 6 7 10 1 15 0"},
    {12, 45, "14 1 9 6 4 8 12 5 7 2 3 0 10 11 13 15"},
    {17, 66, "15 14 0 4 11 1 6 13 7 5 8 9 3 2 10 12"},
    {31, 50, "12 8 15 13 1 0 5 4 6 3 2 11 9 7 14 10"},
    {38, 53, "7 15 8 2 13 6 3 12 11 0 4 10 9 5 1 14"},
    {42, 42, "4 5 7 2 9 14 12 13 0 3 6 11 8 1 15 10"},
    {55, 41, "13 8 14 3 9 1 0 7 15 5 4 10 12 2 6 11"},
    {57, 50, "5 11 6 9 4 13 12 0 8 2 15 10 1 7 3 14"},
    {58, 51, "5 0 15 8 4 6 1 14 10 11 3 9 7 12 2 13"},
    {71, 44, "5 7 0 11 12 1 9 10 15 6 2 3 8 4 13 14"},
    {73, 49, "6 14 10 5 15 8 7 1 3 4 2 0 12 9 11 13"},
    {94, 53, "5 7 11 8 0 14 9 13 10 12 3 15 6 1 4 2"},
};

Fields fromKorf(const char *text)
{
    const Fields k = fromText(text);
    Fields f;
    for (int p = 0; p < 16; ++p)
        f[15 - p] = k[p] == 0 ? Solver::LayoutEmpty : 15 - k[p];
    return f;
}

// Positions in the conventional form: tiles 1..15 row by row, 0 for the
// empty field, home with the empty field at the bottom right. Tile k is this
// game's tile k - 1.
Fields fromConventional(const char *text)
{
    const Fields c = fromText(text);
    Fields f;
    for (int p = 0; p < 16; ++p)
        f[p] = c[p] == 0 ? Solver::LayoutEmpty : c[p] - 1;
    return f;
}

// The position of the Rosetta Code "15 puzzle solver" task, 52 moves.
const char *const RosettaTask = "15 14 1 6 9 11 4 12 0 10 7 3 13 8 5 2";

// A position published as one of those that need 80 moves, the most any
// position needs: far too hard to finish quickly, so it shows that a search
// can be stopped.
const char *const Hardest = "0 12 9 13 15 11 10 14 3 7 2 5 4 8 6 1";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// CRC-32 as the cache stores it, to forge files whose checksum fits.
quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

constexpr int CrcOffset = 32 + 4 * 3; // header of the three-group cache, before the CRC

QByteArray withFixedCrc(QByteArray bytes)
{
    QByteArray covered = bytes.left(CrcOffset) + bytes.mid(CrcOffset + 4);
    const quint32 crc = crc32(covered);
    for (int i = 0; i < 4; ++i)
        bytes[CrcOffset + i] = char((crc >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

class TestSolver : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_cache;
    QByteArray m_goodCache;
    std::shared_ptr<const PatternDatabase> m_db;
    std::vector<std::vector<Packed>> m_levels; // breadth-first levels from home
    std::vector<std::pair<Packed, int>> m_distance; // all of them, sorted

    // The distance from home of a position at most BfsDepth moves away, -1
    // for any other.
    int knownDistance(Packed s) const
    {
        const auto it = std::lower_bound(m_distance.begin(), m_distance.end(), std::make_pair(s, 0));
        return it != m_distance.end() && it->first == s ? it->second : -1;
    }

    void checkSolved(const Solver::Result &r, const Fields &start, int expected)
    {
        QCOMPARE(int(r.status), int(Solver::Status::Solved));
        QCOMPARE(r.length, expected);
        QCOMPARE(int(r.moves.size()), expected);
        const QString why = replay(start, r.moves);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_cache = m_dir.filePath(QString::fromLatin1(PatternDatabase::CacheFileName));
        // The one real build of the test starts from a cache of another
        // format version: it must be rebuilt, not trusted.
        QVERIFY(writeAll(m_cache, QByteArray("ZANDORPD") + QByteArray(200, '\0')));
        PatternDatabase::Origin origin;
        m_db = PatternDatabase::loadOrBuild(m_cache, &origin);
        QVERIFY(m_db);
        QVERIFY(!origin.loaded);
        QVERIFY(origin.written);
        QCOMPARE(origin.cacheProblem, QStringLiteral("other format version"));
        m_goodCache = readAll(m_cache);
        QVERIFY(m_goodCache.startsWith("ZANDORPD"));
        QCOMPARE(qsizetype(m_goodCache.size()), qsizetype(CrcOffset + 4 + m_db->memoryBytes()));
        m_levels = bfs(pack(home()), BfsDepth);
        // The counts of positions per distance are well known for the
        // first levels; they show the search itself is right.
        const std::size_t counts[] = {1, 2, 4, 10, 24, 54, 107, 212, 446, 946, 1948};
        for (int d = 0; d <= 10; ++d)
            QCOMPARE(m_levels[d].size(), counts[d]);
        for (int d = 0; d <= BfsDepth; ++d)
            for (Packed s : m_levels[d])
                m_distance.emplace_back(s, d);
        std::sort(m_distance.begin(), m_distance.end());
    }

    // --- input -------------------------------------------------------------

    void invalidBoards_data()
    {
        QTest::addColumn<QVector<int>>("values");
        auto row = [](const char *name, Fields f) {
            QTest::newRow(name) << QVector<int>(f.begin(), f.end());
        };
        Fields f = home();
        f[3] = 4;
        row("tile twice, one missing", f);
        f = home();
        f[15] = 14;
        row("no empty field", f);
        f = home();
        f[0] = 15;
        row("empty as 15 and as 100", f);
        f = home();
        f[0] = 100;
        row("two empty fields", f);
        f = home();
        f[2] = 16;
        row("tile 16", f);
        f = home();
        f[2] = -1;
        row("negative", f);
        f = home();
        f[2] = 99;
        row("99", f);
        f = home();
        f[15] = 101;
        row("101", f);
        f = home();
        f[7] = 1 << 30;
        row("huge", f);
        row("layout too short", Solver::fromLayout(QVector<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 100}));
    }

    void invalidBoards()
    {
        QFETCH(QVector<int>, values);
        Fields f;
        std::copy(values.begin(), values.end(), f.begin());
        const Solver solver(m_db);
        QVERIFY(!Solver::isValid(f));
        QVERIFY(!Solver::isSolvable(f));
        const auto r = solver.solve(f);
        QCOMPARE(int(r.status), int(Solver::Status::Invalid));
        QVERIFY(r.moves.empty());
        QVERIFY(!solver.solveLength(f));
        QVERIFY(!solver.hint(f));
        QCOMPARE(solver.lowerBound(f), 0);
    }

    void layoutForms()
    {
        const Solver solver(m_db);
        // A game's ZArray: 17 elements, element 16 carries no meaning.
        QVector<qint16> zArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 100, 14, 16};
        Fields f = Solver::fromLayout(zArray);
        QVERIFY(Solver::isValid(f));
        auto r = solver.solve(f);
        checkSolved(r, f, 1);
        QCOMPARE(r.moves.front(), 15);
        // The empty field may be given as 15 as well.
        Fields g = home();
        g[15] = 15;
        checkSolved(solver.solve(g), g, 0);
        std::swap(g[15], g[11]);
        checkSolved(solver.solve(g), g, 1);
    }

    void unsolvable_data()
    {
        QTest::addColumn<QString>("board");
        QTest::newRow("tiles 13 and 14 exchanged") << "0 1 2 3 4 5 6 7 8 9 10 11 12 14 13 100";
        QTest::newRow("tiles 0 and 1 exchanged") << "1 0 2 3 4 5 6 7 8 9 10 11 12 13 14 100";
        QTest::newRow("empty one field off, tiles 0 and 1 exchanged") << "1 0 2 3 4 5 6 7 8 9 10 11 12 13 100 14";
        QTest::newRow("empty at the top left, home order") << "100 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14";
        QTest::newRow("reversed") << "14 13 12 11 10 9 8 7 6 5 4 3 2 1 0 100";
    }

    void unsolvable()
    {
        QFETCH(QString, board);
        const Fields f = fromText(board.toLatin1().constData());
        QVERIFY(Solver::isValid(f));
        QVERIFY(!Solver::isSolvable(f));
        const Solver solver(m_db);
        const auto r = solver.solve(f);
        QCOMPARE(int(r.status), int(Solver::Status::Unsolvable));
        QVERIFY(!solver.solveLength(f));
        QVERIFY(!solver.hint(f));
    }

    void solvabilityOfRandomBoards()
    {
        // Positions reached by moves are solvable; exchanging two tiles
        // makes them unsolvable.
        std::mt19937 gen(7);
        for (int i = 0; i < 300; ++i) {
            Fields f = randomWalk(gen, 1 + int(gen() % 200));
            QVERIFY(Solver::isSolvable(f));
            int a = int(gen() % 16), b = int(gen() % 16);
            if (f[a] == Solver::LayoutEmpty || f[b] == Solver::LayoutEmpty || a == b)
                continue;
            std::swap(f[a], f[b]);
            QVERIFY(Solver::isValid(f));
            QVERIFY(!Solver::isSolvable(f));
        }
    }

    // --- optimality ---------------------------------------------------------

    void lowerBoundNeverOverestimates()
    {
        // Every position up to 16 moves from home, and a sample beyond.
        const Solver solver(m_db);
        for (int d = 0; d <= BfsDepth; ++d) {
            const auto &level = m_levels[d];
            const std::size_t step = d <= 16 ? 1 : level.size() / 20000 + 1;
            for (std::size_t i = 0; i < level.size(); i += step) {
                const int h = solver.lowerBound(unpack(level[i]));
                if (h > d)
                    QFAIL(qPrintable(QStringLiteral("bound %1 for a position %2 moves away").arg(h).arg(d)));
                if (d > 0 && h == 0)
                    QFAIL("bound 0 away from home");
            }
        }
    }

    void lengthsMatchBreadthFirstSearch()
    {
        const Solver solver(m_db);
        for (int d = 0; d <= BfsDepth; ++d) {
            const auto &level = m_levels[d];
            const std::size_t picks = d == BfsDepth ? 60 : 8;
            for (std::size_t j = 0; j < std::min(picks, level.size()); ++j) {
                const Fields f = unpack(level[j * level.size() / std::min(picks, level.size())]);
                checkSolved(solver.solve(f), f, d);
            }
        }
    }

    void lengthsOfFarPositionsMatchMeetInTheMiddle()
    {
        // A breadth-first search of BallRadius moves around the position
        // meets the levels around home: the shortest joined path is the true
        // distance whenever it is at most BfsDepth + BallRadius.
        const Solver solver(m_db);
        std::mt19937 gen(2024);
        int exact = 0;
        for (int i = 0; i < 24; ++i) {
            const int walk = 22 + i;
            const Fields f = randomWalk(gen, walk);
            const auto ball = bfs(pack(f), BallRadius);
            int best = 1000;
            for (int r = 0; r <= BallRadius; ++r)
                for (Packed s : ball[r]) {
                    const int d = knownDistance(s);
                    if (d >= 0)
                        best = std::min(best, r + d);
                }
            const auto result = solver.solve(f);
            QCOMPARE(int(result.status), int(Solver::Status::Solved));
            QVERIFY(result.length <= walk);
            QCOMPARE(result.length % 2, walk % 2);
            if (best <= BfsDepth + BallRadius) {
                checkSolved(result, f, best);
                ++exact;
            } else {
                QVERIFY(result.length > BfsDepth + BallRadius);
                QVERIFY(result.length <= best);
                QVERIFY(replay(f, result.moves).isEmpty());
            }
        }
        QVERIFY2(exact >= 16, "too few positions could be checked exactly");
    }

    void knownLengths_data()
    {
        QTest::addColumn<QString>("korf");
        QTest::addColumn<int>("length");
        for (const Known &k : KnownInstances)
            QTest::addRow("instance %d", k.number) << QString::fromLatin1(k.korf) << k.length;
    }

    void knownLengths()
    {
        QFETCH(QString, korf);
        QFETCH(int, length);
        const Fields f = fromKorf(korf.toLatin1().constData());
        QVERIFY(Solver::isSolvable(f));
        const Solver solver(m_db);
        const auto r = solver.solve(f);
        checkSolved(r, f, length);
        QVERIFY(r.nodesExpanded > 0);
        QCOMPARE(solver.solveLength(f), std::optional<int>(length));
    }

    void rosettaTask()
    {
        const Fields f = fromConventional(RosettaTask);
        checkSolved(Solver(m_db).solve(f), f, 52);
    }

    void mirrorImageNeedsTheSameMoves()
    {
        // Mirroring the board across the diagonal through the home of the
        // empty field (and renaming the tiles alike) keeps the distance.
        const Solver solver(m_db);
        for (const Known &k : KnownInstances) {
            if (k.length > 60)
                continue;
            const Fields f = fromKorf(k.korf);
            Fields m;
            for (int p = 0; p < 16; ++p) {
                const int t = f[p];
                const int tp = (p % 4) * 4 + p / 4;
                m[tp] = t == Solver::LayoutEmpty ? t : (t % 4) * 4 + t / 4;
            }
            checkSolved(solver.solve(m), m, k.length);
        }
    }

    void hint()
    {
        const Solver solver(m_db);
        QVERIFY(!solver.hint(home()));
        Fields f = home();
        std::swap(f[14], f[15]); // tile 14 on field 15, empty on 14
        QCOMPARE(solver.hint(f), std::optional<int>(15));
        // After the hinted move, one move fewer is needed.
        std::mt19937 gen(99);
        for (int i = 0; i < 30; ++i) {
            Fields g = randomWalk(gen, 30 + i);
            const auto before = solver.solve(g);
            const auto h = solver.hint(g);
            QVERIFY(h);
            const int blank = emptyField(g);
            QVERIFY(adjacent(*h, blank));
            std::swap(g[*h], g[blank]);
            QCOMPARE(solver.solveLength(g), std::optional<int>(before.length - 1));
        }
    }

    // --- cancellation ---------------------------------------------------------

    void cancelledBeforeStart()
    {
        const Solver solver(m_db);
        std::atomic<bool> cancel{true};
        const auto r = solver.solve(fromKorf(KnownInstances[0].korf), &cancel);
        QCOMPARE(int(r.status), int(Solver::Status::Cancelled));
        QVERIFY(!solver.solveLength(fromKorf(KnownInstances[0].korf), &cancel));
        // Invalid and unsolvable boards are told apart even when cancelled.
        QCOMPARE(int(solver.solve(Fields{}, &cancel).status), int(Solver::Status::Invalid));
    }

    void cancelledWhileSearching()
    {
        const Solver solver(m_db);
        const Fields hardest = fromConventional(Hardest);
        QVERIFY(Solver::isSolvable(hardest));
        std::atomic<bool> cancel{false};
        QElapsedTimer timer;
        timer.start();
        std::thread stopper([&cancel] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel.store(true);
        });
        const auto r = solver.solve(hardest, &cancel);
        const qint64 ms = timer.elapsed();
        stopper.join();
        QCOMPARE(int(r.status), int(Solver::Status::Cancelled));
        QVERIFY(r.moves.empty());
        QVERIFY(r.nodesExpanded > 0);
        QVERIFY2(ms < 5000, qPrintable(QStringLiteral("took %1 ms to stop").arg(ms)));
    }

    // --- cache ---------------------------------------------------------------

    void goodCacheLoads()
    {
        QString why = QStringLiteral("x");
        const auto loaded = PatternDatabase::load(m_cache, &why);
        QVERIFY2(loaded, qPrintable(why));
        QVERIFY(why.isEmpty());
        QVERIFY(loaded->sameTables(*m_db));
        int builds = 0;
        PatternDatabase::Origin origin;
        const auto db = PatternDatabase::loadOrBuild(m_cache, &origin, [&builds, this] {
            ++builds;
            return m_db;
        });
        QVERIFY(db);
        QVERIFY(origin.loaded);
        QVERIFY(!origin.written);
        QCOMPARE(builds, 0);
        QCOMPARE(readAll(m_cache), m_goodCache);
        // The tables read back give the published lengths.
        const Solver fromFile(loaded);
        for (const Known &k : KnownInstances)
            if (k.length < 60)
                QCOMPARE(fromFile.solveLength(fromKorf(k.korf)), std::optional<int>(k.length));
    }

    void badCacheIsRebuilt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = m_goodCache;
        QByteArray b;
        QTest::newRow("empty") << QByteArray() << "truncated header";
        QTest::newRow("header cut") << good.left(20) << "truncated header";
        QTest::newRow("payload cut") << good.left(good.size() - 1000) << "truncated";
        QTest::newRow("one byte short") << good.left(good.size() - 1) << "truncated";
        QTest::newRow("trailing bytes") << good + QByteArray("xx") << "trailing bytes";
        b = good;
        b[good.size() / 2] = char(b[good.size() / 2] ^ 0x01);
        QTest::newRow("payload bit flipped") << b << "checksum mismatch";
        b = good;
        b[CrcOffset] = char(b[CrcOffset] ^ 0x80);
        QTest::newRow("checksum damaged") << b << "checksum mismatch";
        b = good;
        b[0] = 'X';
        QTest::newRow("other magic") << b << "not a pattern database";
        QTest::newRow("foreign file") << QByteArray("PK\x03\x04 some other program's data")
                                      << "not a pattern database";
        b = good;
        b[8] = char(PatternDatabase::FormatVersion + 1);
        QTest::newRow("other format version") << withFixedCrc(b) << "other format version";
        b = good;
        std::swap(b[16 + 0], b[16 + 3]); // tiles 0 and 3 in each other's groups
        QTest::newRow("other groups") << withFixedCrc(b) << "other groups";
        b = good;
        b[12] = 2;
        QTest::newRow("other group count") << withFixedCrc(b) << "other groups";
        b = good;
        b[CrcOffset + 4 + 12345] = char(0xFF);
        QTest::newRow("impossible value, checksum fitted") << withFixedCrc(b) << "impossible values";
    }

    void badCacheIsRebuilt()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(writeAll(m_cache, bytes));
        QString why;
        QVERIFY(!PatternDatabase::load(m_cache, &why));
        QCOMPARE(why, reason);

        int builds = 0;
        PatternDatabase::Origin origin;
        const auto db = PatternDatabase::loadOrBuild(m_cache, &origin, [&builds, this] {
            ++builds;
            return m_db;
        });
        QCOMPARE(builds, 1);
        QVERIFY(db);
        QVERIFY(!origin.loaded);
        QVERIFY(origin.written);
        QCOMPARE(origin.cacheProblem, reason);
        // The file is whole again.
        QCOMPARE(readAll(m_cache), m_goodCache);
        QVERIFY(PatternDatabase::load(m_cache));
    }

    void unwritableFolderStillWorks()
    {
        // A plain file where the folder should be: nothing can be created.
        const QString blocker = m_dir.filePath(QStringLiteral("not-a-folder"));
        QVERIFY(writeAll(blocker, "x"));
        PatternDatabase::Origin origin;
        const auto db = PatternDatabase::loadOrBuild(blocker + QStringLiteral("/solver.pdb"), &origin,
                                                     [this] { return m_db; });
        QVERIFY(db);
        QVERIFY(!origin.loaded);
        QVERIFY(!origin.written);
        QVERIFY(!origin.writeProblem.isEmpty());
        QCOMPARE(Solver(db).solveLength(fromKorf(KnownInstances[7].korf)),
                 std::optional<int>(KnownInstances[7].length));
    }

    void sharedInstanceIsMadeOnce()
    {
        // Several threads ask at once; all get the one instance, read from
        // the good cache in the folder.
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath(QStringLiteral("solver.pdb")), m_goodCache));
        std::vector<std::shared_ptr<const PatternDatabase>> got(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&got, &dir, i] { got[i] = PatternDatabase::shared(dir.path()); });
        for (auto &t : threads)
            t.join();
        for (const auto &db : got) {
            QVERIFY(db);
            QCOMPARE(db.get(), got[0].get());
        }
        QVERIFY(got[0]->sameTables(*m_db));
        const Solver viaFolder(dir.path());
        QCOMPARE(&viaFolder.database(), got[0].get());
        QCOMPARE(viaFolder.solveLength(fromKorf(KnownInstances[8].korf)),
                 std::optional<int>(KnownInstances[8].length));
    }
};

QTEST_GUILESS_MAIN(TestSolver)
#include "test_solver.moc"
