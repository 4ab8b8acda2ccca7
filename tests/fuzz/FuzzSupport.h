#pragma once
// Shared by the fuzz targets, each of which defines seeds() (valid inputs) and
// LLVMFuzzerTestOneInput: a Qt application on the offscreen platform, the
// program folder in a scratch folder, and "--seeds DIR" to write the seeds.
#include "base/ProgramFolder.h"
#include "../TestFiles.h"

#include <QDir>
#include <QGuiApplication>
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
    static const QTemporaryDir dir((QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) + "/zandor-fuzz-XXXXXX");
    static const QString path = dir.path();
    return path;
}

// A broken promise is a fault like a crash: abort, so that libFuzzer keeps
// the input.
inline void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "zandor fuzz check failed: %s\n", what);
        std::abort();
    }
}

} // namespace FuzzSupport

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.*=false");  // damaged pictures would flood the log
    static QGuiApplication app(*argc, *argv);
    ProgramFolder::setPath(FuzzSupport::scratch());
    if (*argc == 3 && std::strcmp((*argv)[1], "--seeds") == 0) {
        const QString dir = QString::fromLocal8Bit((*argv)[2]);
        const QList<QByteArray> all = seeds();
        bool ok = QDir().mkpath(dir);
        for (int i = 0; i < all.size(); ++i)
            ok = ok && writeAll(QStringLiteral("%1/seed-%2").arg(dir).arg(i), all[i]);
        std::exit(ok ? 0 : 1);
    }
    return 0;
}
