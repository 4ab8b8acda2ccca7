// The optimal solver and its pattern-database cache.
//
// Lengths are checked against an exhaustive breadth-first search from home
// and against published optimal lengths; every solution is replayed.
#include "game/PatternDatabase.h"
#include "game/Solver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <sys/stat.h>
#include <thread>

Q_DECLARE_METATYPE(Solver::Status)

namespace {

using Fields = Tiles::Fields;
using Packed = quint64;

constexpr int BfsDepth = 16;

Fields fromText(const char *text)
{
    Fields f;
    f.fill(-1);
    const QStringList parts = QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < 16 && i < parts.size(); ++i)
        f[i] = parts[i].toInt();
    return f;
}

// Empty text when moves (fields whose tile slides into the empty field) are
// all legal and bring start home.
QString replay(Fields board, const std::vector<int> &moves)
{
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const int blank = int(std::find(board.begin(), board.end(), Tiles::Empty) - board.begin());
        if (!Tiles::isMoveAllowed(moves[i], blank))
            return QStringLiteral("move %1 from field %2 is not next to the empty field %3")
                .arg(i).arg(moves[i]).arg(blank);
        std::swap(board[moves[i]], board[blank]);
    }
    return board == Tiles::home() ? QString() : QStringLiteral("the moves do not end at home");
}

Packed pack(const Fields &f)
{
    Packed p = 0;
    for (int i = 0; i < 16; ++i)
        p |= Packed(f[i]) << (4 * i);
    return p;
}

Fields unpack(Packed p)
{
    Fields f;
    for (int i = 0; i < 16; ++i)
        f[i] = int((p >> (4 * i)) & 0xF);
    return f;
}

// Level d holds every position exactly d moves from home, sorted. The move
// graph is bipartite: a successor of level d lies on level d - 1 or d + 1.
std::vector<std::vector<Packed>> bfsFromHome(int depth)
{
    std::vector<std::vector<Packed>> levels{{pack(Tiles::home())}};
    for (int d = 0; d < depth; ++d) {
        std::vector<Packed> next;
        for (Packed s : levels[d]) {
            int blank = 0;
            while (((s >> (4 * blank)) & 0xF) != 0xF)
                ++blank;
            for (int from : Tiles::moveTargets(blank)) {
                const Packed tile = (s >> (4 * from)) & 0xF;
                next.push_back((s | (Packed(0xF) << (4 * from))) & ~((0xF ^ tile) << (4 * blank)));
            }
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        if (d > 0) {
            const auto &prev = levels[d - 1];
            next.erase(std::remove_if(next.begin(), next.end(), [&prev](Packed s) {
                return std::binary_search(prev.begin(), prev.end(), s);
            }), next.end());
        }
        levels.push_back(std::move(next));
    }
    return levels;
}

// Published optimal lengths (as in bench/positions.txt): instances of Korf's
// set of 100, given a half-turn into this board's form, and the Rosetta Code
// task's position.
const struct {
    int length;
    const char *board;
} Published[] = {
    {46, "100 0 14 5 8 9 3 2 13 7 11 10 4 6 1 12"},
    {45, "0 2 4 5 100 12 13 8 10 3 7 11 9 6 14 1"},
    {42, "5 0 14 7 4 9 12 100 2 3 1 6 13 8 10 11"},
    {41, "4 9 13 3 5 11 10 0 8 100 14 6 12 1 7 2"},
    {44, "1 2 11 7 12 13 9 0 5 6 14 3 4 100 8 10"},
    {49, "2 4 6 3 100 13 11 12 14 8 7 0 10 5 1 9"},
    {52, "14 13 0 5 8 10 3 11 100 9 6 2 12 7 4 1"},
};

// One of the positions published as needing 80 moves, the most any needs:
// far too hard to finish quickly, so it shows that a search can be stopped.
const char *const Hardest = "15 11 8 12 14 10 9 13 2 6 1 4 3 7 5 0";

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
        const QString why = replay(start, r.moves);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QCOMPARE(solver.hint(start), expected ? std::optional<int>(r.moves[0]) : std::nullopt);
    }

    PatternDatabase::Origin rebuild(const QString &file, int expectedBuilds)
    {
        int builds = 0;
        PatternDatabase::Origin origin;
        const auto db = PatternDatabase::loadOrBuild(file, &origin, [&builds, this] {
            ++builds;
            return m_db;
        });
        [&] {
            QCOMPARE(builds, expectedBuilds);
            QVERIFY(builds ? db == m_db : db && db != m_db);
        }();
        return origin;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_cache = m_dir.filePath(QStringLiteral("solver.pdb"));
        PatternDatabase::Origin origin;
        m_db = PatternDatabase::loadOrBuild(m_cache, &origin);
        QVERIFY(m_db && !origin.loaded && origin.written);
        m_good = readAll(m_cache);
        QCOMPARE(std::size_t(m_good.size()), m_db->memoryBytes());
    }

    void lengthsMatchBreadthFirstSearch()
    {
        const auto levels = bfsFromHome(BfsDepth);
        // Well-known counts of positions per distance show the search is right.
        const std::size_t counts[] = {1, 2, 4, 10, 24, 54, 107, 212, 446, 946, 1948};
        for (int d = 0; d <= 10; ++d)
            QCOMPARE(levels[d].size(), counts[d]);
        for (int d = 0; d <= BfsDepth; ++d) {
            const std::size_t picks = std::min<std::size_t>(d == BfsDepth ? 200 : 12, levels[d].size());
            for (std::size_t j = 0; j < picks; ++j)
                checkSolved(unpack(levels[d][j * levels[d].size() / picks]), d);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void publishedLengths()
    {
        for (const auto &p : Published) {
            const Fields given = fromText(p.board);
            const Fields f = *Tiles::fromLayout(QVector<qint16>(given.begin(), given.end()));
            checkSolved(f, p.length);
            // The mirror image across the diagonal through the empty field's
            // home, tiles renamed alike, needs as many moves.
            Fields m;
            for (int q = 0; q < 16; ++q)
                m[(q % 4) * 4 + q / 4] = f[q] == Tiles::Empty ? f[q] : (f[q] % 4) * 4 + f[q] / 4;
            checkSolved(m, p.length);
        }
    }

    void invalidAndUnsolvableToldApart_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Solver::Status>("status");
        QTest::newRow("tile twice") << "0 1 2 4 4 5 6 7 8 9 10 11 12 13 14 15" << Solver::Status::Invalid;
        QTest::newRow("no empty field") << "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 14" << Solver::Status::Invalid;
        QTest::newRow("layout value") << "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 100" << Solver::Status::Invalid;
        QTest::newRow("negative") << "0 1 -1 3 4 5 6 7 8 9 10 11 12 13 14 15" << Solver::Status::Invalid;
        QTest::newRow("13, 14 exchanged") << "0 1 2 3 4 5 6 7 8 9 10 11 12 14 13 15" << Solver::Status::Unsolvable;
        QTest::newRow("empty first") << "15 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14" << Solver::Status::Unsolvable;
        QTest::newRow("one move") << "0 1 2 3 4 5 6 7 8 9 10 11 12 13 15 14" << Solver::Status::Solved;
    }

    void invalidAndUnsolvableToldApart()
    {
        QFETCH(QString, board);
        QFETCH(Solver::Status, status);
        const Fields f = fromText(board.toLatin1().constData());
        const Solver solver(m_db);
        const Solver::Result r = solver.solve(f);
        QCOMPARE(r.status, status);
        QCOMPARE(r.moves.empty(), status != Solver::Status::Solved);
        QCOMPARE(solver.hint(f).has_value(), status == Solver::Status::Solved);
        // Told apart even when the search is cancelled before it starts.
        const std::atomic<bool> cancel{true};
        QCOMPARE(solver.solve(f, &cancel).status,
                 status == Solver::Status::Solved ? Solver::Status::Cancelled : status);
    }

    void cancelStopsASearch()
    {
        std::atomic<bool> cancel{false};
        QElapsedTimer timer;
        timer.start();
        std::thread stopper([&cancel] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            cancel = true;
        });
        const Solver::Result r = Solver(m_db).solve(fromText(Hardest), &cancel);
        stopper.join();
        QCOMPARE(r.status, Solver::Status::Cancelled);
        QVERIFY(r.moves.empty() && r.nodesExpanded > 0);
        QVERIFY2(timer.elapsed() < 3000, "took too long to stop");
    }

    void goodCacheIsLoaded()
    {
        QString why = QStringLiteral("x");
        const auto loaded = PatternDatabase::load(m_cache, &why);
        QVERIFY2(loaded && why.isEmpty(), qPrintable(why));
        const QString copy = m_dir.filePath(QStringLiteral("copy.pdb"));
        QVERIFY(loaded->save(copy));
        QCOMPARE(readAll(copy), m_good);
        const PatternDatabase::Origin origin = rebuild(m_cache, 0);
        QVERIFY(origin.loaded && !origin.written);
        QCOMPARE(readAll(m_cache), m_good);
    }

    void damagedCacheIsRebuilt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = m_good;
        auto changed = [&good](int at, char value) { QByteArray b = good; b[at] = value; return b; };
        QTest::newRow("empty") << QByteArray() << "truncated header";
        QTest::newRow("header cut") << good.left(CrcOffset + 3) << "truncated header";
        QTest::newRow("one byte short") << good.chopped(1) << "truncated";
        QTest::newRow("trailing byte") << good + 'x' << "trailing bytes";
        QTest::newRow("payload bit flipped") << changed(good.size() / 2, char(good[good.size() / 2] ^ 1))
                                             << "checksum mismatch";
        QTest::newRow("checksum damaged") << changed(CrcOffset, char(good[CrcOffset] ^ 0x80)) << "checksum mismatch";
        QTest::newRow("foreign file") << QByteArray("PK\x03\x04 other data") << "not a pattern database";
        QTest::newRow("other version") << withFittingCrc(changed(8, PatternDatabase::FormatVersion + 1))
                                       << "other format version";
        QByteArray b = good;
        std::swap(b[16 + 0], b[16 + 3]); // tiles 0 and 3 in each other's groups
        QTest::newRow("other groups") << withFittingCrc(b) << "other groups";
        QTest::newRow("other table size") << withFittingCrc(changed(32, 0)) << "other table sizes";
        QTest::newRow("unreached value") << withFittingCrc(changed(CrcOffset + 4 + 12345, char(0xFF)))
                                         << "impossible values";
        QTest::newRow("home not 0") << withFittingCrc(changed(good.size() - 3360, 1))
                                    << "impossible values";
    }

    void damagedCacheIsRebuilt()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(writeAll(m_cache, bytes));
        const PatternDatabase::Origin origin = rebuild(m_cache, 1);
        QCOMPARE(origin.cacheProblem, reason);
        QVERIFY(!origin.loaded && origin.written);
        QCOMPARE(readAll(m_cache), m_good);
    }

    void onlyFilesAndLinksAreReplaced()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo.pdb"));
        const QString folder = dir.filePath(QStringLiteral("folder.pdb"));
        const QString link = dir.filePath(QStringLiteral("link.pdb"));
        const QString target = dir.filePath(QStringLiteral("target"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(writeAll(target, "damaged") && QFile::link(target, link));
        for (const QString &path : {fifo, folder}) {
            const PatternDatabase::Origin origin = rebuild(path, 1);
            QCOMPARE(origin.cacheProblem, QStringLiteral("not a regular file"));
            QVERIFY(!origin.written);
        }
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile() && QFileInfo(folder).isDir());
        QVERIFY(rebuild(link, 1).written);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(readAll(link), m_good);
        QCOMPARE(readAll(target), QByteArray("damaged"));
        // An unwritable place leaves the tables in memory.
        QVERIFY(!rebuild(target + QStringLiteral("/solver.pdb"), 1).written);
    }

    void sharedInstanceIsMadeOnce()
    {
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath(QStringLiteral("solver.pdb")), m_good));
        std::vector<std::shared_ptr<const PatternDatabase>> got(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&got, &dir, i] { got[i] = PatternDatabase::shared(dir.path()); });
        for (auto &t : threads)
            t.join();
        for (const auto &db : got)
            QVERIFY(db && db == got[0]);
        QVERIFY(got[0] != m_db && got[0]->save(dir.filePath(QStringLiteral("copy.pdb"))));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("copy.pdb"))), m_good);
    }
};

QTEST_GUILESS_MAIN(TestSolver)
#include "test_solver.moc"
