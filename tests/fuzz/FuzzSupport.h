#pragma once
// Shared by the fuzz targets. Each target defines seeds() (valid inputs for
// its corpus) and LLVMFuzzerTestOneInput; this file starts a Qt application
// on the offscreen platform (picture plugins need one), points the program
// folder at a scratch folder, and with "--seeds DIR" writes the seeds into
// DIR instead of fuzzing.
#include "base/ProgramFolder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

QList<QByteArray> seeds();

namespace FuzzSupport {

// One folder for the whole run, in memory: the writers sync every file they
// replace, and on disk that would dominate every execution.
inline const QString &scratch()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/zandor-fuzz-XXXXXX")
                                                                       : QDir::tempPath() + QStringLiteral("/zandor-fuzz-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A broken promise is a fault like a crash: abort, so that libFuzzer keeps
// the input.
inline void check(bool ok, const char *what)
{
    if (ok)
        return;
    std::fprintf(stderr, "zandor fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace FuzzSupport

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.*=false");  // damaged pictures would flood the log
    static QGuiApplication app(*argc, *argv);
    ProgramFolder::setPath(FuzzSupport::scratch());
    if (*argc == 3 && std::strcmp((*argv)[1], "--seeds") == 0) {
        const QList<QByteArray> all = seeds();
        bool ok = QDir().mkpath(QString::fromLocal8Bit((*argv)[2]));
        for (int i = 0; i < all.size(); ++i)
            ok = ok && FuzzSupport::writeFile(QStringLiteral("%1/seed-%2").arg(QString::fromLocal8Bit((*argv)[2])).arg(i), all[i]);
        std::exit(ok ? 0 : 1);
    }
    return 0;
}
