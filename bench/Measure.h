#pragma once
// What the benchmarks read off the running process.
#include <QByteArray>
#include <QFile>

#include <ctime>

namespace Measure {

// The process's peak resident memory so far, in KiB; -1 when unknown.
inline long peakRssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// CLOCK_MONOTONIC in ns: the same clock in a launcher and its children.
inline qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace Measure
