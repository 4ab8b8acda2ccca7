// Benchmark of the optimal solver.
//
//   solver_bench [FILE] [--cache DIR] [--fresh] [--groups 3,6,7/4,5/...]
//     Reads positions from FILE (standard input without one), one per line:
//     16 numbers separated by blanks, the tile number per field, 100 for the
//     empty field. Prints one line per position: the optimal length (or
//     "unsolvable"/"invalid"), the nodes expanded and the seconds, then a
//     line of totals. Before them it reports how the pattern databases were
//     made (read from DIR/solver.pdb or built and written there; --fresh
//     removes the file first) and the peak memory of the process (VmHWM).
//     --groups builds another partition in memory only (for comparisons).
//   solver_bench --generate N SEED
//     Writes N random solvable positions, none of them home, in that form.
#include "game/PatternDatabase.h"
#include "game/Solver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

namespace {

// Processor time of this process: on a busy machine the wall time also
// counts the time other processes had the processor.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

QString statusLine(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QByteArray k(key);
    // Files under /proc report size 0: read until the end instead.
    const QByteArray all = f.readAll();
    for (const QByteArray &line : all.split('\n')) {
        if (line.startsWith(k))
            return QString::fromLatin1(line.mid(k.size())).simplified();
    }
    return QStringLiteral("?");
}

int generate(long n, unsigned long long seed)
{
    std::mt19937_64 gen(seed);
    // Fisher-Yates with plain modulo draws: the same file on every platform.
    for (long made = 0; made < n;) {
        int b[16];
        for (int i = 0; i < 16; ++i)
            b[i] = i;
        for (int i = 15; i > 0; --i)
            std::swap(b[i], b[int(gen() % std::uint64_t(i + 1))]);
        Solver::Fields f;
        for (int i = 0; i < 16; ++i)
            f[i] = b[i] == 15 ? Solver::LayoutEmpty : b[i];
        if (!Solver::isSolvable(f)) {
            // Exchanging two tiles maps the unsolvable boards one to one
            // onto the solvable ones.
            int a = -1, c = -1;
            for (int i = 0; i < 16 && c < 0; ++i)
                if (f[i] != Solver::LayoutEmpty)
                    (a < 0 ? a : c) = i;
            std::swap(f[a], f[c]);
        }
        bool home = true;
        for (int i = 0; i < 15; ++i)
            home = home && f[i] == i;
        if (home)
            continue;
        for (int i = 0; i < 16; ++i)
            std::printf(i ? " %d" : "%d", f[i]);
        std::printf("\n");
        ++made;
    }
    return 0;
}

bool parseGroups(const QString &text, PatternDatabase::Groups &groups)
{
    groups.clear();
    for (const QString &part : text.split(QLatin1Char('/'))) {
        std::vector<int> g;
        for (const QString &t : part.split(QLatin1Char(','))) {
            bool ok = false;
            g.push_back(t.trimmed().toInt(&ok));
            if (!ok)
                return false;
        }
        groups.push_back(g);
    }
    return PatternDatabase::isPartition(groups);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString input, cacheDir = QCoreApplication::applicationDirPath(), groupsText;
    bool fresh = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--generate") && i + 2 < args.size())
            return generate(args[i + 1].toLong(), args[i + 2].toULongLong());
        if (a == QLatin1String("--cache") && i + 1 < args.size())
            cacheDir = args[++i];
        else if (a == QLatin1String("--fresh"))
            fresh = true;
        else if (a == QLatin1String("--groups") && i + 1 < args.size())
            groupsText = args[++i];
        else if (!a.startsWith(QLatin1String("--")) && input.isEmpty())
            input = a;
        else {
            std::fprintf(stderr, "usage: solver_bench [FILE] [--cache DIR] [--fresh] [--groups A/B/C]\n"
                                 "       solver_bench --generate N SEED\n");
            return 2;
        }
    }

    std::shared_ptr<const PatternDatabase> db;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    if (!groupsText.isEmpty()) {
        PatternDatabase::Groups groups;
        if (!parseGroups(groupsText, groups)) {
            std::fprintf(stderr, "solver_bench: --groups must split the tiles 0..14\n");
            return 2;
        }
        db = PatternDatabase::build(groups);
        std::printf("# database: groups %s built in memory in %.3f s (cpu %.3f s), tables %.1f MB\n",
                    qPrintable(groupsText), double(timer.nsecsElapsed()) / 1e9,
                    cpuSeconds() - cpuStart, double(db->memoryBytes()) / 1e6);
    } else {
        const QString file = QDir(cacheDir).filePath(QString::fromLatin1(PatternDatabase::CacheFileName));
        if (fresh)
            QFile::remove(file);
        PatternDatabase::Origin origin;
        db = PatternDatabase::loadOrBuild(file, &origin);
        const double cpu = cpuSeconds() - cpuStart;
        if (origin.loaded)
            std::printf("# database: loaded from %s in %.3f s (cpu %.3f s)", qPrintable(file),
                        origin.seconds, cpu);
        else
            std::printf("# database: built in %.3f s (cpu %.3f s; cache %s: %s; %s)", origin.seconds,
                        cpu, qPrintable(file), qPrintable(origin.cacheProblem),
                        origin.written ? "written" : qPrintable(QStringLiteral("not written: ") + origin.writeProblem));
        std::printf(", tables %.1f MB\n", double(db->memoryBytes()) / 1e6);
    }
    std::printf("# peak memory after the database: %s\n", qPrintable(statusLine("VmHWM:")));

    std::ifstream file;
    std::istream *in = &std::cin;
    if (!input.isEmpty()) {
        file.open(input.toLocal8Bit().constData());
        if (!file) {
            std::fprintf(stderr, "solver_bench: cannot read %s\n", qPrintable(input));
            return 1;
        }
        in = &file;
    }

    const Solver solver(db);
    std::string line;
    long positions = 0, solved = 0, lineNo = 0;
    long long moves = 0;
    unsigned long long nodes = 0;
    double total = 0, worst = 0;
    const double cpuSolving = cpuSeconds();
    std::printf("# length nodes seconds\n");
    while (std::getline(*in, line)) {
        ++lineNo;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue; // blank line
        std::istringstream ls(line);
        std::vector<long> v;
        long x;
        while (ls >> x)
            v.push_back(x);
        Solver::Fields f;
        f.fill(-1);
        if (v.size() == 16 && ls.eof())
            for (int i = 0; i < 16; ++i)
                f[i] = (v[i] >= -1 && v[i] <= 1000) ? int(v[i]) : -1;
        ++positions;
        QElapsedTimer t;
        t.start();
        const Solver::Result r = solver.solve(f);
        const double s = double(t.nsecsElapsed()) / 1e9;
        total += s;
        worst = std::max(worst, s);
        nodes += r.nodesExpanded;
        switch (r.status) {
        case Solver::Status::Solved:
            ++solved;
            moves += r.length;
            std::printf("%d %llu %.6f\n", r.length, (unsigned long long)r.nodesExpanded, s);
            break;
        case Solver::Status::Unsolvable:
            std::printf("unsolvable 0 %.6f (line %ld)\n", s, lineNo);
            break;
        default:
            std::printf("invalid 0 %.6f (line %ld)\n", s, lineNo);
            break;
        }
        std::fflush(stdout);
    }
    std::printf("total: %ld positions, %ld solved, %lld moves, %llu nodes, %.3f s (cpu %.3f s),"
                " max %.3f s, peak memory %s\n",
                positions, solved, moves, nodes, total, cpuSeconds() - cpuSolving, worst,
                qPrintable(statusLine("VmHWM:")));
    return 0;
}
