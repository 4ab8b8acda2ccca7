// Benchmark of the optimal solver.
//
//   solver_bench [FILE] [--cache DIR] [--fresh] [--deals N] [--seed S]
//
// Makes the pattern databases the way the game does (read from
// DIR/solver.pdb, or built and written there when the file is unusable;
// --fresh removes it first), then solves N random deals (100) dealt by the
// game's shuffle from a generator seeded with S (1), and the positions of
// FILE (or --known FILE; positions.txt beside this source), whose published
// lengths are checked. Every solution is replayed: it must bring its position home in
// exactly the reported number of moves.
//
// Printed against their floors: the peak resident memory (VmHWM) of the bare
// process and after the tables, the time of reading the cache file's bytes
// and of making the tables (wall and processor time), and the processor
// time of the deals. Exits non-zero when a solution or a published length
// does not hold.
#include "game/PatternDatabase.h"
#include "game/Shuffle.h"
#include "game/Solver.h"
#include "game/Tiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

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

// Reading the bytes of the file in small pieces: the least any load costs.
double readSeconds(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const double start = cpuSeconds();
    char buffer[1 << 16];
    while (f.read(buffer, sizeof buffer) > 0) {
    }
    return cpuSeconds() - start;
}

// True when moves bring board home in exactly length moves.
bool replays(Tiles::Fields board, const Solver::Result &r)
{
    if (int(r.moves.size()) != r.length)
        return false;
    for (int from : r.moves) {
        int blank = 0;
        while (board[blank] != Tiles::emptyTile(4))
            ++blank;
        if (!Tiles::isMoveAllowed(from, blank, 4))
            return false;
        std::swap(board[from], board[blank]);
    }
    return board == Tiles::home(4);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString cacheDir = QCoreApplication::applicationDirPath();
    QString known = QStringLiteral(ZANDOR_BENCH_DIR "/positions.txt");
    bool fresh = false;
    int deals = 100;
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
        else if (a == QLatin1String("--fresh"))
            fresh = true;
        else if (!a.startsWith(QLatin1String("--")))
            known = a;
        else {
            std::fprintf(stderr, "usage: solver_bench [FILE] [--cache DIR] [--fresh] [--deals N] [--seed S]\n");
            return 2;
        }
    }
    const double bare = peakMB();
    std::printf("peak memory, bare process: %.1f MB\n", bare);

    const QString file = QDir(cacheDir).filePath(QString::fromLatin1(PatternDatabase::CacheFileName));
    if (fresh)
        QFile::remove(file);
    else
        std::printf("reading the cache file's bytes: %.3f s cpu\n", readSeconds(file));
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    PatternDatabase::Origin origin;
    const auto db = PatternDatabase::loadOrBuild(file, &origin);
    const double tablesCpu = cpuSeconds() - cpuStart;
    // A build searches with two threads where two processors are there:
    // its wall time is the player's wait, its processor time the sum of both.
    std::printf("tables %s in %.3f s wall (%.3f s cpu), %.1f MB%s%s\n",
                origin.loaded ? "loaded" : "built", double(wall.nsecsElapsed()) / 1e9, tablesCpu,
                double(db->memoryBytes()) / 1e6,
                origin.loaded ? "" : qPrintable(QStringLiteral(", cache: ") + origin.cacheProblem),
                origin.loaded ? "" : (origin.written ? ", written" : ", not written"));
    const double peak = peakMB();
    std::printf("peak memory with the tables: %.1f MB, %.1f MB above the bare process\n", peak,
                peak - bare);

    const Solver solver(db);
    int failures = 0;
    RandomSource random(seed);
    const RandomDraw draw = random.draw();
    std::vector<Tiles::Fields> boards;
    for (int i = 0; i < deals; ++i)
        boards.push_back(*Tiles::fromLayout(Steine_Mischen(draw, 4), 4));
    wall.restart();
    const double dealsStart = cpuSeconds();
    unsigned long long nodes = 0;
    long moves = 0;
    for (const Tiles::Fields &b : boards) {
        const Solver::Result r = solver.solve(b);
        nodes += r.nodesExpanded;
        moves += r.length;
        if (r.status != Solver::Status::Solved || !replays(b, r))
            ++failures;
    }
    const double dealsCpu = cpuSeconds() - dealsStart;
    std::printf("%d deals (seed %llu): %.3f s cpu (%.3f s wall), %llu nodes (%.1f M/s), "
                "%.2f moves on average\n",
                deals, seed, dealsCpu, double(wall.nsecsElapsed()) / 1e9, nodes,
                double(nodes) / dealsCpu / 1e6, deals ? double(moves) / deals : 0.0);
    std::printf("tables and deals: %.3f s cpu (aim, tables cached: 2 s; first build alone: 2 s wall)\n",
                tablesCpu + dealsCpu);

    std::ifstream in(known.toLocal8Bit().constData());
    int checked = 0;
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
        const auto board = Tiles::fromLayout(layout, 4);
        const Solver::Result r = board ? solver.solve(*board) : Solver::Result{};
        ++checked;
        if (r.status != Solver::Status::Solved || r.length != length || !replays(*board, r)) {
            ++failures;
            std::printf("  wrong: %s -> %d, published %d\n", line.c_str(), r.length, length);
        }
    }
    std::printf("%d published lengths checked; %d failures\n", checked, failures);
    return failures == 0 && checked > 0 ? 0 : 1;
}
