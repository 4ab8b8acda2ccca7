// One game at a time per program folder: of claims made together exactly one
// wins; a second start asks the first to come forward and ends, even when a
// crashed game left its socket behind; other users are not answered.
#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// XDG_RUNTIME_DIR points at a private temporary folder while this lives.
struct PrivateRuntime
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    PrivateRuntime()
    {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    }
    ~PrivateRuntime() { saved.isNull() ? void(qunsetenv("XDG_RUNTIME_DIR")) : void(qputenv("XDG_RUNTIME_DIR", saved)); }
};

// A socket of this process bound at path.
int boundSocket(const QString &path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    std::strncpy(address->sun_path, QFile::encodeName(path).constData(), sizeof address->sun_path - 1);
    return ::socket(AF_UNIX, SOCK_STREAM, 0);
}

// Asks the owner at path to come forward from a child process running as
// uid; true when the child reached the socket.
bool requestAs(uid_t uid, const QString &path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        sockaddr_un address;
        const int fd = boundSocket(path, &address);
        const bool connected = ::setuid(uid) == 0
                               && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
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
    // The lock alone decides: of many claims on one folder at once exactly
    // one succeeds, until the owner stops.
    void exactlyOneClaimWins()
    {
        QTemporaryDir folder;
        for (int round = 0; round < 20; ++round) {
            std::vector<std::unique_ptr<SingleInstance>> instances;
            std::vector<std::thread> threads;
            std::atomic<int> won{0};
            for (int i = 0; i < 6; ++i)
                instances.push_back(std::make_unique<SingleInstance>(folder.path()));
            for (auto &instance : instances)
                threads.emplace_back([&won, &instance] { won += instance->claim() ? 1 : 0; });
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
        QVERIFY(QFile::copy(QStringLiteral(ZANDOR_BINARY), exe));
        QVERIFY(QFile::setPermissions(exe, QFile::permissions(exe) | QFile::ExeOwner));
        sockaddr_un address;
        const int stale = boundSocket(SingleInstance::serverName(folder.path()), &address);
        QCOMPARE(::bind(stale, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(stale);

        SingleInstance first(folder.path());
        QVERIFY(!first.activateRunningInstance());
        QVERIFY(first.listen());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QProcess second;
        second.start(exe, {});
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 10000);
        QVERIFY(second.state() == QProcess::NotRunning || second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
    }

    // A request from another user's process is refused, even should it
    // reach the socket; the user's own request is answered.
    void otherUsersAreNotAnswered()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to connect as another user");
        PrivateRuntime runtime;
        QTemporaryDir folder;
        SingleInstance owner(folder.path());
        QVERIFY(!owner.activateRunningInstance() && owner.listen());
        QSignalSpy activated(&owner, &SingleInstance::activationRequested);
        // Opened up on purpose, so that the other user gets as far as the socket.
        const QString socket = SingleInstance::serverName(folder.path());
        QCOMPARE(::chmod(QFile::encodeName(runtime.dir.path()).constData(), 0711), 0);
        QCOMPARE(::chmod(QFile::encodeName(socket).constData(), 0777), 0);
        QVERIFY(requestAs(65534, socket));
        QTest::qWait(200);
        QCOMPARE(activated.count(), 0);
        QVERIFY(requestAs(::getuid(), socket));
        QTRY_COMPARE(activated.count(), 1);
    }

    // The socket lies in a folder of the user's own that no one else may
    // enter; a runtime folder open to others is not used.
    void theSocketIsPrivate()
    {
        PrivateRuntime runtime;
        QTemporaryDir a, b;
        const QString name = SingleInstance::serverName(a.path());
        QVERIFY(name != SingleInstance::serverName(b.path()));
        QCOMPARE(SingleInstance::serverName(a.path() + "/"), name);
        QCOMPARE(QFileInfo(name).path(), runtime.dir.path());
        QVERIFY(QFile::setPermissions(runtime.dir.path(), QFile::permissions(runtime.dir.path()) | QFile::ExeOther));
        const QString moved = SingleInstance::serverName(a.path());
        QVERIFY(!moved.startsWith(runtime.dir.path()));
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(QFileInfo(moved).path()).constData(), &st), 0);
        QCOMPARE(st.st_uid, ::getuid());
        QCOMPARE(st.st_mode & 077, 0u);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
