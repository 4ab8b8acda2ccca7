// The session bus is declared unreachable only where nothing could reach or
// start one: no address named, no per-user socket, no dbus-launch that the
// D-Bus library would run (its own folder first, then along the path, as
// execvp searches it).
#include "base/SessionBus.h"

#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestSessionBus : public QObject
{
    Q_OBJECT
private slots:
    void futileOnlyWhereNothingCanAnswer()
    {
        QTemporaryDir root;
        const QString runtimeWithBus = root.filePath("run1"), runtimeEmpty = root.filePath("run2");
        const QString libBin = root.filePath("libbin"), found = root.filePath("found"), other = root.filePath("other");
        const QString notExecutable = root.filePath("noexec"), folderNamed = root.filePath("folder");
        for (const QString &d : {runtimeWithBus, runtimeEmpty, libBin, found, other, notExecutable, folderNamed + "/dbus-launch"})
            QVERIFY(QDir().mkpath(d));
        auto program = [](const QString &dir, QFile::Permissions perms) {
            QFile f(dir + "/dbus-launch");
            return f.open(QIODevice::WriteOnly) && f.write("#!/bin/sh\nexit 1\n") > 0 && f.setPermissions(perms);
        };
        const QFile::Permissions rwx = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QVERIFY(program(found, rwx) && program(notExecutable, QFile::ReadOwner | QFile::WriteOwner));
        // A socket lies where the per-user bus would.
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, QFile::encodeName(runtimeWithBus + "/bus").constData(), sizeof address.sun_path);
        const int bus = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(bus, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 && ::close(bus) == 0);

        struct Row { const char *what; const char *address; QString runtime, path, binDir; bool futile; };
        const Row rows[] = {
            {"nothing anywhere", nullptr, runtimeEmpty, other, libBin, true},
            {"no runtime folder", nullptr, {}, other, libBin, true},
            {"an address is named", "unix:path=/nonexistent", runtimeEmpty, other, libBin, false},
            {"an empty address is named", "", runtimeEmpty, other, libBin, false},
            {"the per-user socket", nullptr, runtimeWithBus, other, libBin, false},
            {"launcher in the library's folder", nullptr, runtimeEmpty, other, found, false},
            {"launcher in the last path folder", nullptr, runtimeEmpty, other + ":" + notExecutable + ":" + found, libBin, false},
            {"launcher in the first path folder", nullptr, runtimeEmpty, found + ":" + other, libBin, false},
            {"only a file that may not run", nullptr, runtimeEmpty, notExecutable, notExecutable, true},
            {"only a folder of that name", nullptr, runtimeEmpty, folderNamed, folderNamed, true},
        };
        for (const Row &r : rows) {
            const QByteArray runtime = QFile::encodeName(r.runtime), path = QFile::encodeName(r.path);
            const QByteArray binDir = QFile::encodeName(r.binDir);
            const bool futile = SessionBus::autolaunchIsFutile(r.address, r.runtime.isNull() ? nullptr : runtime.constData(),
                                                               r.path.isNull() ? nullptr : path.constData(), binDir.constData());
            QVERIFY2(futile == r.futile, r.what);
        }
        // An empty entry of the path is the current folder.
        const QString previous = QDir::currentPath();
        const auto back = qScopeGuard([&previous] { QDir::setCurrent(previous); });
        QVERIFY(QDir::setCurrent(found));
        const QByteArray withCurrent = QFile::encodeName(other + "::" + other);
        QVERIFY(!SessionBus::autolaunchIsFutile(nullptr, nullptr, withCurrent.constData(), QFile::encodeName(libBin).constData()));
        QVERIFY(QDir::setCurrent(other));
        QVERIFY(SessionBus::autolaunchIsFutile(nullptr, nullptr, withCurrent.constData(), QFile::encodeName(libBin).constData()));
    }

    // The process's own environment: "disabled:" is named where nothing can
    // answer, and a named address is kept.
    void namesNoBusWhereNoneCanBeFound()
    {
        if (QFileInfo("/usr/bin/dbus-launch").isExecutable())
            QSKIP("this machine has dbus-launch in the D-Bus library's own folder");
        QTemporaryDir runtime, bin;
        const char *names[] = {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "PATH"};
        QByteArray saved[3];
        bool wasSet[3];
        for (int i = 0; i < 3; ++i)
            saved[i] = qgetenv(names[i]), wasSet[i] = qEnvironmentVariableIsSet(names[i]);
        const auto restore = qScopeGuard([&] {
            for (int i = 0; i < 3; ++i)
                wasSet[i] ? qputenv(names[i], saved[i]) : qunsetenv(names[i]);
        });
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("PATH", QFile::encodeName(bin.path()));
        SessionBus::avoidFutileAutolaunch();
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), QByteArray("disabled:"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus");
        SessionBus::avoidFutileAutolaunch();
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), QByteArray("unix:path=/run/user/1000/bus"));
    }
};

QTEST_GUILESS_MAIN(TestSessionBus)
#include "test_session_bus.moc"
