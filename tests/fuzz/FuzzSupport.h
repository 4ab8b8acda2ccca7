#pragma once
// Shared by the fuzz targets: a Qt application on the offscreen platform
// (picture plugins and fonts need one), a scratch folder for readers that
// take a path, and a check that stops the run with a message when a reader
// breaks one of its promises.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

// Creates the application once; call from LLVMFuzzerInitialize.
inline void start(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own warnings about damaged pictures would flood the output.
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.*=false");
    static QGuiApplication app(*argc, *argv);
    (void)app;
}

// A folder of its own for the whole run, removed at the end. In memory where
// the system has /dev/shm: the writers sync every replaced file to disk, and
// that would dominate every run.
inline const QString &scratch()
{
    const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                           : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/zandor-fuzz-XXXXXX"));
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

// A broken promise is a fault like a crash: print what broke and abort, so
// that libFuzzer keeps the input.
inline void check(bool ok, const char *what)
{
    if (ok)
        return;
    std::fprintf(stderr, "zandor fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

} // namespace FuzzSupport
