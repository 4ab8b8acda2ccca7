// One game at a time per program folder: of claims made together exactly one
// wins; a socket a crashed game left behind is replaced; a second start that
// gets no answer ends within a bound; the socket lies in a private folder.
#include "app/SingleInstance.h"
#include "TestFiles.h"

#include <QtTest>

#include <atomic>
#include <list>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

static sockaddr_un socketAddress(const QString &folder)
{
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(SingleInstance::serverName(folder)).constData(), sizeof address.sun_path);
    return address;
}

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
            QCOMPARE(won.load(), 1);   // and the last round's lock was given up
        }
    }

    // The lock is the owner's alone; a link or a FIFO in its place is replaced, a folder there refuses the start with a message.
    void lockFileIsPrivateAndReplacesLinks()
    {
        for (const QString &kind : {"none", "0644", "dangling link", "link", "fifo", "folder"}) {
            QTemporaryDir folder, outside;
            const QString lock = folder.filePath(SingleInstance::LockName), victim = outside.filePath("victim");
            if (kind == "0644")
                QVERIFY(writeAll(lock, "") && QFile::setPermissions(lock, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
            else if (kind.endsWith("link"))
                QVERIFY((kind == "link" ? writeAll(victim, "kept") : true) && QFile::link(victim, lock));
            else if (kind == "fifo")
                QVERIFY(::mkfifo(QFile::encodeName(lock).constData(), 0666) == 0);
            else if (kind == "folder")
                QVERIFY(QDir().mkdir(lock));
            SingleInstance first(folder.path()), second(folder.path());
            QCOMPARE(first.activateRunningInstance(), kind == "folder");
            QCOMPARE(first.refusal(), kind == "folder" ? SingleInstance::refusalText(lock) : QString());
            if (kind == "folder")
                continue;
            struct stat st = {};
            QVERIFY2(::lstat(QFile::encodeName(lock).constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) == 0600, qPrintable(kind));
            QVERIFY(!second.claim());   // the fresh file is the lock
            QVERIFY(kind != "link" || readAll(victim) == "kept");
        }
    }

    // A socket a crashed game left behind is no running game: the next start
    // listens in its place (a second start then hands over, end to end).
    // A game of the user that holds the lock but never answers (stopped, its
    // queue full) lets a second start end within the bound; another user's
    // lock ends it at once with a message.
    void secondStartEndsWithinTheBound()
    {
        QTemporaryDir folder;
        const sockaddr_un address = socketAddress(folder.path());
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(stale, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 && ::close(stale) == 0);
        SingleInstance stopped(folder.path());
        QVERIFY(!stopped.activateRunningInstance() && stopped.listen());
        std::vector<int> queued;   // never accepted (no event loop runs): the queue fills
        for (int connected = 0; connected == 0 && queued.size() < 64;) {
            queued.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
            connected = ::connect(queued.back(), reinterpret_cast<const sockaddr *>(&address), sizeof address);
        }
        const auto close = qScopeGuard([&] { for (int fd : queued) ::close(fd); });
        QVERIFY(queued.size() > 1);   // the first connection reached the new socket
        QElapsedTimer timer;
        timer.start();
        SingleInstance second(folder.path());   // waiting for ever, it fails by the test's time limit
        QVERIFY(second.activateRunningInstance() && second.refusal().isEmpty() && timer.elapsed() < 7000);

        if (::geteuid() != 0)
            QSKIP("another user's lock needs root to play that user");
        stopped.stop();
        int fd = ::open(QFile::encodeName(folder.filePath(SingleInstance::LockName)).constData(), O_RDONLY), locked[2];
        QVERIFY(fd >= 0 && ::pipe(locked) == 0);
        const pid_t other = ::fork();
        if (other == 0) {   // another user that opened the lock before its mode was mended
            if (::setuid(65534) == 0 && ::flock(fd, LOCK_EX) == 0 && ::write(locked[1], "1", 1) == 1)
                ::pause();
            ::_exit(1);
        }
        const auto end = qScopeGuard([other] { ::kill(other, SIGKILL), ::waitpid(other, nullptr, 0); });
        QVERIFY(::close(fd) == 0 && ::close(locked[1]) == 0 && ::read(locked[0], &fd, 1) == 1 && ::close(locked[0]) == 0);
        SingleInstance mine(folder.path());
        timer.restart();
        QVERIFY(mine.activateRunningInstance() && timer.elapsed() < 1000);
        QCOMPARE(mine.refusal(), SingleInstance::refusalText(folder.filePath(SingleInstance::LockName)));
    }

    // With no descriptor left for a connection, listening pauses instead of
    // spinning; idle connections take few of the game's descriptors, and an
    // unanswered one is closed after a while, so a second start still hands over.
    void idleConnectionsDoNotExhaustTheGame()
    {
        QTemporaryDir folder;
        const sockaddr_un address = socketAddress(folder.path());
        SingleInstance owner(folder.path()), second(folder.path());
        QVERIFY(!owner.activateRunningInstance() && owner.listen());
        QSignalSpy asked(&owner, &SingleInstance::activationRequested);

        // No descriptor left: a waiting connection costs no time until one is free again.
        const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0), lowest = ::open("/dev/null", O_RDONLY);
        rlimit limit{}, tight{};
        QVERIFY(client >= 0 && lowest > client && ::close(lowest) == 0 && ::getrlimit(RLIMIT_NOFILE, &limit) == 0);
        tight = {rlim_t(lowest), limit.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &tight) == 0);
        const auto restore = qScopeGuard([&limit] { ::setrlimit(RLIMIT_NOFILE, &limit); });
        const auto cpuMs = [] { timespec t{}; return ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t), t.tv_sec * 1000 + t.tv_nsec / 1000000; };
        const auto spent = cpuMs();
        QVERIFY(::connect(client, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
        QTimer::singleShot(600, QCoreApplication::instance(), &QCoreApplication::quit);   // the game's loop (QTest::qWait sleeps between rounds)
        QCoreApplication::exec();
        QVERIFY2(cpuMs() - spent < 150, qPrintable(QString::number(cpuMs() - spent)));
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &limit) == 0);
        QVERIFY(::send(client, "activate\n", 9, MSG_NOSIGNAL) == 9);
        QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 1, 5000);
        ::close(client);

        // Idle connections, as many as can be made: the game holds few of them, and a second start is answered.
        const auto descriptors = [] { return QDir("/proc/self/fd").entryList(QDir::System | QDir::NoDotAndDotDot).size(); };
        const qsizetype before = descriptors();
        std::vector<int> idle;
        std::atomic<bool> flooded{false};
        std::thread flood([&] {
            for (int i = 0; i < 400; ++i) {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
                if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
                    idle.push_back(fd);
                else
                    ::close(fd), ::usleep(2000);
            }
            flooded = true;
        });
        const bool made = QTest::qWaitFor([&] { return flooded.load(); }, 20000);
        flood.join();
        const auto closeIdle = qScopeGuard([&idle] { for (int fd : idle) ::close(fd); });
        QVERIFY2(made && descriptors() <= before + qsizetype(idle.size()) + 8, qPrintable(QString::number(descriptors() - before - idle.size())));
        bool handed = false;
        std::thread start([&] { handed = second.activateRunningInstance(); });
        const bool answered = QTest::qWaitFor([&] { return asked.size() == 2; }, 7000);
        start.join();
        QVERIFY(answered && handed && second.refusal().isEmpty());
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
        // So is one whose path leaves no room for the socket's name.
        const QString deep = runtime.filePath(QString(100 - runtime.path().size(), 'd'));
        QVERIFY(QDir().mkdir(deep) && QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
        const QString name = SingleInstance::serverName(folder.path());
        QVERIFY(!name.startsWith(deep) && QFile::encodeName(name).size() < int(sizeof(sockaddr_un::sun_path)));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
