// One game at a time: a second start asks the first to come forward and
// ends; of games started together exactly one runs; a socket left behind by
// a crashed game does not stop the next start.
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// A program folder with a copy of the game in it.
struct GameCopy
{
    QTemporaryDir dir;
    QString exe;
    GameCopy()
    {
        exe = dir.path() + QStringLiteral("/zandor");
        QFile::copy(QStringLiteral(ZANDOR_BINARY), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
        QImage img(64, 64, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        img.save(dir.path() + QStringLiteral("/pic.bmp"), "BMP");
        QFile ref(dir.path() + QStringLiteral("/p.cxa"));
        if (ref.open(QIODevice::WriteOnly))
            ref.write((dir.path() + QStringLiteral("/pic.bmp\r\n")).toUtf8());
    }
    QProcess *start(QObject *parent)
    {
        auto *p = new QProcess(parent);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->start(exe, {});
        return p;
    }
    bool answers() const
    {
        QLocalSocket s;
        s.connectToServer(SingleInstance::serverName(dir.path()));
        return s.waitForConnected(200);
    }
};

// True once the process has ended (it may have ended already while the
// test's event loop ran, when waitForFinished() would report false).
bool ended(QProcess *p, int msecs)
{
    return p->state() == QProcess::NotRunning || p->waitForFinished(msecs);
}

void stop(QProcess *p)
{
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
    }
}
} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondStartActivatesTheFirstAndEnds()
    {
        GameCopy game;
        // this test process plays the running game
        SingleInstance first(game.dir.path());
        QVERIFY(!first.activateRunningInstance());
        QVERIFY(first.listen());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);

        QProcess *second = game.start(this);
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 10000);
        QVERIFY(ended(second, 10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
    }

    // Games started at the same moment: exactly one keeps running, the
    // others end after asking it to come forward.
    void simultaneousStartsLeaveOneGame()
    {
        GameCopy game;
        QList<QProcess *> games;
        for (int i = 0; i < 3; ++i)
            games << game.start(this);
        auto endedCount = [&games] {
            return std::count_if(games.begin(), games.end(), [](QProcess *p) { return ended(p, 10); });
        };
        QTRY_COMPARE_WITH_TIMEOUT(endedCount(), 2, 10000);
        QVERIFY(game.answers());
        for (QProcess *p : games) {
            if (p->state() == QProcess::NotRunning)
                QCOMPARE(p->exitCode(), 0);
            stop(p);
        }
    }

    // The lock alone decides: of many claims on one folder at once exactly
    // one succeeds, until the owner stops.
    void exactlyOneClaimWins()
    {
        QTemporaryDir folder;
        for (int round = 0; round < 20; ++round) {
            std::vector<std::unique_ptr<SingleInstance>> instances;
            for (int i = 0; i < 6; ++i)
                instances.push_back(std::make_unique<SingleInstance>(folder.path()));
            std::atomic<int> won{0};
            std::vector<std::thread> threads;
            for (auto &instance : instances)
                threads.emplace_back([&won, &instance] { won += instance->claim() ? 1 : 0; });
            for (std::thread &t : threads)
                t.join();
            QCOMPARE(won.load(), 1);
        }
        SingleInstance owner(folder.path()), next(folder.path());
        QVERIFY(owner.claim());
        QVERIFY(!next.claim());
        owner.stop();
        QVERIFY(next.claim());
    }

    void aStaleSocketDoesNotStopTheNextStart()
    {
        GameCopy game;
        QProcess *crashed = game.start(this);
        QTRY_VERIFY_WITH_TIMEOUT(game.answers(), 10000);
        ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);
        QVERIFY(ended(crashed, 5000));
        QVERIFY(!game.answers());

        QProcess *next = game.start(this);
        QTRY_VERIFY_WITH_TIMEOUT(game.answers(), 10000);
        QCOMPARE(next->state(), QProcess::Running);
        stop(next);
    }

    // A request from another user's process is refused, even should it
    // reach the socket; the user's own request is answered.
    void otherUsersAreNotAnswered()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to connect as another user");
        QTemporaryDir folder, runtime;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        SingleInstance owner(folder.path());
        QVERIFY(!owner.activateRunningInstance());
        QVERIFY(owner.listen());
        QSignalSpy activated(&owner, &SingleInstance::activationRequested);
        const QByteArray socketPath = QFile::encodeName(SingleInstance::serverName(folder.path()));
        // Opened up on purpose, so that the other user gets as far as the socket.
        QCOMPARE(::chmod(QFile::encodeName(runtime.path()).constData(), 0711), 0);
        QCOMPARE(::chmod(socketPath.constData(), 0777), 0);
        for (uid_t uid : {uid_t(65534), ::getuid()}) {
            const pid_t child = ::fork();
            if (child == 0) {
                sockaddr_un address{};
                address.sun_family = AF_UNIX;
                std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
                std::signal(SIGPIPE, SIG_IGN);
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                const bool connected = ::setuid(uid) == 0
                                       && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
                if (connected && ::write(fd, "activate\n", 9) == 9)
                    ::sleep(1);
                ::_exit(connected ? 0 : 1);
            }
            int status = -1;
            bool reaped = false;
            auto reap = [&] { return reaped = reaped || ::waitpid(child, &status, WNOHANG) == child; };
            QTRY_VERIFY_WITH_TIMEOUT(reap(), 5000);
            QCOMPARE(WEXITSTATUS(status), 0);   // the socket was reached
            QTest::qWait(200);
            QCOMPARE(activated.count(), uid == ::getuid() ? 1 : 0);
        }
        if (saved.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", saved);
    }

    // The socket lies in a folder of the user's own that no one else may
    // enter; a folder of that name made by someone else first is not used.
    void theSocketIsPrivate()
    {
        QTemporaryDir a, b, runtime;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QVERIFY(SingleInstance::serverName(a.path()) != SingleInstance::serverName(b.path()));
        QCOMPARE(SingleInstance::serverName(a.path()), SingleInstance::serverName(a.path() + "/"));
        QCOMPARE(QFileInfo(SingleInstance::serverName(a.path())).path(), runtime.path());
        // Open to others: not a runtime folder; the name moves to a private one.
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::permissions(runtime.path()) | QFile::ExeOther));
        const QString name = SingleInstance::serverName(a.path());
        QVERIFY(!name.startsWith(runtime.path()));
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(QFileInfo(name).path()).constData(), &st), 0);
        QCOMPARE(st.st_uid, ::getuid());
        QCOMPARE(st.st_mode & 077, 0u);
        if (saved.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", saved);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
