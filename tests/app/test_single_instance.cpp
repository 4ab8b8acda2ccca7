// One game at a time per program folder: of claims made together exactly one
// wins; a second start asks the first to come forward and ends, even when a
// crashed game left its socket behind; other users are not answered.
#include "app/SingleInstance.h"

#include <QtTest>

#include <atomic>
#include <list>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
sockaddr_un addressOf(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return address;
}

// Asks the owner at path to come forward from a child process running as
// uid; true when the child reached the socket.
bool requestAs(uid_t uid, const QString &path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const sockaddr_un address = addressOf(path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool connected = ::setuid(uid) == 0
                               && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
        if (connected && ::send(fd, "activate\n", 9, MSG_NOSIGNAL) == 9)
            ::sleep(1);
        ::_exit(connected ? 0 : 1);
    }
    int status = -1;
    return QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5000)
           && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    // The lock alone decides: of many claims at once exactly one succeeds, until the owner stops.
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

    // This test process plays the running game, in a folder where a crashed
    // game left its socket; a copy of the game started there ends at once.
    void secondStartActivatesTheFirstAndEnds()
    {
        QTemporaryDir folder;
        const QString exe = folder.filePath(QStringLiteral("zandor"));
        QVERIFY(QFile::copy(QStringLiteral(ZANDOR_BINARY), exe));   // executable, as the original
        const sockaddr_un address = addressOf(SingleInstance::serverName(folder.path()));
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(stale, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 && ::close(stale) == 0);

        SingleInstance first(folder.path());
        QVERIFY(!first.activateRunningInstance() && first.listen());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QProcess second;
        second.start(exe, {});
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 10000);
        QVERIFY(second.state() == QProcess::NotRunning || second.waitForFinished(10000));
        QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    }

    // The socket lies in a folder of the user's own that no one else may
    // enter, one for each program folder; and should another user's process
    // reach it all the same, its request is refused.
    void otherUsersAreNotAnswered()
    {
        QTemporaryDir runtime, folder, other;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const auto restore = qScopeGuard([&saved] { qputenv("XDG_RUNTIME_DIR", saved); });
        SingleInstance owner(folder.path());
        QVERIFY(!owner.activateRunningInstance() && owner.listen());
        QSignalSpy activated(&owner, &SingleInstance::activationRequested);
        const QString socket = SingleInstance::serverName(folder.path());
        QVERIFY(QFileInfo(socket).path() == runtime.path() && SingleInstance::serverName(folder.path() + "/") == socket);
        QVERIFY(SingleInstance::serverName(other.path()) != socket);
        // A runtime folder open to others is not used; the name moves to a private one.
        QCOMPARE(::chmod(QFile::encodeName(runtime.path()).constData(), 0711), 0);
        const QString moved = SingleInstance::serverName(folder.path());
        struct stat st;
        QVERIFY(!moved.startsWith(runtime.path()));
        QCOMPARE(::lstat(QFile::encodeName(QFileInfo(moved).path()).constData(), &st), 0);
        QVERIFY(st.st_uid == ::getuid() && (st.st_mode & 077) == 0);

        if (::geteuid() != 0)
            QSKIP("needs root to connect as another user");
        QCOMPARE(::chmod(QFile::encodeName(socket).constData(), 0777), 0);
        QVERIFY(requestAs(65534, socket));
        QTest::qWait(200);
        QCOMPARE(activated.count(), 0);
        QVERIFY(requestAs(::getuid(), socket));
        QTRY_COMPARE(activated.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
