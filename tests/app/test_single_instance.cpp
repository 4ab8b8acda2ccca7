// One game at a time: a second start asks the first to come forward and
// ends; a socket left behind by a crashed game does not stop the next start.
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

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
        QVERIFY(first.listen());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);

        QProcess *second = game.start(this);
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 10000);
        QVERIFY(ended(second, 10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
    }

    void aRunningGameKeepsRunningWhenStartedAgain()
    {
        GameCopy game;
        QProcess *first = game.start(this);
        QTRY_VERIFY_WITH_TIMEOUT(game.answers(), 10000);
        QProcess *second = game.start(this);
        QVERIFY(ended(second, 10000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
        stop(first);
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

    void theNameDependsOnTheFolder()
    {
        QTemporaryDir a, b;
        QVERIFY(SingleInstance::serverName(a.path()) != SingleInstance::serverName(b.path()));
        QCOMPARE(SingleInstance::serverName(a.path()), SingleInstance::serverName(a.path() + "/"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
