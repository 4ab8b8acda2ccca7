// One game at a time per program folder: of claims made together exactly one
// wins; a second start asks the first to come forward and ends, even when a
// crashed game left its socket behind; the socket lies in a private folder.
#include "app/SingleInstance.h"

#include <QtTest>

#include <atomic>
#include <list>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void exactlyOneClaimWins()
    {
        QTemporaryDir folder;
        for (int round = 0; round < 20; ++round) {
            std::list<SingleInstance> instances;
            std::vector<std::thread> threads;
            std::atomic<int> won{0};
            for (int i = 0; i < 6; ++i)
                instances.emplace_back(folder.path());
            for (SingleInstance &instance : instances)
                threads.emplace_back([&won, &instance] { won += instance.claim() ? 1 : 0; });
            for (std::thread &t : threads)
                t.join();
            QCOMPARE(won.load(), 1);
        }
        SingleInstance owner(folder.path()), next(folder.path());
        QVERIFY(owner.claim() && !next.claim());
        owner.stop();
        QVERIFY(next.claim());
    }

    // This test process plays the running game; a copy of the game started
    // in its folder ends at once.
    void secondStartActivatesTheFirstAndEnds()
    {
        QTemporaryDir folder;
        const QString exe = folder.filePath(QStringLiteral("zandor"));
        QVERIFY(QFile::copy(QStringLiteral(ZANDOR_BINARY), exe));
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, QFile::encodeName(SingleInstance::serverName(folder.path())).constData(),
                 sizeof address.sun_path);
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(stale, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 && ::close(stale) == 0);

        SingleInstance first(folder.path());
        QVERIFY(!first.activateRunningInstance() && first.listen());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QProcess second;
        second.start(exe, {});
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 10000);
        QVERIFY((second.state() == QProcess::NotRunning || second.waitForFinished(10000))
                && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    }

    // A runtime folder that others may enter is not used; the socket moves to one of the user's own.
    void socketFolderIsPrivate()
    {
        QTemporaryDir runtime, folder;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&saved] { qputenv("XDG_RUNTIME_DIR", saved); });
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QCOMPARE(QFileInfo(SingleInstance::serverName(folder.path())).path(), runtime.path());
        QCOMPARE(::chmod(QFile::encodeName(runtime.path()).constData(), 0711), 0);
        const QString moved = QFileInfo(SingleInstance::serverName(folder.path())).path();
        struct stat st;
        QVERIFY(moved != runtime.path() && ::lstat(QFile::encodeName(moved).constData(), &st) == 0);
        QVERIFY(S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
