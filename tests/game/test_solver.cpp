// The solver of every side and the 4 x 4 tables' cache. Lengths are checked
// against breadth-first searches from home (all of 3 x 3, the first levels of
// the larger boards) and against published optimal lengths; every solution
// is replayed.
#include "game/BeamSearch.h"
#include "game/BoundedSearch.h"
#include "game/OptimalSearch.h"
#include "game/PatternDatabase.h"
#include "game/Shuffle.h"
#include "game/Solver.h"
#include "TestFiles.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Fields = Tiles::Fields;

// True when moves (fields whose tile slides into the empty field) are all
// legal and bring board home.
bool replay(Fields board, const std::vector<int> &moves)
{
    const int side = Tiles::sideOf(board);
    for (int from : moves) {
        const int blank = int(std::find(board.begin(), board.end(), Tiles::emptyTile(side)) - board.begin());
        if (!Tiles::isMoveAllowed(from, blank, side))
            return false;
        std::swap(board[std::size_t(from)], board[std::size_t(blank)]);
    }
    return board == Tiles::home(side);
}

int manhattan(const Fields &board)
{
    const int side = Tiles::sideOf(board);
    int sum = 0;
    for (int p = 0; p < int(board.size()); ++p)
        if (board[std::size_t(p)] != Tiles::emptyTile(side))
            sum += Tiles::steps(p, board[std::size_t(p)], side);
    return sum;
}

// Level d holds every position exactly d moves from home (up to depth, or
// all of them). The move graph is bipartite: a successor of level d lies on
// level d - 1 or d + 1.
std::vector<std::vector<Fields>> bfsFromHome(int side, int depth)
{
    std::vector<std::vector<Fields>> levels{{Tiles::home(side)}};
    std::set<Fields> previous, current{levels[0][0]};
    for (int d = 0; d < depth && !levels[std::size_t(d)].empty(); ++d) {
        std::set<Fields> next;
        for (const Fields &b : levels[std::size_t(d)]) {
            const int blank = int(std::find(b.begin(), b.end(), Tiles::emptyTile(side)) - b.begin());
            for (int from : Tiles::moveTargets(blank, side)) {
                Fields n = b;
                std::swap(n[std::size_t(from)], n[std::size_t(blank)]);
                if (!previous.count(n))
                    next.insert(n);
            }
        }
        levels.emplace_back(next.begin(), next.end());
        previous.swap(current);
        current.swap(next);
    }
    if (levels.back().empty())
        levels.pop_back();
    return levels;
}

// Published optimal lengths: instances of Korf's set of 100 given a half-turn
// into this board's form and the Rosetta Code task's position. Hardest is one
// of the positions that need 80 moves, the most any needs.
const std::pair<int, Fields> Published[] = {
    {46, {15, 0, 14, 5, 8, 9, 3, 2, 13, 7, 11, 10, 4, 6, 1, 12}}, {45, {0, 2, 4, 5, 15, 12, 13, 8, 10, 3, 7, 11, 9, 6, 14, 1}},
    {42, {5, 0, 14, 7, 4, 9, 12, 15, 2, 3, 1, 6, 13, 8, 10, 11}}, {41, {4, 9, 13, 3, 5, 11, 10, 0, 8, 15, 14, 6, 12, 1, 7, 2}},
    {52, {14, 13, 0, 5, 8, 10, 3, 11, 15, 9, 6, 2, 12, 7, 4, 1}}};
const Fields Hardest = {15, 11, 8, 12, 14, 10, 9, 13, 2, 6, 1, 4, 3, 7, 5, 0};

} // namespace

class TestSolver : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;        // the solver's cache folder, its tables built here
    QString m_cache;
    QByteArray m_good;
    std::shared_ptr<const PatternDatabase> m_db;

    Solver solver() const { return Solver(m_dir.path()); }

    // Status, length, proof and a replay of the solution; the hint is its
    // first move.
    void checkSolved(const Fields &start, int expected)
    {
        const Solver::Result r = solver().solve(start);
        QVERIFY2(r.status == Solver::Status::Solved && r.length == expected && r.optimal,
                 qPrintable(QStringLiteral("%1 moves for %2").arg(r.length).arg(expected)));
        QVERIFY(replay(start, r.moves));
        QCOMPARE(solver().hint(start), expected ? std::optional<int>(r.moves[0]) : std::nullopt);
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
    // The process's tables are those the build made into the program folder,
    // read here in the background: a wait for them may be cancelled without
    // stopping the read. They are exactly the tables whose digest the
    // program knows, so a change to the build or the groups that forgets the
    // digest fails here.
    void initTestCase()
    {
        m_cache = m_dir.filePath(QStringLiteral("solver.pdb"));
        QVERIFY(QFile::copy(QStringLiteral(ZANDOR_PROGRAM_DIR "/solver.pdb"), m_cache));
        const std::atomic<bool> cancelled{true};
        QVERIFY(!PatternDatabase::shared(m_dir.path(), &cancelled));
        PatternDatabase::Origin origin;
        m_db = PatternDatabase::shared(m_dir.path(), nullptr, &origin);
        QVERIFY(m_db && origin.loaded && origin.cacheProblem.isEmpty());
        QCOMPARE(m_db->digest().toHex(), PatternDatabase::expectedDigest().toHex());
        m_good = readAll(m_cache);
        QCOMPARE(std::size_t(m_good.size()), m_db->memoryBytes());
    }

    // Every position; the lower bound of the searches for the larger boards
    // never exceeds the distance either.
    void threeByThreeMatchesBreadthFirstSearch()
    {
        const auto levels = bfsFromHome(3, 40);
        std::size_t positions = 0;
        for (std::size_t d = 0; d < levels.size() && !QTest::currentTestFailed(); ++d)
            for (const Fields &f : levels[d]) {
                const Solver::Result r = solver().solve(f);
                QVERIFY(r.status == Solver::Status::Solved && r.optimal && r.length == int(d) && replay(f, r.moves));
                QVERIFY(BoundedSearch::lowerBound(f) <= int(d) && BoundedSearch::lowerBound(f) >= manhattan(f));
                ++positions;
            }
        QCOMPARE(positions, std::size_t(181440));
        QCOMPARE(levels.size(), std::size_t(32));   // the farthest need 31 moves
    }

    // The first levels from home: the quick search the solver tries first,
    // and the tables' search on its own; then published lengths. Split
    // between two threads from the first round on, the tables' search finds
    // the same solution as on one.
    void fourByFourShortestLengths()
    {
        const auto levels = bfsFromHome(4, 12);
        std::vector<std::pair<int, Fields>> starts;
        for (std::size_t d = 0; d < levels.size(); ++d) {
            const std::size_t picks = std::min<std::size_t>(12, levels[d].size());
            for (std::size_t j = 0; j < picks; ++j)
                starts.emplace_back(int(d), levels[d][j * levels[d].size() / picks]);
        }
        starts.insert(starts.end(), std::begin(Published), std::end(Published));
        for (const auto &[length, start] : starts) {
            checkSolved(start, length);
            Solver::Result one, two;
            OptimalSearch::solve(*m_db, start.data(), nullptr, 1, one);
            OptimalSearch::solve(*m_db, start.data(), nullptr, 2, two, 0);
            QVERIFY(!QTest::currentTestFailed() && one.length == length && replay(start, one.moves));
            QVERIFY(two.moves == one.moves);
        }
    }

    // Near home the larger boards are solved in the fewest moves and proven
    // so; a deal gets a short solution, also in stages alone.
    void largerBoardsNearHomeAndDealt()
    {
        for (int side : {5, 6}) {
            const auto levels = bfsFromHome(side, 8);
            for (std::size_t d = 0; d < levels.size(); d += 2)
                checkSolved(levels[d][levels[d].size() / 2], int(d));
        }
        RandomSource random(7);
        const RandomDraw draw = random.draw();
        for (int side = Tiles::MinSide; side <= Tiles::MaxSide; ++side) {
            const Fields deal = *Tiles::fromLayout(Steine_Mischen(draw, side), side);
            const Solver::Result r = solver().solve(deal);
            QVERIFY(r.status == Solver::Status::Solved && replay(deal, r.moves));
            QVERIFY2(r.length <= 2 * manhattan(deal), qPrintable(QString::number(r.length)));
            QCOMPARE(r.optimal, side <= 4);
            if (side >= 4) {
                Solver::Result staged;
                BeamSearch::solveInStages(deal, nullptr, staged);
                QVERIFY(staged.status == Solver::Status::Solved && replay(deal, staged.moves));
                QCOMPARE(staged.length, int(staged.moves.size()));
            }
        }
    }

    // Told apart on every side even when the search is cancelled before it
    // starts; long searches stop soon after they are cancelled.
    void statusesAndCancelling()
    {
        using S = Solver::Status;
        const std::atomic<bool> cancel{true};
        for (int side = Tiles::MinSide; side <= Tiles::MaxSide; ++side) {
            const Fields home = Tiles::home(side);
            Fields repeated = home, swapped = home, moved = home;
            repeated[0] = repeated[1];
            std::swap(swapped[0], swapped[1]);
            std::swap(moved[home.size() - 1], moved[home.size() - 2]);
            const std::pair<Fields, S> rows[] = {{repeated, S::Invalid}, {Fields(home.begin(), home.end() - 1), S::Invalid},
                                                 {swapped, S::Unsolvable}, {moved, S::Solved}};
            for (const auto &[f, status] : rows) {
                const Solver::Result r = solver().solve(f);
                QVERIFY(r.status == status && r.moves.empty() == (status != S::Solved));
                QCOMPARE(solver().hint(f).has_value(), status == S::Solved);
                QVERIFY(solver().solve(f, &cancel).status == (status == S::Solved ? S::Cancelled : status));
            }
        }
        QVERIFY(solver().solve(Fields(49, 0)).status == S::Invalid && !solver().hint(Tiles::home(5)));
        RandomSource random(3);
        const RandomDraw draw = random.draw();
        for (const Fields &f : {Hardest, *Tiles::fromLayout(Steine_Mischen(draw, 6), 6)}) {
            std::atomic<bool> later{false};
            QElapsedTimer timer;
            timer.start();
            std::thread stopper([&later] { QThread::msleep(100), later = true; });
            const Solver::Result r = solver().solve(f, &later);
            stopper.join();
            QVERIFY(r.status == S::Cancelled && r.moves.empty() && timer.elapsed() < 2000);
        }
    }

    // A good cache is read as it was written; every other file is built
    // anew and rewritten: among them one whose entries all claim the most
    // moves, its header intact.
    void cacheFileIsUsedOnlyWithTheProgramsTables()
    {
        QVERIFY(rebuild(m_cache, 0).loaded);
        const QByteArray good = m_good;
        auto changed = [&good](int at, char value) { QByteArray b = good; b[at] = value; return b; };
        const int header = 32 + 4 * PatternDatabase::GroupCount;   // magic, version, groups, table sizes
        QByteArray forged = good;
        std::fill(forged.begin() + header, forged.end(), char(0xFF));
        const std::pair<QByteArray, const char *> rows[] = {
            {QByteArray(), "truncated header"}, {good.chopped(1), "truncated"}, {good + 'x', "trailing bytes"},
            {changed(good.size() / 2, char(good[good.size() / 2] ^ 1)), "other tables"}, {forged, "other tables"},
            {QByteArray("PK\x03\x04 other data"), "not a pattern database"},
            {changed(8, PatternDatabase::FormatVersion + 1), "other format version"},
            {changed(16, 0), "other groups"}, {changed(32, 0), "other table sizes"}};
        for (const auto &[bytes, reason] : rows) {
            QVERIFY(writeAll(m_cache, bytes));
            const PatternDatabase::Origin origin = rebuild(m_cache, 1);
            QCOMPARE(origin.cacheProblem, QString::fromLatin1(reason));
            QVERIFY(!origin.loaded && origin.written && readAll(m_cache) == m_good);
        }
        QVERIFY(QFile::remove(m_cache));
        const PatternDatabase::Origin missing = rebuild(m_cache, 1);
        QVERIFY(missing.cacheProblem == QStringLiteral("missing") && missing.written && readAll(m_cache) == m_good);
    }

    // A FIFO is not opened, nor replaced; a place that cannot be written
    // keeps the tables in memory. Threads asking at once for the process's
    // tables get the one instance.
    void onlyFilesAndLinksAreReplaced()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo.pdb"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        const PatternDatabase::Origin origin = rebuild(fifo, 1);
        QVERIFY(origin.cacheProblem == QStringLiteral("not a regular file") && !origin.written && !QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo::exists(fifo) && !rebuild(fifo + QStringLiteral("/solver.pdb"), 1).written);
        std::vector<std::shared_ptr<const PatternDatabase>> got(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&got, &dir, i] { got[std::size_t(i)] = PatternDatabase::shared(dir.path()); });
        std::for_each(threads.begin(), threads.end(), [](std::thread &t) { t.join(); });
        for (const auto &db : got)
            QCOMPARE(db, m_db);
    }
};

QTEST_GUILESS_MAIN(TestSolver)
#include "test_solver.moc"
