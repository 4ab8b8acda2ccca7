// Benchmark of the solver, every board side.
//
//   solver_bench [FILE] [--cache DIR] [--fresh] [--deals N] [--seed S] [--side N] [--beside]
//
// Makes the 4 x 4 pattern databases the way the game does (read from
// DIR/solver.pdb, or built and written there when the file is unusable;
// --fresh removes it first), then solves N random deals (default 20) of each
// side (or of the side given), dealt by the game's shuffle from a generator
// seeded with S (1), and the positions of FILE (or --known FILE; default
// positions.txt beside this source).
//
// A position line holds the known length (0 when unknown), then the side*side
// fields row by row, 100 for the empty field; the side follows from the
// count. For each position one line "N length proved milliseconds": its side,
// the length found, 1 when it is proven the fewest, and the processor time of
// its search (--beside: of two searches of it at once, as the game's best
// value and a hint may run). Every solution is replayed: a failure is a known
// length not met, an illegal move or a solution that does not end home.
//
// Per side the deals' processor time (median and worst), how often a
// shortest solution was proven, and the solutions' length against the
// deals' Manhattan distance; the tables' making (wall and processor time),
// size and the peak resident memory (VmHWM) before and after; the
// positions' time in all, wall and processor.
#include "game/PatternDatabase.h"
#include "game/Shuffle.h"
#include "game/Solver.h"
#include "game/Tiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Board = std::vector<int>;

// Processor time of this process: on a busy machine the wall time also
// counts the time other processes had the processor.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Peak resident memory of the process in MB.
double peakMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

int manhattan(const Board &b)
{
    const int side = Tiles::sideOf(b);
    int sum = 0;
    for (int p = 0; p < int(b.size()); ++p)
        if (b[std::size_t(p)] != Tiles::emptyTile(side))
            sum += Tiles::steps(p, b[std::size_t(p)], side);
    return sum;
}

// True when the moves bring board home, each a tile next to the empty field.
bool replays(Board board, const Solver::Result &r)
{
    if (int(r.moves.size()) != r.length)
        return false;
    const int side = Tiles::sideOf(board);
    for (int from : r.moves) {
        const int blank = int(std::find(board.begin(), board.end(), Tiles::emptyTile(side)) - board.begin());
        if (!Tiles::isMoveAllowed(from, blank, side))
            return false;
        std::swap(board[std::size_t(from)], board[std::size_t(blank)]);
    }
    return board == Tiles::home(side);
}

struct Timed {
    Solver::Result result;
    double cpu = 0;
    double wall = 0;
};

// With beside, a second search of the same board runs at the same time, as
// the game's best value and a hint may: the processor time is then that of
// both.
Timed timedSolve(const Solver &solver, const Board &b, bool beside)
{
    QElapsedTimer wall;
    wall.start();
    const double start = cpuSeconds();
    Timed t;
    std::thread second;
    if (beside)
        second = std::thread([&solver, &b] { solver.solve(b); });
    t.result = solver.solve(b);
    if (second.joinable())
        second.join();
    t.cpu = cpuSeconds() - start;
    t.wall = double(wall.nsecsElapsed()) / 1e9;
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString cacheDir = QCoreApplication::applicationDirPath();
    QString known = QStringLiteral(ZANDOR_BENCH_DIR "/positions.txt");
    bool fresh = false;
    bool beside = false;
    int deals = 20;
    int onlySide = 0;
    unsigned long long seed = 1;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--cache") && hasValue)
            cacheDir = args[++i];
        else if (a == QLatin1String("--known") && hasValue)
            known = args[++i];
        else if (a == QLatin1String("--deals") && hasValue)
            deals = args[++i].toInt();
        else if (a == QLatin1String("--seed") && hasValue)
            seed = args[++i].toULongLong();
        else if (a == QLatin1String("--side") && hasValue)
            onlySide = args[++i].toInt();
        else if (a == QLatin1String("--fresh"))
            fresh = true;
        else if (a == QLatin1String("--beside"))
            beside = true;
        else if (!a.startsWith(QLatin1String("--")))
            known = a;
        else {
            std::fprintf(stderr, "usage: solver_bench [FILE] [--cache DIR] [--fresh] [--deals N] [--seed S] [--side N] [--beside]\n");
            return 2;
        }
    }
    const double bare = peakMB();
    std::printf("peak memory, bare process: %.1f MB\n", bare);

    const QString file = QDir(cacheDir).filePath(QString::fromLatin1(PatternDatabase::CacheFileName));
    if (fresh)
        QFile::remove(file);
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    PatternDatabase::Origin origin;
    const auto db = PatternDatabase::shared(cacheDir, nullptr, &origin);
    const double tablesCpu = cpuSeconds() - cpuStart;
    if (!db) {
        std::printf("no memory for the 4 x 4 tables\n");
        return 1;
    }
    // A build searches with two threads where two processors are there:
    // its wall time is the player's wait, its processor time the sum of both.
    std::printf("4 x 4 tables %s in %.3f s wall (%.3f s cpu), %.1f MB%s%s\n",
                origin.loaded ? "loaded" : "built", double(wall.nsecsElapsed()) / 1e9, tablesCpu,
                double(db->memoryBytes()) / 1e6,
                origin.loaded ? "" : qPrintable(QStringLiteral(", cache: ") + origin.cacheProblem),
                origin.loaded ? "" : (origin.written ? ", written" : ", not written"));
    std::printf("tables' digest %s%s\n", db->digest().toHex().constData(),
                db->digest() == PatternDatabase::expectedDigest() ? "" : " (not the program's)");
    const double peak = peakMB();
    std::printf("peak memory with the tables: %.1f MB, %.1f MB above the bare process\n", peak, peak - bare);

    const Solver solver(cacheDir);
    int failures = 0;
    RandomSource random(seed);
    const RandomDraw draw = random.draw();
    for (int side = Tiles::MinSide; side <= Tiles::MaxSide; ++side) {
        if (onlySide && side != onlySide)
            continue;
        std::vector<double> times;
        double lengths = 0, distances = 0;
        int proved = 0;
        for (int i = 0; i < deals; ++i) {
            const Board b = *Tiles::fromLayout(Steine_Mischen(draw, side), side);
            const Timed t = timedSolve(solver, b, beside);
            if (t.result.status != Solver::Status::Solved || !replays(b, t.result))
                ++failures;
            times.push_back(t.cpu);
            lengths += t.result.length;
            distances += manhattan(b);
            proved += t.result.optimal;
        }
        if (times.empty())
            continue;
        std::sort(times.begin(), times.end());
        std::printf("%d x %d, %d deals (seed %llu): %.3f ms cpu median, %.3f ms worst; %d proven shortest; "
                    "%.1f moves on average, %.3f x the Manhattan distance (%.1f)\n",
                    side, side, deals, seed, times[times.size() / 2] * 1e3, times.back() * 1e3, proved,
                    lengths / deals, lengths / distances, distances / deals);
    }

    std::ifstream in(known.toLocal8Bit().constData());
    int checked = 0;
    double positionsCpu = 0, positionsWall = 0;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream ls(line);
        int length;
        if (!(ls >> length))
            continue; // blank or comment
        QVector<qint16> layout;
        for (int v; ls >> v;)
            layout.push_back(qint16(v));
        int side = Tiles::MinSide;
        while (side < Tiles::MaxSide && Tiles::fieldCount(side) < layout.size())
            ++side;
        const Board b = Tiles::fromLayout(layout, side).value_or(Board());
        if (onlySide && side != onlySide)
            continue;
        const Timed t = timedSolve(solver, b, beside);
        ++checked;
        positionsCpu += t.cpu;
        positionsWall += t.wall;
        if (Tiles::fieldCount(side) != layout.size()) {
            ++failures;
            std::printf("  wrong: %s is no board\n", line.c_str());
            continue;
        }
        std::printf("%d %d %d %.0f\n", side, t.result.length, t.result.optimal ? 1 : 0, t.cpu * 1e3);
        if (t.result.status != Solver::Status::Solved || !replays(b, t.result)
            || (length > 0 && (t.result.length != length || !t.result.optimal))) {
            ++failures;
            std::printf("  wrong: %s -> %d, known %d\n", line.c_str(), t.result.length, length);
        }
    }
    std::printf("positions: %.3f s cpu, %.3f s wall%s; peak memory %.1f MB\n", positionsCpu, positionsWall,
                beside ? ", each searched twice at once" : "", peakMB());
    std::printf("%d published lengths checked; %d failures\n", checked, failures);
    return failures == 0 && checked > 0 ? 0 : 1;
}
