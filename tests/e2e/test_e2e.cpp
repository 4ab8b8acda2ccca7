// What only a real display server shows: the program in Xvfb with openbox, driven by xdotool, measured by
// xwininfo; and the program under Wayland, in weston running on Xvfb (weston's X11 backend gives it a seat, so
// xdotool's input on Xvfb reaches the game), seen in screenshots of the X screen.
// Each test has its own servers and program folder; children are ended by their ids.
#include "base/Twips.h"

#include <QtGui>
#include <QtTest>
#include <functional>
#include <xcb/xcb.h>

#include <cstring>

#include <signal.h>
#include <sys/prctl.h>

namespace {

constexpr int Timeout = 20000;   // generous for a loaded machine; every wait polls

bool waitFor(const std::function<bool()> &condition, int ms = Timeout) { return QTest::qWaitFor(condition, ms); }

// Whether off() comes within a pixel of nothing, at once or soon, and stays there.
bool stands(const std::function<QPointF()> &off)
{
    auto there = [&] { const QPointF d = off(); return qAbs(d.x()) <= 1 && qAbs(d.y()) <= 1; };
    return waitFor(there) && (QThread::msleep(500), there());
}

// A child process, ended by its id when the object goes.
struct Child
{
    QProcess proc;
    Child() { proc.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }); }
    ~Child()
    {
        for (int sig : {SIGTERM, SIGKILL})
            if (running() && ::kill(pid_t(proc.processId()), sig) == 0)
                proc.waitForFinished(3000);
    }
    bool running() { return proc.state() != QProcess::NotRunning && !proc.waitForFinished(0); }
    bool start(const QString &program, const QStringList &args, const QProcessEnvironment &env)
    {
        proc.setProcessEnvironment(env);
        proc.start(program, args);
        return proc.waitForStarted(Timeout);
    }
};

const QString MainTitle = QStringLiteral("    Zandor");
constexpr int FieldPx = Twips::px(Twips::Main::FieldSize);

// The plain picture the game is given: every tile of it is this colour.
const QRgb TileColour = qRgb(40, 160, 150);
// Weston's background, and what a field of the numbered tiles is filled with.
const QRgb Background = qRgb(16, 32, 48);
const QRgb NumberedTile = qRgb(200, 200, 210);

// Where a colour is in a picture, and how often.
struct Area
{
    QRect box;
    int count = 0;
};
Area find(const QImage &image, QRgb colour)
{
    Area a;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xffffff) == (colour & 0xffffff))
                ++a.count, a.box |= QRect(x, y, 1, 1);
    }
    return a;
}

// The board in a picture: the square around the plain picture's tiles (each
// lies inside its field's one-pixel border).
QRect boardIn(const QImage &image)
{
    const Area tiles = find(image, TileColour);
    return tiles.count ? tiles.box.adjusted(-1, -1, 1, 1) : QRect();
}
// The middle of field f of a board.
QPoint fieldOf(const QRect &board, int f)
{
    return board.topLeft() + QPoint((f % 4) * board.width() / 4 + board.width() / 8, (f / 4) * board.height() / 4 + board.height() / 8);
}

// How many pixels of two pictures of one size differ.
int differing(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < qMin(a.height(), b.height()); ++y)
        for (int x = 0; x < qMin(a.width(), b.width()); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// An X server on a free display, openbox on it (or weston, for Wayland), a
// copy of the program folder whose p.cxa names a plain picture outside it,
// and the game started there.
class Session
{
    QTemporaryDir tmp;
    Child xvfb, wm;

public:
    const bool wayland;
    explicit Session(bool underWayland = false) : wayland(underWayland) {}
    QString screen = QStringLiteral("1280x1024x24");   // the X server's screen
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();   // the tools'
    QProcessEnvironment gameEnv;                                          // the game's
    Child game;      // ended first, while its display server still runs
    QString main;    // the game's main window (X11 only)

    // What went wrong, or empty. prepare runs before the game starts.
    QString start(const std::function<void()> &prepare = [] {})
    {
        QByteArray number;   // Xvfb tells the display once it takes connections
        if (!xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, env)
            || !waitFor([&] { return xvfb.proc.waitForReadyRead(40), (number += xvfb.proc.readAll()).contains('\n'); }))
            return "Xvfb gave no display";
        env.insert("DISPLAY", ':' + QString::fromLatin1(number.trimmed()));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", tmp.path());
        env.insert("XDG_RUNTIME_DIR", tmp.path());
        for (const char *v : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE"})
            env.remove(v);
        gameEnv = env;
        if (wayland) {
            if (QString error = startWeston(); !error.isEmpty())
                return error;
        } else if (!wm.start("openbox", {"--sm-disable"}, env)
                   || !waitFor([&] { return out("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"); })) {
            return "openbox did not take over the display";
        }
        QImage img(416, 416, QImage::Format_RGB32);
        img.fill(QColor(40, 160, 150));
        if (!ok({"-r", ZANDOR_PROGRAM_DIR, file("")}, "cp")
            || !ok({"-rf", file("scr.cxa"), file("Saves"), file("laufend.sav"), file("einstellungen.ini")}, "rm")
            || !img.save(tmp.filePath("Bild.bmp"), "BMP") || !write("p.cxa", tmp.filePath("Bild.bmp") + "\r\n"))
            return "cannot copy the program folder";
        prepare();
        QStringList ids;
        game.proc.setProcessChannelMode(QProcess::ForwardedChannels);
        if (wayland)
            return game.start(file("zandor"), {}, gameEnv) ? QString() : "the game did not start";
        if (game.start(file("zandor"), {}, env)
            && waitFor([&] { return (ids = windows(MainTitle)).size() == 1 || !game.running(); }, 60000) && ids.size() == 1)
            return main = ids.first(), QString();
        return game.running() ? "no game window in 60 s" : QString("the game ended: %1").arg(game.proc.exitCode());
    }

    // weston with its X11 backend on the X server, its own runtime folder,
    // and the game set to use it; without its on-screen keyboard, which
    // would cover the dialogs.
    QString startWeston()
    {
        const QString runtime = tmp.filePath("run");
        if (!QDir().mkpath(runtime) || !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return "no runtime folder";
        QFile ini(tmp.filePath("weston.ini"));
        if (!ini.open(QIODevice::WriteOnly)
            || ini.write(QString("[core]\nidle-time=0\n[shell]\npanel-position=none\nbackground-image=none\n"
                                 "background-type=tile\nbackground-color=0xff%1\n[input-method]\npath=\n")
                             .arg(Background & 0xffffff, 6, 16, QLatin1Char('0')).toLatin1()) < 0)
            return "no weston.ini";
        ini.close();
        QProcessEnvironment westonEnv = env;
        westonEnv.insert("XDG_RUNTIME_DIR", runtime);
        wm.proc.setProcessChannelMode(QProcess::MergedChannels);
        if (!wm.start("weston", {"--backend=x11-backend.so", "--use-pixman", "--config=" + ini.fileName(),
                                 "--socket=wayland-zandor", "--idle-time=0"}, westonEnv)
            || !waitFor([&] { return QFile::exists(runtime + "/wayland-zandor") && compositorWindows().size() == 1; }, 60000))
            return "weston did not start: " + QString::fromLocal8Bit(wm.proc.readAll());
        output = geometry(compositorWindows().first());
        // Its background drawn: the compositor is ready.
        if (!waitFor([&] { return find(shot(), Background).count > output.width() * output.height() / 2; }, 60000))
            return "weston shows no background";
        gameEnv.insert("XDG_RUNTIME_DIR", runtime);
        gameEnv.insert("WAYLAND_DISPLAY", "wayland-zandor");
        gameEnv.insert("QT_QPA_PLATFORM", "wayland");
        gameEnv.remove("DISPLAY");
        // Keys go to weston's window; the pointer waits beside it until it is used.
        return ok({"windowfocus", compositorWindows().first()})
                       && ok({"mousemove", QString::number(output.right() + 100), QString::number(output.top() + 10)})
                   ? QString() : "no input";
    }

    // weston's output on the X screen (Wayland only).
    QRect output;

    // The compositor's output as it is now.
    QImage shot() const
    {
        const QString name = tmp.filePath("shot.png");
        QFile::remove(name);
        if (!ok({"-window", "root", name}, "import"))
            return QImage();
        const QImage all = QImage(name).convertToFormat(QImage::Format_RGB32);
        return output.isValid() ? all.copy(output) : all;
    }
    // The output once it stands still (two shots alike), or a null picture.
    QImage still() const
    {
        QImage now;
        return waitFor([&] { const QImage last = now; return (now = shot()) == last; }) ? now : QImage();
    }
    // Clicks, drags and keys at a point of the compositor's output.
    QStringList at(const QPoint &p) const
    {
        return {"mousemove", QString::number(output.x() + p.x()), QString::number(output.y() + p.y())};
    }

    QString file(const QString &name) const { return tmp.filePath("Zandor/" + name); }
    // A saved game's bytes: the blank-separated numbers a line each, then the picture line of p.cxa.
    QString savedGame(const QString &numbers) const { return QString(numbers).replace(' ', "\r\n") + out("cat", {file("p.cxa")}); }
    bool write(const QString &name, const QString &text) const
    {
        QFile f(file(name));
        return QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(text.toLatin1()) > 0;
    }

    // Runs a short tool to its end; whether it succeeded, and its output.
    bool ok(const QStringList &args, const QString &program = "xdotool", QString *output = nullptr) const
    {
        Child c;
        const bool done = c.start(program, args, env) && c.proc.waitForFinished(Timeout)
                          && c.proc.exitStatus() == QProcess::NormalExit && c.proc.exitCode() == 0;
        if (output)
            *output = done ? QString::fromLatin1(c.proc.readAllStandardOutput()) : QString();
        return done;
    }
    QString out(const QString &program, const QStringList &args) const { QString t; return ok(args, program, &t), t; }

    // The visible windows of that title (or, by "--class", of that class).
    QStringList windows(const QString &title, const QString &by = "--name") const
    {
        const QString pattern = '^' + QRegularExpression::escape(title) + '$';
        return out("xdotool", {"search", "--onlyvisible", by, pattern}).split('\n', Qt::SkipEmptyParts);
    }
    QStringList compositorWindows() const { return windows("Weston Compositor", "--class"); }
    // Text typed into the dialog in front, then Return.
    bool typeIn(const QString &text) const { return ok({"type", "--delay", "30", text}) && ok({"key", "Return"}); }
    // A drag from one screen point to another, moved in steps as a hand does.
    bool drag(QPoint from, QPoint to) const
    {
        auto at = [](QPoint p) { return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())}; };
        QStringList args = at(from) << "sleep" << "0.1" << "mousedown" << "1";
        for (int step = 1; step <= 4; ++step)
            args << "sleep" << "0.05" << at(from + (to - from) * step / 4);
        return ok(args << "sleep" << "0.1" << "mouseup" << "1");
    }
    // Whether the game ended by itself, with success.
    bool endedWell()
    {
        return game.proc.waitForFinished(Timeout) && game.proc.exitStatus() == QProcess::NormalExit && game.proc.exitCode() == 0;
    }
    QString active() const { return out("xdotool", {"getactivewindow"}).trimmed(); }
    bool waitActive(const QString &id) const { return !id.isEmpty() && waitFor([&] { return active() == id; }); }
    // Waits for exactly one visible window of that title to be active; its id, or empty.
    QString activeWindow(const QString &title) const
    {
        QStringList ids;
        return waitFor([&] { return (ids = windows(title)).size() == 1; }) && waitActive(ids[0]) ? ids[0] : QString();
    }

    // A window's client area, or its window manager's frame (the root's child holding it), as X shows it.
    QRect geometry(QString id, bool frame = false) const
    {
        const QRegularExpression parent("Parent window id: (\\S+) (?!\\(the root)");
        for (QRegularExpressionMatch up; frame && (up = parent.match(out("xwininfo", {"-children", "-id", id}))).hasMatch();)
            id = up.captured(1);
        const QString info = out("xwininfo", {"-id", id});
        auto value = [&](const QString &key) {
            return QRegularExpression(key + ":\\s*(-?\\d+)").match(info).captured(1).toInt();
        };
        return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
    }

    // A message to the window manager about a window, as a pager or a
    // window's own buttons send it (source 2: on the player's behalf).
    bool tellWindowManager(const QString &id, const char *message, const QList<const char *> &atoms, uint32_t first = 0) const
    {
        xcb_connection_t *c = xcb_connect(env.value("DISPLAY").toLatin1().constData(), nullptr);
        auto atom = [c](const char *name) {
            auto *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
            const xcb_atom_t a = r ? r->atom : 0;
            return free(r), a;
        };
        xcb_client_message_event_t ev{XCB_CLIENT_MESSAGE, 32, 0, id.toUInt(), atom(message), {}};
        ev.data.data32[0] = first;
        for (int i = 0; i < atoms.size(); ++i)
            ev.data.data32[1 + i] = atom(atoms[i]);
        ev.data.data32[1 + atoms.size()] = 2;
        xcb_send_event(c, 0, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&ev));
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));   // the request has arrived
        const bool sent = ev.type && !xcb_connection_has_error(c);
        xcb_disconnect(c);
        return sent;
    }
    // The window manager's close request, as the window's close box sends it.
    bool closeBox(const QString &id) const { return tellWindowManager(id, "_NET_CLOSE_WINDOW", {}); }
    // A state added to a window (_NET_WM_STATE_ADD), as its maximise button or a pager asks for it.
    bool addState(const QString &id, const QList<const char *> &states) const
    {
        return tellWindowManager(id, "_NET_WM_STATE", states, 1);
    }

    // The game's settings file.
    QString settings() const { return out("cat", {file("einstellungen.ini")}); }
    // The move count of the kept game.
    QString keptCount() const { return out("cat", {file("laufend.sav")}).section("\r\n", 16, 16); }
};

} // namespace

class E2E : public QObject
{
    Q_OBJECT
private slots:
    // One game under openbox: the main window gets its icon. A game one move
    // from the goal is loaded; one real drag wins it, the name typed into the
    // name box is taken and the top-ten list opens. Every secondary window
    // has come and gone, and the main window is still one X window. A second
    // start ends at once and brings the game forward, from behind another
    // window and from minimised. The main window's close box while the About
    // window is open ends the program.
    void playedPlacedAndClosedUnderX11()
    {
        Session s;
        QCOMPARE(s.start([&] {
            // Tiles 0 to 13 in place, the empty field (100) on 14, tile 14 on field 15; 41 moves.
            s.write("Saves/Fast fertig.sav", s.savedGame("0 1 2 3 4 5 6 7 8 9 10 11 12 13 100 14 41 0 0 "));
        }), QString());
        QVERIFY2(s.waitActive(s.main), "no active game window");
        // The game's icon (not the window manager's stand-in) is set once the board is shown.
        QVERIFY2(waitFor([&] { return s.out("xprop", {"-id", s.main, "_NET_WM_ICON"}).contains("Icon (32 x 32)"); }),
                 "the main window has no icon");

        QVERIFY2(s.ok({"key", "F6"}) && !s.activeWindow("  Laden").isEmpty() && s.typeIn("Fast fertig.sav")
                     && waitFor([&] { return s.windows("  Laden").isEmpty(); }) && s.waitActive(s.main),
                 "the game was not loaded");
        // Field 15: the client area ends 150 twips below the progress bar, under the board.
        const QRect client = s.geometry(s.main);
        const QPoint field15(client.left() + Twips::px(Twips::Main::BoardLeft) + 3 * FieldPx + FieldPx / 2,
                             client.bottom() - FieldPx / 2 - Twips::px(150 + Twips::Main::ProgressHeight + Twips::Main::ProgressGap));
        QVERIFY(s.drag(field15, field15 - QPoint(FieldPx, 0)));   // onto field 14

        QVERIFY2(!s.activeWindow("High Scores").isEmpty(), "no active name box after the winning drag");
        QVERIFY(s.typeIn("Erika E2E"));
        // The name taken: the list shows it.
        const QString topTen = s.activeWindow("    Top Ten");
        QVERIFY2(!topTen.isEmpty(), "no active top-ten list after the name");
        QVERIFY(s.closeBox(topTen) && waitFor([&] { return s.windows("    Top Ten").isEmpty(); }) && s.waitActive(s.main));

        Child other;
        QVERIFY(other.start("xmessage", {"-name", "Fremd", "-title", "Fremd", "Ein anderes Programm"}, s.env));
        QStringList others;
        QVERIFY(waitFor([&] { return (others = s.windows("Fremd")).size() == 1 && s.ok({"windowactivate", others[0]}); }));
        QVERIFY(s.waitActive(others[0]));
        for (bool minimised : {false, true}) {
            if (minimised)
                QVERIFY(s.ok({"windowminimize", s.main}) && waitFor([&] { return s.windows(MainTitle).isEmpty(); }));
            Child second;
            QElapsedTimer t;
            t.start();
            QVERIFY(second.start(s.file("zandor"), {}, s.env) && second.proc.waitForFinished(Timeout));
            QCOMPARE(second.proc.exitCode(), 0);
            QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
            QVERIFY2(s.waitActive(s.main), qPrintable(QString("active: %1, game: %2").arg(s.active(), s.main)));
            QCOMPARE(s.windows(MainTitle), QStringList{s.main});   // the first game's window, still there
        }

        QVERIFY2(s.out("xwininfo", {"-children", "-id", s.main}).contains(" 0 children."),
                 qPrintable(s.out("xwininfo", {"-children", "-id", s.main})));

        // Maximised (as its maximise button asks the window manager), the
        // board is the largest square beside the panels: the margins and
        // panels keep their size, the board takes the rest. A drag there
        // moves a tile (the new deal's tile 14 into the empty field 15).
        const QRect first = s.geometry(s.main);
        auto boardFills = [&](QRect *board) {
            return waitFor([&] {
                const QRect client = s.geometry(s.main);
                const int side = qMin(client.width() - first.width(), client.height() - first.height()) + 4 * FieldPx;
                *board = boardIn(s.shot());
                return client.size() != first.size() && qAbs(board->width() - side) <= 2 && board->height() == board->width();
            });
        };
        QRect board;
        QVERIFY(s.ok({"key", "F2"}) && s.addState(s.main, {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}));
        QVERIFY2(boardFills(&board), qPrintable(QString("maximised: board %1 in %2").arg(board.width()).arg(s.geometry(s.main).height())));
        QVERIFY(s.drag(fieldOf(board, 14), fieldOf(board, 15)));
        QVERIFY2(waitFor([&] { return s.keptCount() == "1"; }), "no move on the maximised board");
        // Fullscreen, its working copy made at the board's size, then closed:
        // the next start opens it fullscreen again; "Vollbild" (Ctrl+Shift+F)
        // brings the maximised window back, and the window manager's restore
        // its first size.
        QVERIFY(s.addState(s.main, {"_NET_WM_STATE_FULLSCREEN"}));
        const QRect screen(QPoint(0, 0), QSize(s.screen.section('x', 0, 0).toInt(), s.screen.section('x', 1, 1).toInt()));
        QVERIFY2(waitFor([&] { return s.geometry(s.main) == screen; }) && boardFills(&board), "not fullscreen");
        const QRect full = board;
        const QString copy = s.file("Images/bild.jpg");   // a bitmap of 24 bits a pixel
        const qint64 copyBytes = 54 + qint64(full.width()) * ((full.width() * 3 + 3) / 4 * 4);
        QVERIFY2(waitFor([&] { return QFileInfo(copy).size() == copyBytes; }), qPrintable(QString::number(QFileInfo(copy).size())));
        QVERIFY2(waitFor([&] { return s.settings().contains("Maximiert=1\r\nVollbild=1\r\n"); }), qPrintable(s.settings()));
        QVERIFY(s.ok({"key", "F1"}) && !s.activeWindow("   About").isEmpty());
        QVERIFY(s.closeBox(s.main));
        QVERIFY2(s.endedWell(), "the game did not end with success");

        QStringList ids;
        QVERIFY(s.game.start(s.file("zandor"), {}, s.env) && waitFor([&] { return (ids = s.windows(MainTitle)).size() == 1; }));
        s.main = ids.first();
        QVERIFY2(waitFor([&] { return s.geometry(s.main) == screen && boardIn(s.shot()) == full; }), "not fullscreen again");
        QVERIFY(s.waitActive(s.main) && s.ok({"key", "ctrl+shift+f"}));
        QVERIFY2(boardFills(&board) && board.width() < full.width(), "not maximised after fullscreen");
        QVERIFY2(waitFor([&] { return s.settings().contains("Maximiert=1\r\nVollbild=0\r\n"); }), qPrintable(s.settings()));
        QVERIFY(s.tellWindowManager(s.main, "_NET_WM_STATE", {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}, 0));
        QVERIFY2(waitFor([&] { return s.geometry(s.main).size() == first.size() && boardIn(s.shot()).width() == 4 * FieldPx; }),
                 "not back at the first size");
        QVERIFY2(waitFor([&] { return s.settings().contains("Maximiert=0\r\nVollbild=0\r\n"); }), qPrintable(s.settings()));
        QVERIFY(s.closeBox(s.main) && s.endedWell());
    }

    // Unscaled and at a scale factor set for all programs or for the screen:
    // by the frames the window manager drew, in the screen's own pixels, the
    // main window stands centred on the work area, the About window in its
    // upper-right corner and the top-ten list 500 twips (at that scale)
    // right of and below it.
    void placedAtScale_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QSize>("remembered");   // the size einstellungen.ini holds (logical pixels)
        QTest::addRow("unscaled") << "QT_SCALE_FACTOR" << 1.0 << QSize();
        QTest::addRow("all 1.25") << "QT_SCALE_FACTOR" << 1.25 << QSize(900, 640);
        QTest::addRow("screen 1.5") << "QT_SCREEN_SCALE_FACTORS" << 1.5 << QSize(1000, 700);
        QTest::addRow("all 2, larger than the screen") << "QT_SCALE_FACTOR" << 2.0 << QSize(1100, 800);
    }
    void placedAtScale()
    {
        QFETCH(QString, variable);
        QFETCH(double, scale);
        QFETCH(QSize, remembered);
        Session s;
        s.screen = QStringLiteral("1920x1200x24");
        QCOMPARE(s.start([&] {
            s.env.insert(variable, QString::number(scale));
            if (remembered.isValid())
                s.write("einstellungen.ini", QString("Fensterbreite=%1\r\nFensterhöhe=%2\r\n").arg(remembered.width()).arg(remembered.height()));
        }), QString());
        const QStringList a = s.out("xprop", {"-root", "_NET_WORKAREA"}).section('=', 1).split(',');   // x, y, w, h
        QVERIFY(s.waitActive(s.main) && a.size() >= 4);
        const QRect area(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
        const QPointF centre = QRectF(area).center();
        QRect m, w;   // the frames, placed at once or soon, and staying there
        auto where = [&] { return QString("main frame %1,%2 %3x%4, other %5,%6 %7x%8").arg(m.x()).arg(m.y()).arg(m.width())
                                      .arg(m.height()).arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height()).toLatin1(); };
        QVERIFY2(stands([&] { return QRectF(m = s.geometry(s.main, true)).center() - centre; }), where().constData());
        // The remembered size, in the screen's pixels; one larger than the area with the frame is reduced to fit it.
        const QSize client = s.geometry(s.main).size(), wanted = remembered * scale + (m.size() - client);
        if (remembered.isValid() && wanted.width() <= area.width() && wanted.height() <= area.height())
            QVERIFY2(qAbs(client.width() - remembered.width() * scale) <= 1 && qAbs(client.height() - remembered.height() * scale) <= 1, where().constData());
        else if (remembered.isValid())
            QVERIFY2(area.adjusted(-1, -1, 1, 1).contains(m) && (m.width() >= area.width() - 1 || m.height() >= area.height() - 1), where().constData());
        qInfo("frame centre against the area's centre: %+.1f, %+.1f px; client %dx%d", QRectF(m).center().x() - centre.x(),
              QRectF(m).center().y() - centre.y(), client.width(), client.height());
        QVERIFY(s.ok({"key", "F1"}));
        const QString about = s.activeWindow("   About");
        QVERIFY2(stands([&] { return QPointF((w = s.geometry(about, true)).right() - m.right(), w.top() - m.top()); }), where().constData());
        QVERIFY(s.ok({"key", "Escape"}) && waitFor([&] { return s.windows("   About").isEmpty(); }) && s.waitActive(s.main));
        QVERIFY(s.ok({"key", "F11"}));
        const QString topTen = s.activeWindow("    Top Ten");
        const double offset = Twips::Main::SecondaryOffset / double(Twips::PerPixel) * scale;
        QVERIFY2(stands([&] { return (w = s.geometry(topTen, true)).topLeft() - m.topLeft() - QPointF(offset, offset); }), where().constData());
        QVERIFY(s.closeBox(s.main) && s.endedWell());
    }

    // Under Wayland: a first start (no p.cxa) opens the picture dialog;
    // cancelled, the board shows the numbered tiles. A saved game is loaded
    // through the typed name and its picture's tiles are painted; a real drag
    // and an arrow key each move a tile; the save dialog writes the game under
    // a typed name. A second start hands over and ends; the first runs on.
    // The main window's menus take no click while the modal About window is
    // open, and its close box ends the game; the game is kept and comes back
    // at the next start, which a SIGTERM ends as the close box does.
    void playedAndClosedUnderWayland()
    {
        Session s(true);
        const QString loaded = "0 1 2 3 4 5 6 7 8 9 100 10 12 13 14 11 5 0 0 ";   // the gap on field 10, 5 moves
        QCOMPARE(s.start([&] { s.write("Saves/Unterwegs.sav", s.savedGame(loaded)), QFile::remove(s.file("p.cxa")); }), QString());
        // A dialog with a text field (white) is open.
        auto dialogOpen = [&](bool open, int white = 2000) {
            return waitFor([&] { return (find(s.shot(), qRgb(255, 255, 255)).count > white) == open || !s.game.running(); }, 60000)
                   && s.game.running();
        };
        // The compositor maximises the window in front and makes it fullscreen
        // (weston's bindings): each time the window takes the whole output,
        // the game runs on, and once released the window is back as it was
        // (its title may be drawn a pixel aside once its decoration is made
        // anew after fullscreen).
        auto takesOutput = [&] {
            const QImage normal = s.still();
            for (const char *binding : {"super+shift+m", "super+shift+f"})
                if (normal.isNull() || !s.ok({"key", binding})
                    || !waitFor([&] { return differing(s.shot(), normal) > s.output.width() * s.output.height() / 2 || !s.game.running(); })
                    || !s.game.running() || !s.ok({"key", binding})
                    || !waitFor([&] { return differing(s.shot(), normal) < 600 || !s.game.running(); }) || !s.game.running())
                    return false;
            return true;
        };
        QVERIFY2(dialogOpen(true, 100 * 100), "no picture dialog");
        QVERIFY(s.ok({"key", "Escape"}));
        Area numbered;
        QVERIFY2(waitFor([&] {
                     const QImage shot = s.shot();
                     return find(shot, qRgb(255, 255, 255)).count < 1000
                            && (numbered = find(shot, NumberedTile)).count > 14 * (FieldPx - 4) * (FieldPx - 4) / 2;
                 }), "no numbered tiles after the picture dialog was cancelled");
        // Clicked, the main window takes the keys again.
        QVERIFY(!QFile::exists(s.file("p.cxa")) && s.ok(s.at(numbered.box.topLeft() + QPoint(FieldPx / 2, FieldPx / 2)) << "click" << "1"));

        QVERIFY(s.ok({"key", "F6"}));
        QVERIFY2(dialogOpen(true), "no load dialog");
        QVERIFY(s.typeIn("Unterwegs.sav"));
        // The board: the plain picture's tiles, at least fourteen whole tiles' worth.
        QImage shot;
        Area tiles;
        QVERIFY2(dialogOpen(false) && waitFor([&] {
                     return (tiles = find(shot = s.shot(), TileColour)).count >= 14 * (FieldPx - 4) * (FieldPx - 4);
                 }), "the saved game's picture is not shown");
        const QRect board = tiles.box;
        // The middle of a field, and whether it shows a tile of the picture.
        auto field = [&](int f) { return board.topLeft() + QPoint((f % 4) * FieldPx + FieldPx / 2, (f / 4) * FieldPx + FieldPx / 2); };
        // Looked at left of and below the middle, where the pointer left there does not stand.
        auto tiled = [&](int f) { return (shot.pixel(field(f) + QPoint(-FieldPx / 4, FieldPx / 4)) & 0xffffff) == (TileColour & 0xffffff); };
        auto shows = [&](const QVector<int> &gaps) {
            return waitFor([&] {
                shot = s.shot();
                for (int f = 0; f < 16; ++f)
                    if (tiled(f) == gaps.contains(f))
                        return false;
                return true;
            });
        };
        QVERIFY2(shows({10}), "the saved game was not loaded");

        // Field 14 up onto the gap on field 10.
        QVERIFY(s.drag(s.output.topLeft() + field(14), s.output.topLeft() + field(10)));
        QVERIFY2(shows({14}), "the drag moved no tile");
        // The tile right of the gap moves left into it.
        QVERIFY(s.ok({"key", "Left"}));
        QVERIFY2(shows({15}), "the arrow key moved no tile");

        // The save dialog refuses a name with a slash: the message says so.
        // Then it takes a typed name and writes the game as it stands.
        QVERIFY(s.ok({"key", "F5"}));
        QVERIFY2(dialogOpen(true), "no save dialog");
        const QImage dialog = s.still();
        QVERIFY(!dialog.isNull() && s.typeIn("a/b"));
        QVERIFY2(waitFor([&] { return differing(s.shot(), dialog) > 2000; }), "no message");
        QVERIFY2(takesOutput(), "the message");
        // Once the message is closed the compositor gives the save dialog the
        // keys again (after a moment: weston first fades the message out);
        // then Ctrl+A selects the refused name.
        QVERIFY(s.ok({"key", "Return"}));
        QVERIFY(waitFor([&] { return s.ok({"key", "ctrl+a", "sleep", "0.2"}) && find(s.shot(), qRgb(48, 140, 198)).count > 20; }));   // selected text
        QVERIFY(s.typeIn("Wayland Zug"));
        QVERIFY2(waitFor([&] { return QFileInfo(s.file("Saves/Wayland Zug.sav")).size() > 0; }), "no saved game");
        QVERIFY2(dialogOpen(false), "the save dialog stayed open");

        Child second;
        QVERIFY(second.start(s.file("zandor"), {}, s.gameEnv) && second.proc.waitForFinished(Timeout));
        QCOMPARE(second.proc.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.proc.exitCode(), 0);
        QVERIFY2(shows({15}), "the first game's board is gone");

        // A click on the empty field gives the main window the keys again and
        // moves nothing; then the pointer waits beside the output.
        QVERIFY(s.ok(s.at(field(15)) << "click" << "1" << "mousemove" << QString::number(s.output.right() + 100)
                                      << QString::number(s.output.top() + 10)));
        const QImage before = s.still();
        QVERIFY(!before.isNull());
        // The window's frame, from the board outwards to the background; the
        // close box at the right end of its title bar.
        auto edge = [&](QPoint p, QPoint step) {
            while (before.rect().contains(p + step) && (before.pixel(p + step) & 0xffffff) != (Background & 0xffffff))
                p += step;
            return p;
        };
        const int frameTop = edge(QPoint(board.center().x(), board.top()), QPoint(0, -1)).y();
        const QPoint closeBox(edge(QPoint(board.right(), board.top()), QPoint(1, 0)).x() - 16, frameTop + 15);
        QRect about;
        // The compositor puts the About window anywhere: it is opened again
        // until it leaves the close box free (what changed outside the title
        // bar, which greys, is the About window).
        for (int attempt = 0; attempt < 10; ++attempt) {
            QVERIFY(s.ok({"key", "F1"}));
            QImage now;
            QVERIFY2(waitFor([&] {
                         now = s.shot();
                         about = QRect();
                         for (int y = 0; y < now.height(); ++y)
                             for (int x = 0; x < now.width(); ++x)
                                 if ((y < frameTop || y > frameTop + 30) && now.pixel(x, y) != before.pixel(x, y))
                                     about |= QRect(x, y, 1, 1);
                         return about.width() > 100 && about.height() > 100;
                     }), "no About window");
            if (!about.adjusted(-12, -40, 12, 12).contains(closeBox))
                break;
            QVERIFY(s.ok({"key", "Escape"}));
            QVERIFY(waitFor([&] { return s.shot() == before; }));
            about = QRect();
        }
        QVERIFY2(about.isValid(), "the About window always covered the close box");
        QVERIFY2(takesOutput(), "the About window");
        // A click on a menu of the main window's menu bar opens nothing
        // while the About window is open.
        const int frameLeft = edge(QPoint(board.left(), board.center().y()), QPoint(-1, 0)).x();
        QPoint menu;
        for (int x : {28, 86, 141})   // "Datei", "Optionen", "Hilfe"
            if (menu.isNull() && !about.adjusted(-10, -10, 10, 10).contains(QPoint(frameLeft + x, frameTop + 38)))
                menu = QPoint(frameLeft + x, frameTop + 38);
        QVERIFY(!menu.isNull());
        const QImage open = s.shot();
        QVERIFY(s.ok(s.at(menu) << "sleep" << "0.2" << "click" << "1"));
        QTest::qWait(1000);   // what must not happen has had its time
        const QImage clicked = s.shot();
        // Where the menu would drop down, below the pointer.
        const QRect below = QRect(menu.x() - 30, frameTop + 62, 200, 160).intersected(clicked.rect());
        int changed = 0;
        for (int y = below.top(); y <= below.bottom(); ++y)
            for (int x = below.left(); x <= below.right(); ++x)
                changed += !about.contains(x, y) && clicked.pixel(x, y) != open.pixel(x, y);
        QVERIFY2(changed < 200, qPrintable(QString("%1 pixels changed below the menu bar: a menu opened").arg(changed)));
        // Pointed at first, then pressed: the title bar's buttons follow the pointer.
        QVERIFY(s.ok(s.at(closeBox - QPoint(3, 0)) << "sleep" << "0.3" << s.at(closeBox) << "sleep" << "0.3" << "click" << "1"));
        QVERIFY2(s.endedWell(), "the game did not end with success");

        // The game was kept; started again it is back as it was. Maximised
        // by the compositor (weston's Super+Shift+M) the board grows to the
        // window's height, and a drag there moves a tile (11 into the gap on
        // field 15); made fullscreen (Super+Shift+F) it grows again. A
        // SIGTERM ends the game the normal way, the game and the window's
        // state kept: the next start opens fullscreen, the board as large.
        const QString picture = s.out("cat", {s.file("Saves/Unterwegs.sav")}).section("\r\n", 19, 19);
        auto keptGame = [&](const char *numbers) { return QString(numbers).replace(' ', "\r\n") + picture + "\r\n"; };
        QCOMPARE(s.out("cat", {s.file("laufend.sav")}), keptGame("0 1 2 3 4 5 6 7 8 9 14 10 12 13 11 100 7 0 0 "));
        QVERIFY(s.game.start(s.file("zandor"), {}, s.gameEnv));
        QRect again;
        QVERIFY2(waitFor([&] {   // wherever the compositor puts it: the board with its gap on field 15
                     const QImage now = s.shot();
                     again = boardIn(now);
                     return again.width() == 4 * FieldPx && (now.pixel(fieldOf(again, 15)) & 0xffffff) != (TileColour & 0xffffff);
                 }), "the kept game did not come back");
        QRect grown;
        auto grows = [&](const char *binding, const QRect from) {
            return s.ok({"key", binding}) && waitFor([&] {
                       grown = boardIn(s.shot());
                       return grown.width() > from.width() && grown.height() == grown.width() && grown.bottom() > s.output.height() - 40;
                   });
        };
        QVERIFY2(grows("super+shift+m", again), "maximised: the board did not grow");
        QVERIFY(s.drag(s.output.topLeft() + fieldOf(grown, 14), s.output.topLeft() + fieldOf(grown, 15)));
        QVERIFY2(waitFor([&] { return s.keptCount() == "8"; }), "no move on the maximised board");
        QVERIFY2(grows("super+shift+f", grown) && s.game.running(), "fullscreen: the board did not grow");
        const QRect full = grown;
        QVERIFY2(waitFor([&] { return s.settings().contains("Maximiert=1\r\nVollbild=1\r\n"); }), qPrintable(s.settings()));
        QVERIFY(::kill(pid_t(s.game.proc.processId()), SIGTERM) == 0);
        QVERIFY2(s.endedWell(), "the game did not end with success on SIGTERM");
        const QString kept = keptGame("0 1 2 3 4 5 6 7 8 9 14 10 12 13 100 11 8 0 0 ");
        QCOMPARE(s.out("cat", {s.file("laufend.sav")}), kept);
        QVERIFY(s.game.start(s.file("zandor"), {}, s.gameEnv));
        QVERIFY2(waitFor([&] { return boardIn(s.shot()) == full; }), "not fullscreen again");
        QVERIFY(::kill(pid_t(s.game.proc.processId()), SIGTERM) == 0);
        QVERIFY2(s.endedWell(), "the game did not end with success on SIGTERM");
        QCOMPARE(s.out("cat", {s.file("laufend.sav")}), kept);
    }

    // A screen reader on the accessibility bus (the test runs inside
    // dbus-run-session; a script reads the bus as a screen reader does): the
    // board is a table of 4 x 4 cells named by field and tile, with their
    // rows and columns, and has the keyboard. A move by an arrow key reports
    // the new names of the move count and of the cells it changed, nothing
    // else; when the cell it filled is not the focused one already, the focus
    // goes there. The best value is reported when it is found.
    void screenReaderReadsTheBoard()
    {
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "no session bus: run inside dbus-run-session");
        Child bus, reader;   // ended after the game
        Session s;
        const QStringList tiles = QString("0 1 2 3 4 5 6 7 8 9 10 11 12 100 13 14").split(' ');   // two moves from home
        QCOMPARE(s.start([&] {
            s.write("laufend.sav", s.savedGame(tiles.join(' ') + " 5 0 0 "));   // the kept game
            s.env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
            // The reader listens before the game starts (Debian's pyatspi is the system Python's).
            reader.proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            if (bus.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"}, s.env)
                && reader.start("/usr/bin/python3", {ZANDOR_E2E_DIR "/atspi_board.py"}, s.env))
                reader.proc.waitForReadyRead(Timeout), reader.proc.readLine();
        }), QString());
        auto ask = [&](const QByteArray &command) {
            reader.proc.write(command + '\n');
            while (!reader.proc.canReadLine() && reader.proc.waitForReadyRead(Timeout)) {}
            return QJsonDocument::fromJson(reader.proc.readLine());
        };
        QJsonArray cells;
        for (int p = 0; p < 16; ++p)
            cells.append(QJsonArray{QString("Feld %1: ").arg(p + 1) + (tiles[p] == "100" ? "leer" : "Teil " + QString::number(tiles[p].toInt() + 1)),
                                    p / 4, p % 4});
        QJsonObject board;
        QVERIFY2(waitFor([&] { return (board = ask("board").object())["cells"] == cells; }), QJsonDocument(board).toJson().constData());
        QVERIFY(board["name"] == "Spielfeld" && board["rows"] == 4 && board["columns"] == 4 && board["focused"] == true && board["count"] == "5");

        // The events after a key, once they stand still, as "type role name" (a focus leaving a cell aside).
        QStringList events;
        auto collect = [&] {
            for (const QJsonValue e : ask("events").array())
                if (e[0] != "object:state-changed:focused" || e[3] == 1)
                    events << QString("%1 %2 %3").arg(e[0].toString(), e[1].toString(), e[2].toString()).remove("object:property-change:");
        };
        QVERIFY2(waitFor([&] { return collect(), events.contains("accessible-name label Bestwert: 2"); }), qPrintable(events.join('\n')));
        auto after = [&](const QString &key, int expected) {
            events.clear();
            return s.ok({"key", key}) && waitFor([&] { return collect(), events.size() >= expected; }) && (QThread::msleep(500), collect(), true);
        };
        QVERIFY(after("Left", 3));   // tile 14 from field 15 into the empty field 14, the focused cell
        QCOMPARE(events, QStringList({"accessible-name label 6", "accessible-name table cell Feld 14: Teil 14",
                                      "accessible-name table cell Feld 15: leer"}));
        QVERIFY(after("Down", 5));   // tile 11 from field 11 into the empty field 15: the focus follows
        QCOMPARE(events, QStringList({"accessible-name label 7", "accessible-name table cell Feld 11: leer", "accessible-name table cell Feld 15: Teil 11",
                                      "object:state-changed:focused table cell Feld 15: Teil 11", "focus: table cell Feld 15: Teil 11"}));
        QVERIFY(s.closeBox(s.main) && s.endedWell());
    }
};

QTEST_GUILESS_MAIN(E2E)
#include "test_e2e.moc"
