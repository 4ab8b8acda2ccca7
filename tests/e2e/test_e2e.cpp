// End-to-end tests of what only a real X server shows: the real program in
// Xvfb with a window manager (openbox), driven by xdotool's mouse and keys,
// its windows measured by xwininfo. Every test starts its own X server,
// window manager and copy of the program folder, and ends its children by
// their process ids (the kernel ends them should the driver die first).
#include "base/Twips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstring>
#include <functional>

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
        if (proc.state() != QProcess::NotRunning && (::kill(pid_t(proc.processId()), SIGTERM), !proc.waitForFinished(3000)))
            ::kill(pid_t(proc.processId()), SIGKILL), proc.waitForFinished(3000);
    }
    bool running() { return proc.state() != QProcess::NotRunning && !proc.waitForFinished(0); }
    bool start(const QString &program, const QStringList &args, const QProcessEnvironment &env)
    {
        proc.setProcessEnvironment(env);
        proc.start(program, args);
        return proc.waitForStarted(Timeout);
    }
};

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

// The number after "key:" in xwininfo's output.
int value(const QByteArray &out, const QString &key)
{
    return QRegularExpression(key + QStringLiteral(":\\s*(-?\\d+)")).match(QString::fromLatin1(out)).captured(1).toInt();
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
        if (!xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, env))
            return QStringLiteral("Xvfb does not start");
        QByteArray number;   // Xvfb tells the display once it takes connections
        if (!waitFor([&] { xvfb.proc.waitForReadyRead(40); return (number += xvfb.proc.readAll()).contains('\n'); }))
            return QStringLiteral("Xvfb gave no display number");
        env.insert("DISPLAY", QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", tmp.path());
        env.insert("XDG_RUNTIME_DIR", tmp.path());
        for (const char *v : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"})
            env.remove(QString::fromLatin1(v));
        if (!wm.start("openbox", {"--sm-disable"}, env)
            || !waitFor([&] { return tool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"); }))
            return QStringLiteral("openbox did not take over the display");
        folder = tmp.filePath("Zandor");
        const QString picture = tmp.filePath("Bild.bmp");
        QImage img(416, 416, QImage::Format_RGB32);
        img.fill(QColor(40, 160, 150));
        if (!ok({"-r", ZANDOR_PROGRAM_DIR, folder}, "cp") || !img.save(picture, "BMP"))
            return QStringLiteral("cannot copy the program folder");
        ok({"-rf", file("p.cxa"), file("scr.cxa"), file("Saves")}, "rm");
        writeAll(file("p.cxa"), picture.toLatin1() + "\r\n");
        return QString();
    }

    QString file(const QString &name) const { return folder + QLatin1Char('/') + name; }
    QString exe() const { return file("zandor"); }

    // Runs a short tool to its end: its output, empty unless it succeeded.
    QByteArray tool(const QString &program, const QStringList &args, bool *ok = nullptr) const
    {
        Child c;
        const bool done = c.start(program, args, env) && c.proc.waitForFinished(Timeout)
                          && c.proc.exitStatus() == QProcess::NormalExit && c.proc.exitCode() == 0;
        if (ok)
            *ok = done;
        return done ? c.proc.readAllStandardOutput() : QByteArray();
    }
    bool ok(const QStringList &args, const QString &program = "xdotool") const
    {
        bool done = false;
        tool(program, args, &done);
        return done;
    }

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
        const QByteArray out = tool("xdotool", {"search", "--onlyvisible", "--name",
                                                QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')});
        return QString::fromLatin1(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Waits for exactly one visible window of that title and for it to be
    // active; its id, or empty.
    QString activeWindow(const QString &title) const
    {
        QStringList ids;
        waitFor([&] { return (ids = windows(title)).size() == 1; });
        return ids.size() == 1 && waitActive(ids.first()) ? ids.first() : QString();
    }
    QString active() const { return QString::fromLatin1(tool("xdotool", {"getactivewindow"}).trimmed()); }
    bool waitActive(const QString &id) const { return !id.isEmpty() && waitFor([&] { return active() == id; }); }

    // A window's client area, or with frame its window manager's frame (the
    // child of the root window that holds it), as the X server shows it.
    QRect geometry(QString id, bool frame = false) const
    {
        for (QByteArray tree; frame && (tree = tool("xwininfo", {"-children", "-id", id})).size();) {
            const auto parent = QRegularExpression("Parent window id: (\\S+)").match(QString::fromLatin1(tree));
            if (!parent.hasMatch() || tree.contains("Parent window id: " + parent.captured(1).toLatin1() + " (the root"))
                break;
            id = parent.captured(1);
        }
        const QByteArray info = tool("xwininfo", {"-id", id});
        return QRect(value(info, "Absolute upper-left X"), value(info, "Absolute upper-left Y"), value(info, "Width"),
                     value(info, "Height"));
    }

    // The window manager's close request, as the window's close box sends it.
    bool closeBox(const QString &id) const
    {
        xcb_connection_t *c = xcb_connect(env.value("DISPLAY").toLatin1().constData(), nullptr);
        const char *name = "_NET_CLOSE_WINDOW";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = id.toUInt();
        ev.type = atom ? atom->atom : 0;
        ev.data.data32[1] = 2;   // source: a pager or task bar, on the player's behalf
        xcb_send_event(c, 0, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&ev));
        free(atom);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));   // the request has arrived
        const bool ok = !xcb_connection_has_error(c) && ev.type;
        xcb_disconnect(c);
        return ok;
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
    void placedByFramesCloseBoxEndsAll_data();
    void placedByFramesCloseBoxEndsAll();
};

// A game one move from the goal is loaded; one real drag wins it, and the
// name typed into the name box lands in scr.cxa between 30 and 50 moves.
void E2E::winByDragEntersName()
{
    START(s, false);
    QByteArray saved;
    for (int v : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 100, 14})   // tile 14 on field 15
        saved += QByteArray::number(v) + "\r\n";
    saved += "41\r\n0\r\n0\r\n" + readAll(s.file("p.cxa"));
    const QByteArray rest = scoreRecord(0, "Hanno Holzbein").repeated(7);
    QVERIFY(writeAll(s.file("Saves/Fast fertig.sav"), saved));
    QVERIFY(writeAll(s.file("scr.cxa"), scoreRecord(30, "Anna") + scoreRecord(50, "Bert") + scoreRecord(0, "Hanno Holzbein") + rest));
    QString error;
    QVERIFY2(!(main = s.startGame(&error)).isEmpty(), qPrintable(error));
    QVERIFY2(s.waitActive(main), "no active game window");

    QVERIFY(s.ok({"key", "F6"}));
    QVERIFY2(!s.activeWindow("  Laden").isEmpty(), "no active load dialog");
    QVERIFY(s.ok({"type", "--delay", "30", "Fast fertig.sav"}) && s.ok({"key", "Return"}));
    QVERIFY(waitFor([&] { return s.windows("  Laden").isEmpty(); }));
    QVERIFY(s.waitActive(main));

    // Field 15 onto field 14, pressed and moved in steps as a hand does. The
    // client area ends 150 twips below the progress bar, under the board.
    const QRect client = s.geometry(main);
    const QPoint from(client.left() + Twips::px(Twips::Main::BoardLeft) + 3 * FieldPx + FieldPx / 2,
                      client.bottom() - Twips::px(150 + Twips::Main::ProgressHeight + Twips::Main::ProgressGap) - FieldPx / 2);
    QStringList drag{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.05", "mousedown", "1"};
    for (int step = 1; step <= 4; ++step)
        drag << "sleep" << "0.05" << "mousemove" << QString::number(from.x() - FieldPx * step / 4) << QString::number(from.y());
    QVERIFY(s.ok(drag << "sleep" << "0.05" << "mouseup" << "1"));

    QVERIFY2(!s.activeWindow("High Scores").isEmpty(), "no active name box after the winning drag");
    QVERIFY(s.ok({"type", "--delay", "30", "Erika E2E"}) && s.ok({"key", "Return"}));
    const QByteArray expected = scoreRecord(30, "Anna") + scoreRecord(42, "Erika E2E") + scoreRecord(50, "Bert") + rest;
    QByteArray onDisk;
    QVERIFY2(waitFor([&] { return (onDisk = readAll(s.file("scr.cxa"))) == expected; }), onDisk.constData());
    QVERIFY(waitFor([&] { return s.windows("    Top Ten").size() == 1; }));
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
    QVERIFY(other.start("xmessage", {"-name", "Fremd", "-title", "Fremd", "Ein anderes Programm"}, s.env));
    QStringList others;
    QVERIFY(waitFor([&] { return (others = s.windows("Fremd")).size() == 1; }));
    QVERIFY(s.ok({"windowactivate", others.first()}) && s.waitActive(others.first()));
    if (minimise) {
        QVERIFY(s.ok({"windowminimize", main}));
        QVERIFY(waitFor([&] { return s.windows(MainTitle).isEmpty(); }));
    }

    QElapsedTimer t;
    t.start();
    Child second;
    QVERIFY(second.start(s.exe(), {}, s.env) && second.proc.waitForFinished(Timeout));
    QCOMPARE(second.proc.exitCode(), 0);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));

    QVERIFY2(s.waitActive(main), qPrintable(QStringLiteral("active: %1, game: %2").arg(s.active(), main)));
    QCOMPARE(s.windows(MainTitle), QStringList{main});
    QVERIFY(s.game.running());
}

void E2E::placedByFramesCloseBoxEndsAll_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::newRow("modal top-ten list") << QStringLiteral("F11") << QStringLiteral("    Top Ten");
    QTest::newRow("About window") << QStringLiteral("F1") << QStringLiteral("   About");
}

// By the frames the window manager drew, the main window stands centred on
// the work area; the top-ten list 500 twips right of and below it, the
// About window in its upper-right corner. The main window's close box while
// the other is open closes both, and the program ends with success.
void E2E::placedByFramesCloseBoxEndsAll()
{
    QFETCH(QString, key);
    QFETCH(QString, title);
    START(s, true);
    QVERIFY2(s.waitActive(main), "no active game window");
    QList<int> a;   // the work area: x, y, width, height
    for (const auto &n : QRegularExpression("\\d+").globalMatch(QString::fromLatin1(s.tool("xprop", {"-root", "_NET_WORKAREA"}))))
        a << n.captured().toInt();
    QVERIFY(a.size() >= 4);
    const QPointF centre(a[0] + a[2] / 2.0, a[1] + a[3] / 2.0);
    QRect m, w;   // the frames, each placed at once or soon, and staying there
    auto stands = [&](const std::function<bool()> &placed) { return waitFor(placed) && (QThread::msleep(500), placed()); };
    QVERIFY2(stands([&] {
                 const QPointF d = QRectF(m = s.geometry(main, true)).center() - centre;
                 return qAbs(d.x()) <= 1 && qAbs(d.y()) <= 1;
             }), qPrintable(QStringLiteral("main frame at %1,%2").arg(m.x()).arg(m.y())));
    QVERIFY(s.ok({"key", key}));
    const QString id = s.activeWindow(title);
    QVERIFY2(!id.isEmpty(), qPrintable(QStringLiteral("no active window ") + title));
    const double offset = Twips::Main::SecondaryOffset / double(Twips::PerPixel);
    QVERIFY2(stands([&] {
                 w = s.geometry(id, true);
                 const QPointF d = key == "F1" ? QPointF(w.right() - m.right(), w.top() - m.top()) : QPointF(w.topLeft() - m.topLeft()) - QPointF(offset, offset);
                 return qAbs(d.x()) <= 1 && qAbs(d.y()) <= 1;
             }), qPrintable(QStringLiteral("main frame at %1,%2, %3 at %4,%5 to %6").arg(m.x()).arg(m.y()).arg(title).arg(w.x()).arg(w.y()).arg(w.right())));

    QVERIFY(s.closeBox(main));
    QVERIFY2(s.game.proc.waitForFinished(Timeout), "the game did not end");
    QCOMPARE(s.game.proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(s.game.proc.exitCode(), 0);
    QVERIFY(s.windows(title).isEmpty() && s.windows(MainTitle).isEmpty());
}

QTEST_GUILESS_MAIN(E2E)
#include "test_e2e.moc"
