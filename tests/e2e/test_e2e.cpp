// End-to-end tests of what only a real X server shows: the real program in
// Xvfb with a window manager (openbox), driven by xdotool's mouse and keys.
// Everything else about the windows is tested offscreen. Every test starts
// its own X server, window manager and copy of the program folder, and ends
// its children by their process ids (the kernel ends them should the driver
// die first).
#include "base/Twips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>

#include <signal.h>
#include <sys/prctl.h>

namespace {

constexpr int Timeout = 20000;   // generous for a loaded machine; every wait polls

bool waitFor(const std::function<bool()> &condition, int timeoutMs = Timeout)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(40);
    }
    return true;
}

// A child process, ended by its id when the object goes.
struct Child
{
    QProcess proc;
    Child() { proc.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }); }
    ~Child()
    {
        if (proc.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(proc.processId()), SIGTERM);
        if (!proc.waitForFinished(3000)) {
            ::kill(pid_t(proc.processId()), SIGKILL);
            proc.waitForFinished(3000);
        }
    }
    bool running() { return proc.state() != QProcess::NotRunning && !proc.waitForFinished(0); }
    bool start(const QString &program, const QStringList &args, const QProcessEnvironment &env)
    {
        proc.setProcessEnvironment(env);
        proc.start(program, args);
        return proc.waitForStarted(Timeout);
    }
};

// Runs a short tool to its end; whether it succeeded, and its output.
bool run(const QString &program, const QStringList &args, const QProcessEnvironment &env, QByteArray *out = nullptr)
{
    Child c;
    if (!c.start(program, args, env) || !c.proc.waitForFinished(Timeout)
        || c.proc.exitStatus() != QProcess::NormalExit || c.proc.exitCode() != 0)
        return false;
    if (out)
        *out = c.proc.readAllStandardOutput();
    return true;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray scoreRecord(int score, const QByteArray &name)
{
    return QByteArray::number(score).leftJustified(6, ' ') + name.leftJustified(15, ' ', true);
}

const QString MainTitle = QStringLiteral("    Zandor");
constexpr int FieldPx = Twips::px(Twips::Main::FieldSize);

// An X server on a free display, openbox on it, and a copy of the program
// folder whose p.cxa names a plain picture outside it.
class Session
{
    QTemporaryDir tmp;
    Child xvfb, wm;

public:
    QString folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Child game;   // ended first, while its X server still runs

    QString start()
    {
        xvfb.proc.setReadChannel(QProcess::StandardOutput);
        if (!xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten",
                                                 "tcp", "-noreset"}, env))
            return QStringLiteral("Xvfb does not start");
        QByteArray number;   // Xvfb tells the display once it takes connections
        if (!waitFor([&] { xvfb.proc.waitForReadyRead(40); number += xvfb.proc.readAll(); return number.contains('\n'); }))
            return QStringLiteral("Xvfb gave no display number");
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmp.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp.path());
        for (const char *v : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"})
            env.remove(QString::fromLatin1(v));
        if (!wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}, env)
            || !waitFor([&] {
                   QByteArray out;
                   return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}, env, &out) && out.contains("window id");
               }))
            return QStringLiteral("openbox did not take over the display");

        folder = tmp.filePath(QStringLiteral("Zandor"));
        const QString picture = tmp.filePath(QStringLiteral("Bild.bmp"));
        QImage img(416, 416, QImage::Format_RGB32);
        img.fill(QColor(40, 160, 150));
        if (!run("cp", {"-r", ZANDOR_PROGRAM_DIR, folder}, env) || !img.save(picture, "BMP"))
            return QStringLiteral("cannot copy the program folder");
        for (const char *f : {"p.cxa", "scr.cxa", "Saves"})
            run("rm", {"-rf", file(QString::fromLatin1(f))}, env);
        writeAll(file(QStringLiteral("p.cxa")), picture.toLatin1() + "\r\n");
        return QString();
    }
    ~Session()
    {
        if (QTest::currentTestFailed())
            grab(QRect(0, 0, 1280, 1024)).save(QStringLiteral("e2e-failed-%1.png").arg(QTest::currentTestFunction()));
    }

    QString file(const QString &name) const { return folder + QLatin1Char('/') + name; }
    QString exe() const { return file(QStringLiteral("zandor")); }

    // Starts the game and waits for its main window; the window's id, or
    // empty with the reason in *error.
    QString startGame(QString *error)
    {
        game.proc.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList ids;
        if (!game.start(exe(), {}, env)
            || !waitFor([&] { return (ids = windows(MainTitle)).size() == 1 || !game.running(); }, 60000)
            || ids.size() != 1) {
            *error = game.running() ? QStringLiteral("no game window in 60 s")
                                    : QStringLiteral("the game ended at start, exit code %1").arg(game.proc.exitCode());
            return QString();
        }
        return ids.first();
    }

    QStringList windows(const QString &title) const
    {
        const QByteArray out = xdotool({"search", "--onlyvisible", "--name",
                                        QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')});
        return QString::fromLatin1(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Waits for exactly one visible window of that title; its id, or empty.
    QString window(const QString &title) const
    {
        QStringList ids;
        waitFor([&] { ids = windows(title); return ids.size() == 1; });
        return ids.size() == 1 ? ids.first() : QString();
    }
    QString active() const { return QString::fromLatin1(xdotool({"getactivewindow"}).trimmed()); }
    bool waitActive(const QString &id) const { return !id.isEmpty() && waitFor([&] { return active() == id; }); }
    // The window with that title, once it is there and active.
    QString activeWindow(const QString &title) const
    {
        const QString id = window(title);
        return waitActive(id) ? id : QString();
    }
    bool keys(const QStringList &args) const { return run(QStringLiteral("xdotool"), args, env); }
    QByteArray xdotool(const QStringList &args) const
    {
        QByteArray out;
        run(QStringLiteral("xdotool"), args, env, &out);
        return out;
    }

    // The screen as the X server shows it.
    QImage grab(const QRect &r) const
    {
        const QString shot = tmp.filePath(QStringLiteral("shot.png"));
        QFile::remove(shot);
        run(E2E_XHELPER, {"grab", shot, QString::number(r.x()), QString::number(r.y()), QString::number(r.width()),
                          QString::number(r.height())}, env);
        return QImage(shot);
    }
    // The window manager's close request, as the window's close box sends it.
    bool closeBox(const QString &id) const { return run(E2E_XHELPER, {"close", id}, env); }

    // The top-left corner of the board on the screen: the window's area less
    // the menu bar, whose height is the style's business. The top border of
    // field 3 is the first black pixel in its column (the menu bar has no
    // text there); the left border of field 0 stands at the same height.
    QPoint board(const QString &id) const
    {
        QByteArray out;
        run("xwininfo", {"-id", id}, env, &out);
        const QString info = QString::fromLatin1(out);
        auto value = [&](const char *key) {
            return QRegularExpression(QLatin1String(key) + QStringLiteral(":\\s*(-?\\d+)")).match(info).captured(1).toInt();
        };
        const QRect g(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
        const QImage img = grab(g);
        const int left = Twips::px(Twips::Main::BoardLeft), x = left + 3 * FieldPx + FieldPx / 2;
        auto black = [&](int px, int py) { return img.valid(px, py) && qGray(img.pixel(px, py)) < 10; };
        for (int y = 0; y < img.height(); ++y)
            if (black(x, y))
                return black(left, y + FieldPx / 2) ? g.topLeft() + QPoint(left, y) : QPoint();
        return QPoint();
    }
};

} // namespace

// The X session and, unless `withGame` is false, the game; its window is `main`.
#define START(s, withGame)                                                                                  \
    Session s;                                                                                              \
    QString main;                                                                                           \
    if (QString error_ = s.start(); !error_.isEmpty() || (withGame && (main = s.startGame(&error_)).isEmpty())) \
        QFAIL(qPrintable(error_));

class E2E : public QObject
{
    Q_OBJECT
private slots:
    void winByDragEntersName();
    void secondStartActivatesFirst_data();
    void secondStartActivatesFirst();
    void closeBoxEndsEverything_data();
    void closeBoxEndsEverything();
};

// A game one move from the goal is loaded; one real drag wins it, and the
// name typed into the name box lands in scr.cxa between 30 and 50 moves.
void E2E::winByDragEntersName()
{
    START(s, false);
    QByteArray saved;
    for (int v : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 100, 14})   // tile 14 on field 15
        saved += QByteArray::number(v) + "\r\n";
    saved += "41\r\n0\r\n0\r\n" + readAll(s.file(QStringLiteral("p.cxa")));
    const QByteArray rest = scoreRecord(0, "Hanno Holzbein").repeated(7);
    QVERIFY(writeAll(s.file(QStringLiteral("Saves/Fast fertig.sav")), saved));
    QVERIFY(writeAll(s.file(QStringLiteral("scr.cxa")),
                     scoreRecord(30, "Anna") + scoreRecord(50, "Bert") + scoreRecord(0, "Hanno Holzbein") + rest));
    QString error;
    QVERIFY2(!(main = s.startGame(&error)).isEmpty(), qPrintable(error));
    QVERIFY2(s.waitActive(main), "no active game window");

    QVERIFY(s.keys({"key", "F6"}));
    QVERIFY2(!s.activeWindow(QStringLiteral("  Laden")).isEmpty(), "no active load dialog");
    QVERIFY(s.keys({"type", "--delay", "30", "Fast fertig.sav"}));
    QVERIFY(s.keys({"key", "Return"}));
    QVERIFY(waitFor([&] { return s.windows(QStringLiteral("  Laden")).isEmpty(); }));
    QVERIFY(s.waitActive(main));

    // Field 15 onto field 14, pressed and moved in steps as a hand does.
    QPoint board;
    QVERIFY2(waitFor([&] { return !(board = s.board(main)).isNull(); }), "the board's borders were not found");
    const QPoint from = board + QPoint(3 * FieldPx + FieldPx / 2, 3 * FieldPx + FieldPx / 2);
    const QPoint to = from - QPoint(FieldPx, 0);
    QStringList drag{"mousemove", QString::number(from.x()), QString::number(from.y()),
                     "sleep", "0.05", "mousedown", "1"};
    for (int step = 1; step <= 4; ++step)
        drag << "sleep" << "0.05" << "mousemove" << QString::number(from.x() - FieldPx * step / 4)
             << QString::number(from.y());
    QVERIFY(s.keys(drag << "sleep" << "0.05" << "mouseup" << "1"));

    QVERIFY2(!s.activeWindow(QStringLiteral("High Scores")).isEmpty(), "no active name box after the winning drag");
    QVERIFY(s.keys({"type", "--delay", "30", "Erika E2E"}));
    QVERIFY(s.keys({"key", "Return"}));
    const QByteArray expected = scoreRecord(30, "Anna") + scoreRecord(42, "Erika E2E") + scoreRecord(50, "Bert")
                                + rest;
    QByteArray onDisk;
    QVERIFY2(waitFor([&] { return (onDisk = readAll(s.file(QStringLiteral("scr.cxa")))) == expected; }),
             onDisk.constData());
    QVERIFY(!s.window(QStringLiteral("    Top Ten")).isEmpty());
}

void E2E::secondStartActivatesFirst_data()
{
    QTest::addColumn<bool>("minimise");
    QTest::newRow("another window in front") << false;
    QTest::newRow("first window minimised") << true;
}

// A second start from the same folder ends at once and brings the running
// game's window to the front, shown and active, still the only one.
void E2E::secondStartActivatesFirst()
{
    QFETCH(bool, minimise);
    START(s, true);
    Child other;
    QVERIFY(other.start(QStringLiteral("xmessage"), {"-name", "Fremd", "-title", "Fremd", "Ein anderes Programm"},
                        s.env));
    const QString otherId = s.window(QStringLiteral("Fremd"));
    QVERIFY(s.keys({"windowactivate", otherId}));
    QVERIFY(s.waitActive(otherId));
    if (minimise) {
        QVERIFY(s.keys({"windowminimize", main}));
        QVERIFY(waitFor([&] { return s.windows(MainTitle).isEmpty(); }));
    }

    QElapsedTimer t;
    t.start();
    Child second;
    QVERIFY(second.start(s.exe(), {}, s.env));
    QVERIFY(second.proc.waitForFinished(Timeout));
    QCOMPARE(second.proc.exitCode(), 0);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));

    QVERIFY2(s.waitActive(main), qPrintable(QStringLiteral("active: %1, game: %2").arg(s.active(), main)));
    QCOMPARE(s.windows(MainTitle), QStringList{main});
    QVERIFY(s.game.running());
}

void E2E::closeBoxEndsEverything_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::newRow("modal top-ten list") << QStringLiteral("F11") << QStringLiteral("    Top Ten");
    QTest::newRow("About window") << QStringLiteral("F1") << QStringLiteral("   About");
}

// The main window's close box while a secondary window is open closes both,
// and the program ends with success.
void E2E::closeBoxEndsEverything()
{
    QFETCH(QString, key);
    QFETCH(QString, title);
    START(s, true);
    QVERIFY2(s.waitActive(main), "no active game window");
    QVERIFY(s.keys({"key", key}));
    QVERIFY2(!s.activeWindow(title).isEmpty(), qPrintable(QStringLiteral("no active window ") + title));

    QVERIFY(s.closeBox(main));
    QVERIFY2(s.game.proc.waitForFinished(Timeout), "the game did not end");
    QCOMPARE(s.game.proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(s.game.proc.exitCode(), 0);
    QVERIFY(s.windows(title).isEmpty());
    QVERIFY(s.windows(MainTitle).isEmpty());
}

QTEST_GUILESS_MAIN(E2E)
#include "test_e2e.moc"
