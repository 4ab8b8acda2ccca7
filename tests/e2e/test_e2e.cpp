// End-to-end tests: the real program, copied into a temporary program folder,
// in a real X server (Xvfb) with a window manager (openbox), driven by real
// input from xdotool. The results are read as a player sees them (the
// screen's pixels against a test picture with one colour per square) and as
// they land on disk (saved games, the top-ten file).
//
// Every test function starts its own X server, window manager and game, and
// ends them again by their process ids, also when a check fails; the children
// are also told to end should this driver die.
#include "base/Twips.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
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
#include <unistd.h>

#ifndef ZANDOR_PROGRAM_DIR
#error "ZANDOR_PROGRAM_DIR must name the built program folder"
#endif
#ifndef E2E_CACHE_DIR
#error "E2E_CACHE_DIR must name a folder for files the tests share"
#endif
#ifndef E2E_XHELPER
#error "E2E_XHELPER must name the screenshot helper"
#endif

namespace {

// --- timing ------------------------------------------------------------------

// Timeouts are generous for a loaded machine; every wait polls and returns as
// soon as its condition holds.
constexpr int StartTimeout = 20000;
constexpr int StepTimeout = 10000;
constexpr int PollInterval = 40;

bool waitFor(const std::function<bool()> &condition, int timeoutMs = StepTimeout)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (condition())
            return true;
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(PollInterval);
    }
}

// --- processes -----------------------------------------------------------------

// A child process that is ended by its process id when the owner goes, and
// that the kernel ends should this driver die first.
class Child
{
public:
    Child() : m_proc(new QProcess)
    {
        m_proc->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    ~Child() { stop(); }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    QProcess &process() { return *m_proc; }

    bool start(const QString &program, const QStringList &args, const QProcessEnvironment &env)
    {
        m_proc->setProcessEnvironment(env);
        m_proc->start(program, args);
        return m_proc->waitForStarted(StepTimeout);
    }
    // Without an event loop the state is brought up to date by a wait.
    bool running() const
    {
        return m_proc->state() != QProcess::NotRunning && !m_proc->waitForFinished(0);
    }
    qint64 pid() const { return m_proc->processId(); }

    // SIGTERM to the process id, SIGKILL if it does not go in time.
    void stop()
    {
        if (!running())
            return;
        const qint64 id = pid();
        if (id > 0)
            ::kill(pid_t(id), SIGTERM);
        if (!m_proc->waitForFinished(3000)) {
            if (id > 0)
                ::kill(pid_t(id), SIGKILL);
            m_proc->waitForFinished(3000);
        }
    }

private:
    std::unique_ptr<QProcess> m_proc;
};

struct RunResult
{
    int exitCode = -1;       // -1: did not finish in time or did not start
    QByteArray out;
};

// Runs a short tool to its end, bounded in time.
RunResult run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
              int timeoutMs = StepTimeout)
{
    RunResult r;
    Child c;
    c.process().setProcessChannelMode(QProcess::SeparateChannels);
    if (!c.start(program, args, env))
        return r;
    if (!c.process().waitForFinished(timeoutMs)) {
        c.stop();
        return r;
    }
    r.out = c.process().readAllStandardOutput();
    if (c.process().exitStatus() == QProcess::NormalExit)
        r.exitCode = c.process().exitCode();
    return r;
}

// --- the test picture -------------------------------------------------------------

// One colour per square of the 4 x 4 picture, far apart from each other, from
// white (a lit empty field), from black (the field borders) and from the grey
// of an empty field.
const QRgb SquareColors[16] = {
    qRgb(230, 25, 75),  qRgb(60, 180, 75),  qRgb(255, 225, 25), qRgb(0, 130, 200),
    qRgb(245, 130, 48), qRgb(145, 30, 180), qRgb(70, 240, 240), qRgb(240, 50, 230),
    qRgb(150, 200, 40), qRgb(250, 170, 190), qRgb(0, 128, 128), qRgb(190, 150, 255),
    qRgb(170, 110, 40), qRgb(128, 0, 0),    qRgb(0, 0, 128),    qRgb(128, 128, 0),
};

// Square k of the picture has colour colourOf(k).
QImage squaresPicture(int side, const std::function<int(int)> &colourOf = [](int k) { return k; })
{
    QImage img(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            img.setPixel(x, y, SquareColors[colourOf((y * 4 / side) * 4 + x * 4 / side)]);
    return img;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

constexpr int EmptyField = -1;   // the empty field: plain grey
constexpr int LitField = -3;     // white: the empty field lit as a drop target
constexpr int Unreadable = -2;

// What a pixel shows: the square whose colour it has, or one of the codes above.
int classify(QRgb c)
{
    for (int k = 0; k < 16; ++k)
        if (near(c, SquareColors[k], 30))
            return k;
    if (near(c, qRgb(255, 255, 255), 6))
        return LitField;
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (std::max({r, g, b}) - std::min({r, g, b}) <= 12 && r >= 150)
        return EmptyField;
    return Unreadable;
}

// What a small block of a screenshot shows, when all of it shows the same.
int classifyBlock(const QImage &img, QPoint centre, int radius = 3)
{
    if (!img.rect().contains(QRect(centre - QPoint(radius, radius), centre + QPoint(radius, radius))))
        return Unreadable;
    const int first = classify(img.pixel(centre));
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (classify(img.pixel(centre + QPoint(dx, dy))) != first)
                return Unreadable;
    return first;
}

QString describe(const QVector<int> &fields)
{
    QStringList s;
    for (int v : fields)
        s << (v == EmptyField ? QStringLiteral("_") : v == LitField ? QStringLiteral("W")
                                                  : v == Unreadable ? QStringLiteral("?")
                                                                    : QString::number(v));
    return s.join(QLatin1Char(' '));
}

// A dealt or played board as the player must see it: fields 0..15 show each
// of the tiles 0..14 once and one empty field.
bool isPlayableBoard(const QVector<int> &fields)
{
    if (fields.size() != 16 || fields.count(EmptyField) != 1)
        return false;
    QVector<int> tiles;
    for (int v : fields)
        if (v != EmptyField)
            tiles << v;
    std::sort(tiles.begin(), tiles.end());
    for (int k = 0; k < 15; ++k)
        if (tiles.value(k, -9) != k)
            return false;
    return true;
}

// --- files ------------------------------------------------------------------------

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The lines of a CR LF text file whose every line, the last included, ends
// in CR LF; empty when it is not such a file.
QList<QByteArray> crlfLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", pos);
        if (end < 0)
            return {};
        const QByteArray line = bytes.mid(pos, end - pos);
        if (line.contains('\r') || line.contains('\n'))
            return {};
        lines << line;
        pos = end + 2;
    }
    return lines;
}

// A saved game's 20 lines from a board (100 for the empty field).
QByteArray savedGame(const QVector<int> &fields, int moves, bool preview, bool position, const QString &picture)
{
    QByteArray out;
    for (int v : fields)
        out += QByteArray::number(v) + "\r\n";
    out += QByteArray::number(moves) + "\r\n";
    out += QByteArray(preview ? "1" : "0") + "\r\n";
    out += QByteArray(position ? "1" : "0") + "\r\n";
    out += picture.toLatin1() + "\r\n";
    return out;
}

// One 21-byte record of the top-ten file.
QByteArray scoreRecord(int score, const QByteArray &name)
{
    return QByteArray::number(score).leftJustified(6, ' ', true) + name.leftJustified(15, ' ', true);
}

QByteArray defaultRecords(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += scoreRecord(0, "Hanno Holzbein");
    return out;
}

bool copyTree(const QString &from, const QString &to, const QStringList &skip)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir src(from);
    const auto entries = src.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &e : entries) {
        if (skip.contains(e.fileName()))
            continue;
        const QString target = to + QLatin1Char('/') + e.fileName();
        if (e.isDir()) {
            if (!copyTree(e.filePath(), target, {}))
                return false;
        } else if (!QFile::copy(e.filePath(), target)) {
            return false;
        }
    }
    return true;
}

// --- the X session ----------------------------------------------------------------

// An X server of its own on a free display (Xvfb picks the number and tells
// it through -displayfd) and openbox for focus and activation.
class XSession
{
public:
    bool start(QString *error)
    {
        QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
        m_xvfb.process().setProcessChannelMode(QProcess::SeparateChannels);
        if (!m_xvfb.start(QStringLiteral("Xvfb"),
                          {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                           QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-noreset")},
                          base)) {
            *error = QStringLiteral("Xvfb does not start (is Debian's xvfb installed?)");
            return false;
        }
        // Xvfb writes the display number once it accepts connections.
        QByteArray number;
        const bool told = waitFor([&] {
            m_xvfb.process().waitForReadyRead(PollInterval);
            number += m_xvfb.process().readAllStandardOutput();
            return number.contains('\n') || !m_xvfb.running();
        }, StartTimeout);
        bool ok = false;
        const int n = number.trimmed().toInt(&ok);
        if (!told || !ok) {
            *error = QStringLiteral("Xvfb gave no display number: ") + QString::fromLocal8Bit(
                         m_xvfb.process().readAllStandardError());
            return false;
        }
        m_display = QStringLiteral(":%1").arg(n);

        m_env = base;
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_config.path());
        for (const char *v : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                              "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "WAYLAND_DISPLAY",
                              "SESSION_MANAGER"})
            m_env.remove(QString::fromLatin1(v));

        if (!m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}, m_env)) {
            *error = QStringLiteral("openbox does not start (is Debian's openbox installed?)");
            return false;
        }
        // The window manager is ready once it announces itself on the root window.
        const bool wmReady = waitFor([&] {
            const RunResult r = run(QStringLiteral("xprop"),
                                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, m_env);
            return r.exitCode == 0 && r.out.contains("window id");
        }, StartTimeout);
        if (!wmReady) {
            *error = QStringLiteral("openbox did not take over the display");
            return false;
        }
        return true;
    }

    ~XSession()
    {
        m_wm.stop();
        m_xvfb.stop();
    }

    const QProcessEnvironment &env() const { return m_env; }

    RunResult xdotool(const QStringList &args, int timeoutMs = StepTimeout) const
    {
        return run(QStringLiteral("xdotool"), args, m_env, timeoutMs);
    }

    // The visible windows whose title matches the pattern exactly.
    QStringList windows(const QString &title) const
    {
        const RunResult r = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"),
                                     QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')});
        QStringList ids;
        for (const QByteArray &line : r.out.split('\n'))
            if (!line.trimmed().isEmpty())
                ids << QString::fromLatin1(line.trimmed());
        return ids;
    }

    // Waits for exactly one visible window of that title; its id, or empty.
    QString waitForWindow(const QString &title, int timeoutMs = StepTimeout) const
    {
        QString id;
        waitFor([&] {
            const QStringList ids = windows(title);
            if (ids.size() == 1)
                id = ids.first();
            return !id.isEmpty();
        }, timeoutMs);
        return id;
    }

    bool waitForNoWindow(const QString &title, int timeoutMs = StepTimeout) const
    {
        return waitFor([&] { return windows(title).isEmpty(); }, timeoutMs);
    }

    QString activeWindow() const
    {
        return QString::fromLatin1(xdotool({QStringLiteral("getactivewindow")}).out.trimmed());
    }

    bool waitForActive(const QString &id, int timeoutMs = StepTimeout) const
    {
        return waitFor([&] { return activeWindow() == id; }, timeoutMs);
    }

    // Asks the window manager to activate the window and waits until it is.
    bool activate(const QString &id) const
    {
        if (activeWindow() == id)
            return true;
        xdotool({QStringLiteral("windowactivate"), id});
        return waitForActive(id);
    }

    // Screen position and size of a window's own area (without the frame).
    QRect geometry(const QString &id) const
    {
        const RunResult r = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, m_env);
        auto value = [&](const char *key) {
            const QRegularExpression re(QLatin1String(key) + QStringLiteral(":\\s*(-?\\d+)"));
            const auto m = re.match(QString::fromLatin1(r.out));
            return m.hasMatch() ? m.captured(1).toInt() : -100000;
        };
        return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                     value("Height"));
    }

    // The screen as the X server shows it, that rectangle of it.
    QImage grab(const QRect &r) const
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shot.png"));
        const RunResult res = run(QStringLiteral(E2E_XHELPER),
                                  {QStringLiteral("grab"), file, QString::number(r.x()), QString::number(r.y()),
                                   QString::number(r.width()), QString::number(r.height())},
                                  m_env);
        if (res.exitCode != 0)
            return QImage();
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    bool key(const QString &keys) const
    {
        return xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), keys}).exitCode == 0;
    }

    bool type(const QString &text) const
    {
        return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}).exitCode == 0;
    }

private:
    QTemporaryDir m_config;
    Child m_xvfb;
    Child m_wm;
    QString m_display;
    QProcessEnvironment m_env;
};

// --- the game ---------------------------------------------------------------------

// The optimal solver's tables, built on first use and kept in the program
// folder, and where the tests keep a copy of them between games.
const QString SolverTables = QStringLiteral("solver.pdb");
QString cachedTables()
{
    return QStringLiteral(E2E_CACHE_DIR "/solver.pdb");
}

constexpr int FieldPx = Twips::px(Twips::Main::FieldSize);
constexpr int BoardPx = Twips::px(Twips::Main::BoardSize);
const QString MainTitle = QStringLiteral("    Zandor");

// One copy of the program folder with the test picture, and the game started
// from it.
class Game
{
public:
    explicit Game(const XSession &x) : m_x(x) {}
    ~Game()
    {
        // A failed test leaves the screen as it was at the end, for a look.
        if (QTest::currentTestFailed()) {
            const QImage screen = m_x.grab(QRect(0, 0, 1280, 1024));
            const QString file = QDir::current().filePath(QStringLiteral("e2e-failed-%1.png")
                                                             .arg(QString::fromLatin1(QTest::currentTestFunction())));
            if (!screen.isNull() && screen.save(file))
                qWarning("screen at the end: %s", qPrintable(file));
        }
        m_proc.stop();
    }

    // Lays out the program folder: the built one without any player's files,
    // the test picture outside it and p.cxa naming that picture.
    bool prepare(QString *error)
    {
        if (!m_tmp.isValid()) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        m_folder = m_tmp.filePath(QStringLiteral("Zandor"));
        if (!copyTree(QStringLiteral(ZANDOR_PROGRAM_DIR), m_folder,
                      {QStringLiteral("p.cxa"), QStringLiteral("scr.cxa"), QStringLiteral("Saves")})) {
            *error = QStringLiteral("cannot copy the program folder ") + QStringLiteral(ZANDOR_PROGRAM_DIR);
            return false;
        }
        if (!QFileInfo(exe()).isExecutable()) {
            *error = QStringLiteral("no executable zandor in the program folder");
            return false;
        }
        QDir().mkpath(m_tmp.filePath(QStringLiteral("Bilder")));
        m_picture = m_tmp.filePath(QStringLiteral("Bilder/Quadrate.bmp"));
        if (!squaresPicture(BoardPx).save(m_picture, "BMP")) {
            *error = QStringLiteral("cannot write the test picture");
            return false;
        }
        if (!writeAll(file(QStringLiteral("p.cxa")), m_picture.toLatin1() + "\r\n")) {
            *error = QStringLiteral("cannot write p.cxa");
            return false;
        }
        // The solver's tables, when the program folder has none, from the
        // copy the first test made: without them every game would spend its
        // first seconds building them in the background.
        if (!QFileInfo::exists(file(SolverTables)) && QFileInfo::exists(cachedTables()))
            QFile::copy(cachedTables(), file(SolverTables));
        return true;
    }

    QString exe() const { return m_folder + QStringLiteral("/zandor"); }
    QString file(const QString &rel) const { return m_folder + QLatin1Char('/') + rel; }
    const QString &picture() const { return m_picture; }
    Child &process() { return m_proc; }
    const QString &window() const { return m_window; }
    QPoint boardOrigin() const { return m_board; }

    // Starts the game and waits until its window shows a dealt board.
    bool start(QString *error)
    {
        if (!m_proc.start(exe(), {}, m_x.env())) {
            *error = QStringLiteral("zandor does not start");
            return false;
        }
        m_window = m_x.waitForWindow(MainTitle, StartTimeout);
        if (m_window.isEmpty()) {
            *error = QStringLiteral("no window titled \"    Zandor\" appeared");
            return false;
        }
        if (!findBoard()) {
            *error = QStringLiteral("the board's field borders were not found in the window");
            return false;
        }
        QVector<int> seen;
        if (!waitFor([&] { seen = fields(); return isPlayableBoard(seen); }, StartTimeout)) {
            *error = QStringLiteral("the board never showed a dealt game: ") + describe(seen);
            return false;
        }
        return true;
    }

    // The board lies 240 twips from the left and top of the window's content,
    // below the menu bar, whose height is the style's business: it is found
    // from the top border line of field 3, where the menu bar has no text.
    bool findBoard()
    {
        return waitFor([&] {
            const QRect g = m_x.geometry(m_window);
            if (g.width() <= 0 || g.height() <= 0)
                return false;
            const QImage img = m_x.grab(g);
            if (img.isNull())
                return false;
            const int left = Twips::px(Twips::Main::BoardLeft);
            const int x = left + 3 * FieldPx + FieldPx / 2;
            for (int y = 0; y + BoardPx <= img.height(); ++y) {
                if (!near(img.pixel(x, y), qRgb(0, 0, 0), 8))
                    continue;
                // The top border of field 3; the left border of field 0 must
                // stand where the layout puts it, at the same height.
                if (!near(img.pixel(left, y + FieldPx / 2), qRgb(0, 0, 0), 8)
                    || near(img.pixel(left - 1, y + FieldPx / 2), qRgb(0, 0, 0), 8))
                    return false;
                m_board = g.topLeft() + QPoint(left, y);
                return true;
            }
            return false;
        }, StartTimeout);
    }

    QPoint fieldCentre(int p) const
    {
        return m_board + QPoint((p % 4) * FieldPx + FieldPx / 2, (p / 4) * FieldPx + FieldPx / 2);
    }

    // The board and the area right of it (panels and preview) as a screenshot,
    // with the board's origin at (0, 0).
    QImage shot() const
    {
        return m_x.grab(QRect(m_board, QSize(BoardPx + Twips::px(Twips::Main::PanelGap + Twips::Main::PanelWidth) + 10,
                                             BoardPx + 4)));
    }

    // What each of the sixteen fields shows at its centre.
    QVector<int> fields(const QImage &img) const
    {
        QVector<int> out;
        for (int p = 0; p < 16; ++p)
            out << classifyBlock(img, QPoint((p % 4) * FieldPx + FieldPx / 2, (p / 4) * FieldPx + FieldPx / 2));
        return out;
    }
    QVector<int> fields() const { return fields(shot()); }

    // Waits until the board shows exactly that; the last board seen is left in *seen.
    bool waitForFields(const QVector<int> &expected, QVector<int> *seen, int timeoutMs = StepTimeout) const
    {
        return waitFor([&] { *seen = fields(); return *seen == expected; }, timeoutMs);
    }

    // A drag with the left button from one field to another: press at an
    // offset inside the source field, move in steps, release at an offset in
    // the target field.
    bool drag(int from, int to, QPoint pressOffset = QPoint(0, 0), QPoint releaseOffset = QPoint(0, 0)) const
    {
        const QPoint a = fieldCentre(from) + pressOffset;
        const QPoint b = fieldCentre(to) + releaseOffset;
        const QPoint mid = (a + b) / 2;
        return m_x.xdotool({QStringLiteral("mousemove"), QString::number(a.x()), QString::number(a.y()),
                            QStringLiteral("sleep"), QStringLiteral("0.05"),
                            QStringLiteral("mousedown"), QStringLiteral("1"),
                            QStringLiteral("sleep"), QStringLiteral("0.05"),
                            QStringLiteral("mousemove"), QString::number(mid.x()), QString::number(mid.y()),
                            QStringLiteral("sleep"), QStringLiteral("0.05"),
                            QStringLiteral("mousemove"), QString::number(b.x()), QString::number(b.y()),
                            QStringLiteral("sleep"), QStringLiteral("0.05"),
                            QStringLiteral("mouseup"), QStringLiteral("1")})
                   .exitCode == 0;
    }

    bool pressButtonAndMove(int from, QPoint pressOffset, int to, QPoint moveOffset) const
    {
        const QPoint a = fieldCentre(from) + pressOffset;
        const QPoint b = fieldCentre(to) + moveOffset;
        return m_x.xdotool({QStringLiteral("mousemove"), QString::number(a.x()), QString::number(a.y()),
                            QStringLiteral("sleep"), QStringLiteral("0.05"),
                            QStringLiteral("mousedown"), QStringLiteral("1"),
                            QStringLiteral("sleep"), QStringLiteral("0.05"),
                            QStringLiteral("mousemove"), QString::number(b.x()), QString::number(b.y())})
                   .exitCode == 0;
    }

    bool releaseButton() const
    {
        return m_x.xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}).exitCode == 0;
    }

    // A function key (or any key) pressed while the main window is active.
    bool mainKey(const QString &key) const { return m_x.activate(m_window) && m_x.key(key); }

    // Waits for a secondary window of that title, active, and types into it.
    QString waitForActiveWindow(const QString &title) const
    {
        const QString id = m_x.waitForWindow(title);
        if (id.isEmpty() || !m_x.waitForActive(id))
            return QString();
        return id;
    }

    // Saves the game through the save dialog under a typed name and returns
    // the bytes written, or empty.
    QByteArray saveAs(const QString &name, const QString &expectedFile, QString *error) const
    {
        const QString path = file(QStringLiteral("Saves/") + expectedFile);
        QFile::remove(path);
        if (!mainKey(QStringLiteral("F5"))) {
            *error = QStringLiteral("F5 could not be pressed on the main window");
            return {};
        }
        const QString dialog = waitForActiveWindow(QStringLiteral("  Speichern"));
        if (dialog.isEmpty()) {
            *error = QStringLiteral("the window \"  Speichern\" did not open and become active");
            return {};
        }
        m_x.type(name);
        m_x.key(QStringLiteral("Return"));
        if (!waitFor([&] { return QFileInfo(path).isFile(); })) {
            *error = QStringLiteral("no file ") + path;
            return {};
        }
        if (!m_x.waitForNoWindow(QStringLiteral("  Speichern"))) {
            *error = QStringLiteral("the save dialog stayed open");
            return {};
        }
        return readAll(path);
    }

    // Loads a saved game through the load dialog by its typed name.
    bool loadByName(const QString &name, QString *error) const
    {
        if (!mainKey(QStringLiteral("F6"))) {
            *error = QStringLiteral("F6 could not be pressed on the main window");
            return false;
        }
        if (waitForActiveWindow(QStringLiteral("  Laden")).isEmpty()) {
            *error = QStringLiteral("the window \"  Laden\" did not open and become active");
            return false;
        }
        m_x.type(name);
        m_x.key(QStringLiteral("Return"));
        if (!m_x.waitForNoWindow(QStringLiteral("  Laden"))) {
            *error = QStringLiteral("the load dialog stayed open");
            return false;
        }
        return true;
    }

private:
    const XSession &m_x;
    QTemporaryDir m_tmp;
    QString m_folder;
    QString m_picture;
    Child m_proc;
    QString m_window;
    QPoint m_board;
};

// The saved layout (tile per field, 100 for the empty field) of what the board shows.
QVector<int> asSaved(const QVector<int> &fields)
{
    QVector<int> out;
    for (int v : fields)
        out << (v == EmptyField ? 100 : v);
    return out;
}

QVector<int> swapped(QVector<int> fields, int a, int b)
{
    std::swap(fields[a], fields[b]);
    return fields;
}

QVector<int> solvedBoard()
{
    QVector<int> b;
    for (int p = 0; p < 15; ++p)
        b << p;
    b << EmptyField;
    return b;
}

// Asks the window manager to close a window, as its close box does.
bool closeByWindowManager(const XSession &x, const QString &id)
{
    return !id.isEmpty()
           && run(QStringLiteral(E2E_XHELPER), {QStringLiteral("close"), id}, x.env()).exitCode == 0;
}

// Every file below a folder with its size and modification time (but the
// solver's tables, a cache the game may write whenever it likes).
QStringList listing(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        if (fi.fileName() == SolverTables)
            continue;
        out << QStringLiteral("%1 %2 %3").arg(fi.filePath()).arg(fi.size())
                   .arg(fi.lastModified().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}

// Where the preview stands, from the board's top-left corner: below the
// position frame (shown or not), which stands below the move counter frame
// right of the board.
QPoint previewOrigin()
{
    using namespace Twips::Main;
    const int frame4Top = Twips::px(BoardTop) + Twips::px(PanelHeight);
    return QPoint(Twips::px(BoardLeft + BoardSize + PanelGap) - Twips::px(BoardLeft),
                  Twips::px(Twips::fromPx(frame4Top + Twips::px(PanelHeight)) + PreviewGap) - Twips::px(BoardTop));
}

} // namespace

// Sets up the X session and one game, or fails the test with the reason.
#define START_GAME(game)                                                                                   \
    XSession x_;                                                                                           \
    {                                                                                                      \
        QString error_;                                                                                    \
        if (!x_.start(&error_))                                                                            \
            QFAIL(qPrintable(error_));                                                                     \
    }                                                                                                      \
    Game game(x_);                                                                                         \
    {                                                                                                      \
        QString error_;                                                                                    \
        if (!game.prepare(&error_) || !game.start(&error_))                                                \
            QFAIL(qPrintable(error_));                                                                     \
    }

#define CHECK_OK(call)                                                                                     \
    do {                                                                                                   \
        QString error_;                                                                                    \
        if (!(call))                                                                                       \
            QFAIL(qPrintable(error_));                                                                     \
    } while (0)

class E2E : public QObject
{
    Q_OBJECT

private slots:
    void solverTables();
    void startUpShowsDealtBoard();
    void dragMovesOnlyAdjacentTiles();
    void newGameDealsAgain();
    void saveUnderTypedNameAndLoadBack();
    void winNearlySolvedGameAndEnterName();
    void previewToggle();
    void secondStartActivatesFirst_data();
    void secondStartActivatesFirst();
    void closingMainWindowClosesSecondary_data();
    void closingMainWindowClosesSecondary();
    void restartRightAfterClosing();
    void changePicture();
};

// Runs first: one game builds the solver's tables in its program folder, and
// the other tests start with a copy of them (unless the built program folder
// has them already, or the copy is newer than the program).
void E2E::solverTables()
{
    const QFileInfo exe(QStringLiteral(ZANDOR_PROGRAM_DIR "/zandor"));
    const QFileInfo cached(cachedTables());
    if (QFileInfo::exists(QStringLiteral(ZANDOR_PROGRAM_DIR "/") + SolverTables)
        || (cached.exists() && cached.lastModified() > exe.lastModified()))
        return;
    START_GAME(game);
    const QString tables = game.file(SolverTables);
    if (!waitFor([&] { return QFileInfo(tables).size() > 0; }, 150000))
        QSKIP("the game wrote no solver tables in 150 s; every game builds its own");
    game.process().stop();
    QDir().mkpath(QStringLiteral(E2E_CACHE_DIR));
    const QString part = cachedTables() + QStringLiteral(".part");
    QFile::remove(part);
    QVERIFY(QFile::copy(tables, part));
    QFile::remove(cachedTables());
    QVERIFY(QFile::rename(part, cachedTables()));
}

void E2E::startUpShowsDealtBoard()
{
    START_GAME(game);
    const QString id = game.window();
    QCOMPARE(QString::fromUtf8(x_.xdotool({QStringLiteral("getwindowname"), id}).out).chopped(1), MainTitle);

    // Every field shows one square of the test picture at its centre, each of
    // tiles 0..14 once, and the empty field is the bottom-right one.
    const QImage img = game.shot();
    const QVector<int> seen = game.fields(img);
    QVERIFY2(isPlayableBoard(seen), qPrintable(describe(seen)));
    QCOMPARE(seen[15], EmptyField);

    // Each field is filled by its tile: the square's colour stands near the
    // field's border on all four sides (the outermost pixels may show a strip
    // of the neighbouring square, as the bordered fields are cut).
    for (int p = 0; p < 15; ++p) {
        const QPoint c((p % 4) * FieldPx + FieldPx / 2, (p / 4) * FieldPx + FieldPx / 2);
        const int m = FieldPx / 2 - 12;
        for (const QPoint d : {QPoint(-m, -m), QPoint(m, -m), QPoint(-m, m), QPoint(m, m)})
            QVERIFY2(classify(img.pixel(c + d)) == seen[p],
                     qPrintable(QStringLiteral("field %1 at offset %2,%3").arg(p).arg(d.x()).arg(d.y())));
    }

    // The board is 4 x 4 fields of 104 pixels with black single-line borders.
    for (int k = 0; k <= 4; ++k) {
        const int edge = k == 4 ? BoardPx - 1 : k * FieldPx;
        QVERIFY2(near(img.pixel(edge, FieldPx / 2), qRgb(0, 0, 0), 8), qPrintable(QString::number(edge)));
        QVERIFY2(near(img.pixel(FieldPx / 2, edge), qRgb(0, 0, 0), 8), qPrintable(QString::number(edge)));
    }

    // Start-up writes nothing: p.cxa is as it was, and no top-ten file appears.
    QCOMPARE(readAll(game.file(QStringLiteral("p.cxa"))), game.picture().toLatin1() + "\r\n");
    QVERIFY(!QFileInfo::exists(game.file(QStringLiteral("scr.cxa"))));
}

void E2E::dragMovesOnlyAdjacentTiles()
{
    START_GAME(game);
    QVector<int> board = game.fields();
    QVector<int> seen;

    // The tile on field 14 dragged onto the empty field 15 moves there.
    QVERIFY(game.drag(14, 15));
    board = swapped(board, 14, 15);
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));

    // While the tile on field 10 (next to the empty field 14) is held over the
    // empty field, the field is lit white; the drag outline follows the
    // pointer, so the tile is grabbed near its top-left corner and held near
    // the bottom-right corner of the empty field, keeping the field's centre clear.
    QVERIFY(game.pressButtonAndMove(10, QPoint(-40, -40), 14, QPoint(40, 40)));
    QVERIFY2(waitFor([&] { return game.fields()[14] == LitField; }), qPrintable(describe(game.fields())));
    QVERIFY(game.releaseButton());
    board = swapped(board, 10, 14);
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));
    QVERIFY2(waitFor([&] { return game.fields()[14] != LitField; }), "field 14 stayed white after the drop");

    // Now field 10 is empty. The tile on field 3 is not next to it: held over
    // it the field stays grey, and the drop counts a move but moves nothing.
    QVERIFY(game.pressButtonAndMove(3, QPoint(-40, -40), 10, QPoint(40, 40)));
    QTest::qWait(300);
    QCOMPARE(game.fields()[10], EmptyField);
    QVERIFY(game.releaseButton());

    // A tile dropped onto another tile, and the empty field dragged onto a
    // tile, change nothing and are not counted.
    QVERIFY(game.drag(0, 1));
    QVERIFY(game.drag(10, 11));

    // The tile on field 3 dropped on field 4, the next field in reading order
    // but not a neighbour (no wrap-around), lands on a tile: nothing.
    QVERIFY(game.drag(3, 4));

    // The save written after these drags holds the layout on the screen and
    // three counted moves: two that moved and the drop from field 3.
    QString error;
    const QByteArray saved = game.saveAs(QStringLiteral("Zuege"), QStringLiteral("Zuege.sav"), &error);
    QVERIFY2(!saved.isEmpty(), qPrintable(error));
    seen = game.fields();
    QCOMPARE(seen, board);
    QCOMPARE(saved, savedGame(asSaved(board), 3, false, false, game.picture()));
}

void E2E::newGameDealsAgain()
{
    START_GAME(game);
    QVector<int> board = game.fields();
    QVector<int> seen;
    QVERIFY(game.drag(11, 15));
    board = swapped(board, 11, 15);
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));

    // "Neu" deals again: the empty field is back at the bottom right, the
    // other fields hold tiles 0..14 once each.
    QVERIFY(game.mainKey(QStringLiteral("F2")));
    QVERIFY2(waitFor([&] { seen = game.fields(); return isPlayableBoard(seen) && seen[15] == EmptyField; }),
             qPrintable(describe(seen)));

    // The counter starts at 0 again; right after a deal the empty field
    // still carries the tag "15", which a save writes as the field's value.
    QString error;
    const QByteArray saved = game.saveAs(QStringLiteral("Neu"), QStringLiteral("Neu.sav"), &error);
    QVERIFY2(!saved.isEmpty(), qPrintable(error));
    QVector<int> expected = asSaved(seen);
    expected[15] = 15;
    QCOMPARE(saved, savedGame(expected, 0, false, false, game.picture()));

    // The new deal plays: a move from field 14 counts from 0.
    QVERIFY(game.drag(14, 15));
    board = swapped(seen, 14, 15);
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));
    const QByteArray again = game.saveAs(QStringLiteral("Neu"), QStringLiteral("Neu.sav"), &error);
    QCOMPARE(again, savedGame(asSaved(board), 1, false, false, game.picture()));
}

void E2E::saveUnderTypedNameAndLoadBack()
{
    START_GAME(game);
    QVector<int> board = game.fields();
    QVector<int> seen;
    QVERIFY(game.drag(14, 15));
    board = swapped(board, 14, 15);
    QVERIFY(game.drag(13, 14));
    board = swapped(board, 13, 14);
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));

    // Saved under a typed name with a blank: ".sav" is appended, 20 lines.
    QString error;
    const QByteArray saved = game.saveAs(QStringLiteral("Meine Partie"), QStringLiteral("Meine Partie.sav"), &error);
    QVERIFY2(!saved.isEmpty(), qPrintable(error));
    QCOMPARE(crlfLines(saved).size(), 20);
    QCOMPARE(saved, savedGame(asSaved(board), 2, false, false, game.picture()));

    // A new deal changes the board (its empty field is back at 15) ...
    QVERIFY(game.mainKey(QStringLiteral("F2")));
    QVERIFY2(waitFor([&] { seen = game.fields(); return isPlayableBoard(seen) && seen[15] == EmptyField; }),
             qPrintable(describe(seen)));

    // ... and loading the saved game by its typed name brings it back.
    QVERIFY2(game.loadByName(QStringLiteral("Meine Partie.sav"), &error), qPrintable(error));
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));
    QVERIFY2(x_.waitForActive(game.window()), "the main window is not active after the load");

    // The loaded game goes on with its counter and layout: one more move and
    // a save under another name hold 3 moves.
    QVERIFY(game.drag(12, 13));
    board = swapped(board, 12, 13);
    QVERIFY2(game.waitForFields(board, &seen), qPrintable(describe(seen)));
    const QByteArray after = game.saveAs(QStringLiteral("weiter"), QStringLiteral("weiter.sav"), &error);
    QCOMPARE(after, savedGame(asSaved(board), 3, false, false, game.picture()));
    // The first file is untouched.
    QCOMPARE(readAll(game.file(QStringLiteral("Saves/Meine Partie.sav"))), saved);
}

void E2E::winNearlySolvedGameAndEnterName()
{
    XSession x_;
    {
        QString error;
        if (!x_.start(&error))
            QFAIL(qPrintable(error));
    }
    Game game(x_);
    {
        QString error;
        QVERIFY2(game.prepare(&error), qPrintable(error));
        // One move from the goal: tile 14 on field 15, the empty field 14, 41
        // moves so far; and a list with 30 and 50 moves in it.
        QVector<int> layout = asSaved(solvedBoard());
        std::swap(layout[14], layout[15]);
        QDir().mkpath(game.file(QStringLiteral("Saves")));
        QVERIFY(writeAll(game.file(QStringLiteral("Saves/Fast fertig.sav")),
                         savedGame(layout, 41, false, false, game.picture())));
        QVERIFY(writeAll(game.file(QStringLiteral("scr.cxa")),
                         scoreRecord(30, "Anna") + scoreRecord(50, "Bert") + defaultRecords(8)));
        QVERIFY2(game.start(&error), qPrintable(error));
        QVERIFY2(game.loadByName(QStringLiteral("Fast fertig.sav"), &error), qPrintable(error));
    }
    QVector<int> seen;
    const QVector<int> nearly = swapped(solvedBoard(), 14, 15);
    QVERIFY2(game.waitForFields(nearly, &seen), qPrintable(describe(seen)));

    // The winning move.
    QVERIFY(game.drag(15, 14));

    // The name box asks for the winner's name.
    const QString box = game.waitForActiveWindow(QStringLiteral("High Scores"));
    QVERIFY2(!box.isEmpty(), "no active window \"High Scores\" after the winning move");

    QVERIFY(x_.type(QStringLiteral("Erika E2E")));
    QVERIFY(x_.key(QStringLiteral("Return")));

    // The list opens and the result stands between 30 and 50 in the file.
    QVERIFY2(!x_.waitForWindow(QStringLiteral("    Top Ten")).isEmpty(), "the top-ten window did not open");
    const QByteArray expected =
        scoreRecord(30, "Anna") + scoreRecord(42, "Erika E2E") + scoreRecord(50, "Bert") + defaultRecords(7);
    QByteArray onDisk;
    QVERIFY2(waitFor([&] { onDisk = readAll(game.file(QStringLiteral("scr.cxa"))); return onDisk == expected; }),
             onDisk.constData());
    QCOMPARE(onDisk.size(), 210);

    const QString list = x_.waitForWindow(QStringLiteral("    Top Ten"));
    QVERIFY(closeByWindowManager(x_, list));
    QVERIFY(x_.waitForNoWindow(QStringLiteral("    Top Ten")));

    // With the name box and the list gone the whole board can be seen: the
    // whole picture without seams, every tile home, the black field borders
    // gone (the picture runs up to the fields' edges).
    QImage img;
    QVERIFY2(waitFor([&] { img = game.shot(); return game.fields(img) == solvedBoard(); }),
             qPrintable(describe(game.fields(img))));
    for (int p = 0; p < 15; ++p) {
        const int fx = (p % 4) * FieldPx, fy = (p / 4) * FieldPx;
        for (const QPoint edge : {QPoint(fx, fy + FieldPx / 2), QPoint(fx + FieldPx / 2, fy),
                                  QPoint(fx + FieldPx - 1, fy + FieldPx / 2), QPoint(fx + FieldPx / 2, fy + FieldPx - 1)})
            QVERIFY2(classify(img.pixel(edge)) >= 0,
                     qPrintable(QStringLiteral("field %1 still has a border at %2,%3").arg(p).arg(edge.x()).arg(edge.y())));
    }

    // The finished board is frozen: a drag of the tile next to the empty
    // field changes nothing and counts nothing; a save holds the winning count.
    QVERIFY(game.drag(14, 15));
    QString error;
    const QByteArray saved = game.saveAs(QStringLiteral("Gewonnen"), QStringLiteral("Gewonnen.sav"), &error);
    QVERIFY2(!saved.isEmpty(), qPrintable(error));
    // (The empty field may stay lit: the drag lights it, and a drop on a
    // finished board does nothing at all, not even put its colour back.)
    QVector<int> after = game.fields();
    if (after[15] == LitField)
        after[15] = EmptyField;
    QCOMPARE(after, solvedBoard());
    QVector<int> layout = asSaved(solvedBoard());
    layout[15] = 100;
    QCOMPARE(saved, savedGame(layout, 42, false, false, game.picture()));
}

void E2E::previewToggle()
{
    START_GAME(game);
    // The preview stands below the position frame, right of the board:
    // 3000 x 3000 twips, showing the whole picture (all sixteen squares).
    const QPoint origin = previewOrigin();
    const int cell = Twips::px(Twips::Main::PreviewSize) / 4;
    auto preview = [&](const QImage &img) {
        QVector<int> out;
        for (int k = 0; k < 16; ++k)
            out << classifyBlock(img, origin + QPoint((k % 4) * cell + cell / 2, (k / 4) * cell + cell / 2), 2);
        return out;
    };
    QVector<int> whole;
    for (int k = 0; k < 16; ++k)
        whole << k;
    auto showsPicture = [&] { return preview(game.shot()) == whole; };
    auto showsNothing = [&] {
        const QVector<int> p = preview(game.shot());
        return std::none_of(p.begin(), p.end(), [](int v) { return v >= 0; });
    };

    QVERIFY2(showsNothing(), qPrintable(describe(preview(game.shot()))));
    QVERIFY(game.mainKey(QStringLiteral("F7")));
    QVERIFY2(waitFor(showsPicture), qPrintable(describe(preview(game.shot()))));
    QVERIFY(game.mainKey(QStringLiteral("F7")));
    QVERIFY2(waitFor(showsNothing), qPrintable(describe(preview(game.shot()))));

    // The switch goes into a saved game, and a load restores it after "Neu"
    // has switched the preview off.
    QVERIFY(game.mainKey(QStringLiteral("F7")));
    QVERIFY2(waitFor(showsPicture), qPrintable(describe(preview(game.shot()))));
    QString error;
    const QByteArray saved = game.saveAs(QStringLiteral("Vorschau"), QStringLiteral("Vorschau.sav"), &error);
    QVERIFY2(!saved.isEmpty(), qPrintable(error));
    QCOMPARE(crlfLines(saved).value(17), QByteArray("1"));
    QCOMPARE(crlfLines(saved).value(18), QByteArray("0"));
    QVERIFY(game.mainKey(QStringLiteral("F2")));
    QVERIFY2(waitFor(showsNothing), qPrintable(describe(preview(game.shot()))));
    QVERIFY2(game.loadByName(QStringLiteral("Vorschau.sav"), &error), qPrintable(error));
    QVERIFY2(waitFor(showsPicture), qPrintable(describe(preview(game.shot()))));
}

void E2E::secondStartActivatesFirst_data()
{
    QTest::addColumn<bool>("minimise");
    QTest::newRow("another window in front") << false;
    QTest::newRow("first window minimised") << true;
}

void E2E::secondStartActivatesFirst()
{
    QFETCH(bool, minimise);
    START_GAME(game);

    // Another program's window takes the focus.
    Child other;
    QVERIFY(other.start(QStringLiteral(E2E_XHELPER), {QStringLiteral("window"), QStringLiteral("e2e Fremdfenster")},
                        x_.env()));
    const QString otherId = x_.waitForWindow(QStringLiteral("e2e Fremdfenster"));
    QVERIFY(!otherId.isEmpty());
    QVERIFY(x_.activate(otherId));
    if (minimise) {
        QVERIFY(x_.xdotool({QStringLiteral("windowminimize"), game.window()}).exitCode == 0);
        QVERIFY(x_.waitForNoWindow(MainTitle));
    }

    // A second start from the same program folder ends at once, with no
    // window of its own ...
    QElapsedTimer t;
    t.start();
    const RunResult second = run(game.exe(), {}, x_.env(), StartTimeout);
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(game.process().running());

    // ... and the first game's window is shown and active, still the only one.
    QVERIFY2(x_.waitForActive(game.window()),
             qPrintable(QStringLiteral("active: ") + x_.activeWindow() + QStringLiteral(", game: ") + game.window()));
    QCOMPARE(x_.windows(MainTitle), QStringList{game.window()});
    // The board is drawn again once the window is back on the screen.
    QVector<int> seen;
    QVERIFY2(waitFor([&] { seen = game.fields(); return isPlayableBoard(seen); }), qPrintable(describe(seen)));
}

void E2E::closingMainWindowClosesSecondary_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    // Without a secondary window the close box ends the game as well.
    QTest::newRow("kein Nebenfenster") << QString() << QString();
    QTest::newRow("Top Ten") << QStringLiteral("F11") << QStringLiteral("    Top Ten");
    QTest::newRow("Speichern") << QStringLiteral("F5") << QStringLiteral("  Speichern");
    QTest::newRow("Info") << QStringLiteral("F1") << QStringLiteral("   About");
    QTest::newRow("Beschreibung") << QStringLiteral("F12") << QStringLiteral("   Funktionsbeschreibung");
}

void E2E::closingMainWindowClosesSecondary()
{
    QFETCH(QString, key);
    QFETCH(QString, title);
    START_GAME(game);
    if (!key.isEmpty()) {
        QVERIFY(game.mainKey(key));
        const QString secondary = game.waitForActiveWindow(title);
        QVERIFY2(!secondary.isEmpty(), qPrintable(QStringLiteral("no active window ") + title));
    }

    const QStringList before = listing(game.file(QString()));

    // The main window's close box (the window manager's close request).
    QVERIFY(closeByWindowManager(x_, game.window()));
    QVERIFY2(game.process().process().waitForFinished(StepTimeout), "the game did not end");
    QCOMPARE(game.process().process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(game.process().process().exitCode(), 0);
    if (!title.isEmpty())
        QVERIFY(x_.windows(title).isEmpty());
    QVERIFY(x_.windows(MainTitle).isEmpty());
    // Nothing is written on the way out.
    QCOMPARE(listing(game.file(QString())), before);
}

// Closing the game and starting it again at once gives a new game window:
// the closed game no longer answers for the program folder. Its solver
// tables are still being built when it is closed.
void E2E::restartRightAfterClosing()
{
    XSession x_;
    {
        QString error;
        if (!x_.start(&error))
            QFAIL(qPrintable(error));
    }
    Game game(x_);
    QString error;
    QVERIFY2(game.prepare(&error), qPrintable(error));
    QFile::remove(game.file(SolverTables));
    QVERIFY2(game.start(&error), qPrintable(error));
    QVERIFY(closeByWindowManager(x_, game.window()));
    QVERIFY(x_.waitForNoWindow(MainTitle));

    Child again;
    QVERIFY(again.start(game.exe(), {}, x_.env()));
    const QString window = x_.waitForWindow(MainTitle, StartTimeout);
    QVERIFY2(!window.isEmpty(),
             qPrintable(QStringLiteral("no game window after the restart; the restarted program %1, the closed one %2")
                            .arg(again.running() ? QStringLiteral("runs") : QStringLiteral("has ended"),
                                 game.process().running() ? QStringLiteral("still runs")
                                                          : QStringLiteral("has ended"))));
    QVERIFY(again.running());
    // The closed game has ended by now, with success.
    QProcess &closed = game.process().process();
    QVERIFY2(closed.state() == QProcess::NotRunning || closed.waitForFinished(StepTimeout),
             "the closed game did not end");
    QCOMPARE(game.process().process().exitCode(), 0);
}

// "Bild ändern": the picture dialog, cancelled first, then a picture chosen
// by its typed path. The second picture has the colours in reverse order, so
// tile t of it shows colour 15 - t.
void E2E::changePicture()
{
    START_GAME(game);
    const QString second = QFileInfo(game.picture()).path() + QStringLiteral("/Umgekehrt.bmp");
    QVERIFY(squaresPicture(BoardPx, [](int k) { return 15 - k; }).save(second, "BMP"));
    const QByteArray reference = readAll(game.file(QStringLiteral("p.cxa")));
    const QVector<int> before = game.fields();
    QVERIFY(game.mainKey(QStringLiteral("F7")));    // the preview on

    // Cancelled: board, picture and files stay.
    QVERIFY(game.mainKey(QStringLiteral("F3")));
    QVERIFY2(!game.waitForActiveWindow(QStringLiteral("Bilderdialog")).isEmpty(), "no active \"Bilderdialog\"");
    QVERIFY(x_.key(QStringLiteral("Escape")));
    QVERIFY(x_.waitForNoWindow(QStringLiteral("Bilderdialog")));
    QVERIFY(x_.waitForActive(game.window()));
    QVector<int> seen;
    QVERIFY2(game.waitForFields(before, &seen), qPrintable(describe(seen)));
    QCOMPARE(readAll(game.file(QStringLiteral("p.cxa"))), reference);
    QVERIFY(!QFileInfo::exists(game.file(QStringLiteral("Images/originale/Umgekehrt.bmp"))));

    // Chosen: a new deal of the new picture, the preview shows it, the
    // library holds a copy and p.cxa names the chosen file.
    QVERIFY(game.mainKey(QStringLiteral("F3")));
    const QString dialog = game.waitForActiveWindow(QStringLiteral("Bilderdialog"));
    QVERIFY2(!dialog.isEmpty(), "no active \"Bilderdialog\"");
    QVERIFY(x_.type(second));
    // The file name box may answer the first Return by closing its list of
    // completions; a second one then opens the file.
    QVERIFY(x_.key(QStringLiteral("Return")));
    if (!x_.waitForNoWindow(QStringLiteral("Bilderdialog"), 1500))
        QVERIFY(x_.key(QStringLiteral("Return")));
    QVERIFY(x_.waitForNoWindow(QStringLiteral("Bilderdialog")));

    auto reversed = [](const QVector<int> &fields) {
        QVector<int> out;
        for (int v : fields)
            out << (v >= 0 ? 15 - v : v);
        return out;
    };
    QVERIFY2(waitFor([&] {
                 seen = reversed(game.fields());
                 return isPlayableBoard(seen) && seen[15] == EmptyField;
             }),
             qPrintable(describe(game.fields())));
    const int cell = Twips::px(Twips::Main::PreviewSize) / 4;
    const QPoint origin = previewOrigin();
    QVERIFY2(waitFor([&] {
                 const QImage img = game.shot();
                 for (int k = 0; k < 16; ++k)
                     if (classifyBlock(img, origin + QPoint((k % 4) * cell + cell / 2, (k / 4) * cell + cell / 2), 2)
                         != 15 - k)
                         return false;
                 return true;
             }),
             "the preview does not show the new picture");
    QCOMPARE(readAll(game.file(QStringLiteral("p.cxa"))), second.toLatin1() + "\r\n");
    QCOMPARE(readAll(game.file(QStringLiteral("Images/originale/Umgekehrt.bmp"))), readAll(second));

    // The new game counts from 0 and records the new picture.
    QString error;
    const QByteArray saved = game.saveAs(QStringLiteral("Neues Bild"), QStringLiteral("Neues Bild.sav"), &error);
    QVERIFY2(!saved.isEmpty(), qPrintable(error));
    QVector<int> layout = asSaved(seen);
    layout[15] = 15;
    QCOMPARE(saved, savedGame(layout, 0, true, false, second));
}

QTEST_GUILESS_MAIN(E2E)
#include "test_e2e.moc"
