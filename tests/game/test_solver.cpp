// The optimal solver and its pattern-database cache. Lengths are checked
// against an exhaustive breadth-first search from home and against published
// optimal lengths; every solution is replayed.
#include "game/PatternDatabase.h"
#include "game/Solver.h"
#include "TestFiles.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <vector>
#include <sched.h>
#include <sys/stat.h>
#include <thread>

namespace {

using Fields = Tiles::Fields;
using Packed = quint64; // four bits per field

// True when moves (fields whose tile slides into the empty field) are all
// legal and bring board home.
bool replay(Fields board, const std::vector<int> &moves)
{
    for (int from : moves) {
        const int blank = int(std::find(board.begin(), board.end(), Tiles::emptyTile(4)) - board.begin());
        if (!Tiles::isMoveAllowed(from, blank, 4))
            return false;
        std::swap(board[from], board[blank]);
    }
    return board == Tiles::home(4);
}

// Level d holds every position exactly d moves from home, sorted. The move
// graph is bipartite: a successor of level d lies on level d - 1 or d + 1.
std::vector<std::vector<Packed>> bfsFromHome(int depth)
{
    std::vector<std::vector<Packed>> levels{{0xFEDCBA9876543210ull}};
    for (int d = 0; d < depth; ++d) {
        std::vector<Packed> next;
        for (Packed s : levels[d]) {
            int blank = 0;
            while (((s >> (4 * blank)) & 0xF) != 0xF)
                ++blank;
            for (int from : Tiles::moveTargets(blank, 4)) {
                const Packed tile = (s >> (4 * from)) & 0xF;
                next.push_back((s | (Packed(0xF) << (4 * from))) & ~((0xF ^ tile) << (4 * blank)));
            }
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        if (d > 0)
            next.erase(std::remove_if(next.begin(), next.end(), [&](Packed s) {
                return std::binary_search(levels[d - 1].begin(), levels[d - 1].end(), s);
            }), next.end());
        levels.push_back(std::move(next));
    }
    return levels;
}

// Published optimal lengths: instances of Korf's set of 100 given a half-turn
// into this board's form, and the Rosetta Code task's position.
const std::pair<int, Fields> Published[] = {
    {46, {15, 0, 14, 5, 8, 9, 3, 2, 13, 7, 11, 10, 4, 6, 1, 12}}, {45, {0, 2, 4, 5, 15, 12, 13, 8, 10, 3, 7, 11, 9, 6, 14, 1}},
    {42, {5, 0, 14, 7, 4, 9, 12, 15, 2, 3, 1, 6, 13, 8, 10, 11}}, {41, {4, 9, 13, 3, 5, 11, 10, 0, 8, 15, 14, 6, 12, 1, 7, 2}},
    {44, {1, 2, 11, 7, 12, 13, 9, 0, 5, 6, 14, 3, 4, 15, 8, 10}}, {49, {2, 4, 6, 3, 15, 13, 11, 12, 14, 8, 7, 0, 10, 5, 1, 9}},
    {52, {14, 13, 0, 5, 8, 10, 3, 11, 15, 9, 6, 2, 12, 7, 4, 1}}};

constexpr int CrcOffset = 32 + 4 * 3; // header of the three-group cache, before the CRC

// The bytes with a CRC-32 that fits them, to forge files that pass it.
QByteArray withFittingCrc(QByteArray bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : bytes.left(CrcOffset) + bytes.mid(CrcOffset + 4)) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    qToLittleEndian<quint32>(~crc, bytes.data() + CrcOffset);
    return bytes;
}

} // namespace

class TestSolver : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_cache;
    QByteArray m_good;
    std::shared_ptr<const PatternDatabase> m_db;

    // Status, length and a replay of the solution; the hint is its first move.
    void checkSolved(const Fields &start, int expected)
    {
        const Solver solver(m_db);
        const Solver::Result r = solver.solve(start);
        QCOMPARE(r.status, Solver::Status::Solved);
        QCOMPARE(r.length, expected);
        QVERIFY(replay(start, r.moves));
        QCOMPARE(solver.hint(start), expected ? std::optional<int>(r.moves[0]) : std::nullopt);
    }

    // loadOrBuild with a builder that hands over the tables built once.
    PatternDatabase::Origin rebuild(const QString &file, int expectedBuilds)
    {
        int builds = 0;
        PatternDatabase::Origin origin;
        const auto db = PatternDatabase::loadOrBuild(file, &origin, [&] { return ++builds, m_db; });
        [&] {
            QCOMPARE(builds, expectedBuilds);
            QVERIFY(builds ? db == m_db : db && db != m_db);
        }();
        return origin;
    }

private slots:
    void initTestCase()
    {
        m_cache = m_dir.filePath(QStringLiteral("solver.pdb"));
        PatternDatabase::Origin origin;
        m_db = PatternDatabase::loadOrBuild(m_cache, &origin);
        QVERIFY(m_db && !origin.loaded && origin.written);
        m_good = readAll(m_cache);
        QCOMPARE(std::size_t(m_good.size()), m_db->memoryBytes());
    }

    void lengthsMatchBreadthFirstSearch()
    {
        const int depth = 16;
        const auto levels = bfsFromHome(depth);
        for (int d = 0; d <= depth && !QTest::currentTestFailed(); ++d) {
            const std::size_t picks = std::min<std::size_t>(d == depth ? 200 : 12, levels[d].size());
            for (std::size_t j = 0; j < picks; ++j) {
                Fields f(16);
                for (int p = 0; p < 16; ++p)
                    f[p] = int((levels[d][j * levels[d].size() / picks] >> (4 * p)) & 0xF);
                checkSolved(f, d);
            }
        }
    }

    void publishedLengths()
    {
        for (const auto &[length, start] : Published)
            checkSolved(start, length);
    }

    // Told apart even when the search is cancelled before it starts; a
    // search for one of the positions published as needing 80 moves, the
    // most any needs, stops soon after it is cancelled.
    void statusesAndCancelling()
    {
        using S = Solver::Status;
        const std::pair<Fields, S> rows[] = {{{0, 1, 2, 4, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, S::Invalid},
                                             {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 13, 15}, S::Unsolvable},
                                             {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 14}, S::Solved}};
        const Solver solver(m_db);
        const std::atomic<bool> cancel{true};
        for (const auto &[f, status] : rows) {
            const Solver::Result r = solver.solve(f);
            QVERIFY(r.status == status && r.moves.empty() == (status != S::Solved));
            QCOMPARE(solver.hint(f).has_value(), status == S::Solved);
            QVERIFY(solver.solve(f, &cancel).status == (status == S::Solved ? S::Cancelled : status));
        }
        std::atomic<bool> later{false};
        QElapsedTimer timer;
        timer.start();
        std::thread stopper([&later] { QThread::msleep(200), later = true; });
        const Solver::Result r = solver.solve({15, 11, 8, 12, 14, 10, 9, 13, 2, 6, 1, 4, 3, 7, 5, 0}, &later);
        stopper.join();
        QVERIFY(r.status == S::Cancelled && r.moves.empty() && r.nodesExpanded > 0 && timer.elapsed() < 3000);
    }

    // A good cache is read as it was written; threads asking at once for a
    // folder's tables get the one instance.
    void goodCacheIsLoadedOnce()
    {
        QVERIFY(rebuild(m_cache, 0).loaded);
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath(QStringLiteral("solver.pdb")), m_good));
        std::vector<std::shared_ptr<const PatternDatabase>> got(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&got, &dir, i] { got[i] = PatternDatabase::shared(dir.path()); });
        std::for_each(threads.begin(), threads.end(), [](std::thread &t) { t.join(); });
        for (const auto &db : got)
            QVERIFY(db && db == got[0] && db != m_db);
    }

    // The build leaves out the states whose entry is at the cap; the tables
    // are still exactly those of the search over every state, which earlier
    // builds wrote into the cache files of this format. Pinned by that
    // search's checksum (the file's bytes 44-47). The build searches with
    // two threads where it may run on two processors and with one
    // otherwise: pinned to one processor it writes the same file.
    void tablesAreThoseOfTheCompleteSearch()
    {
        QCOMPARE(qFromLittleEndian<quint32>(m_good.constData() + 44), quint32(0xc02d83b5));
        cpu_set_t all, one;
        QVERIFY(sched_getaffinity(0, sizeof all, &all) == 0);
        CPU_ZERO(&one);
        for (int c = 0; c < CPU_SETSIZE; ++c)
            if (CPU_ISSET(c, &all)) {
                CPU_SET(c, &one);
                break;
            }
        QVERIFY(sched_setaffinity(0, sizeof one, &one) == 0);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("solver.pdb"));
        PatternDatabase::Origin origin;
        const bool built = PatternDatabase::loadOrBuild(file, &origin) && origin.written;
        QVERIFY(sched_setaffinity(0, sizeof all, &all) == 0);
        QVERIFY(built);
        QVERIFY(readAll(file) == m_good);
    }

    void damagedCacheIsRebuilt()
    {
        const QByteArray good = m_good;
        auto changed = [&good](int at, char value) { QByteArray b = good; b[at] = value; return b; };
        const std::pair<QByteArray, const char *> rows[] = {
            {QByteArray(), "truncated header"}, {good.chopped(1), "truncated"}, {good + 'x', "trailing bytes"},
            {changed(good.size() / 2, char(good[good.size() / 2] ^ 1)), "checksum mismatch"},
            {QByteArray("PK\x03\x04 other data"), "not a pattern database"},
            {changed(8, PatternDatabase::FormatVersion + 1), "other format version"},
            {changed(16, 0), "other groups"}, {changed(32, 0), "other table sizes"},
            // The three-tile table comes last; its home placement has rank 0.
            {withFittingCrc(changed(good.size() - 840, 1)), "impossible values"}};
        for (const auto &[bytes, reason] : rows) {
            QVERIFY(writeAll(m_cache, bytes));
            const PatternDatabase::Origin origin = rebuild(m_cache, 1);
            QCOMPARE(origin.cacheProblem, QString::fromLatin1(reason));
            QVERIFY(!origin.loaded && origin.written && readAll(m_cache) == m_good);
        }
    }

    // A FIFO is not opened, nor replaced; a place that cannot be written
    // keeps the tables in memory.
    void onlyFilesAndLinksAreReplaced()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo.pdb"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        const PatternDatabase::Origin origin = rebuild(fifo, 1);
        QVERIFY(origin.cacheProblem == QStringLiteral("not a regular file") && !origin.written && !QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo::exists(fifo) && !rebuild(fifo + QStringLiteral("/solver.pdb"), 1).written);
    }
};

QTEST_GUILESS_MAIN(TestSolver)
#include "test_solver.moc"
