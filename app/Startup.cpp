#include "app/Startup.h"

#include "app/CloseRequest.h"
#include "app/QuitSignals.h"
#include "app/SingleInstance.h"
#include "app/frmMain.h"
#include "base/AppIcon.h"
#include "base/Language.h"
#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "base/WindowPlacement.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>
#include <thread>

#include <fontconfig/fontconfig.h>

namespace Startup {

namespace {

// The fonts are looked up on first use: the font configuration read, every
// installed font listed into Qt's database, the window's font opened; before
// the window shows, nothing takes longer. A thread of its own reads the
// configuration while the application connects to the display, then fills
// Qt's database (its functions may be called from any thread) and opens the
// font while the window builds itself, which finds them ready when it
// measures its texts.
class FontsAhead
{
public:
    FontsAhead()
        : m_thread([this] {
            FcInit();
            if (const std::optional<QFont> font = m_font.get_future().get()) {
                QFontDatabase::families();
                QFontMetrics(*font).height();
            }
        })
    {
    }
    // The application is there: Qt's part may begin.
    void applicationReady(const QFont &font)
    {
        m_font.set_value(font);
        m_told = true;
    }
    // Waits for the thread: before the application goes, which it uses.
    void finish()
    {
        if (!m_told)
            m_font.set_value(std::nullopt), m_told = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    ~FontsAhead() { finish(); }
    FontsAhead(const FontsAhead &) = delete;
    FontsAhead &operator=(const FontsAhead &) = delete;

private:
    std::promise<std::optional<QFont>> m_font;
    bool m_told = false;
    std::thread m_thread;
};

} // namespace

int run(int argc, char **argv, const std::function<void(frmMain &)> &beforeLoad)
{
    FontsAhead fonts;
    QApplication app(argc, argv);
    // The menu bar is part of the window. Not offered to a desktop's global
    // menu, it also spares the start the question for one on the session
    // bus (and, with no session bus, the attempt to start one).
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QApplication::setApplicationName(QStringLiteral("Zandor"));
    fonts.applicationReady(QApplication::font());
    struct Finish {
        FontsAhead &fonts;
        ~Finish() { fonts.finish(); }
    } finishFonts{fonts};

    // The texts in the player's language, Qt's own dialog texts with them.
    Language::install(Language::system(), ProgramFolder::resource(QLatin1String(Language::Folder)));

    SingleInstance instance(ProgramFolder::path());
    if (instance.activateRunningInstance()) {
        if (!instance.refusal().isEmpty())
            Meldung::zeigen(nullptr, instance.refusal());
        return 0;
    }
    // The folder is ours now: what writes cut short by a crash left is removed.
    ProgramFolder::removeLeftovers(ProgramFolder::path());
    instance.listen();

    frmMain mainWindow;
    QObject::connect(&instance, &SingleInstance::activationRequested, &mainWindow,
                     [&mainWindow] { WindowPlacement::bringForward(&mainWindow); });
    // Once the window is closed the next start may open its own at once,
    // even while this process still finishes background work.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &instance, &SingleInstance::stop);
    // The icons are read once the board is on the screen: the window
    // manager shows the icon a moment later, the board comes sooner.
    QObject::connect(&mainWindow, &frmMain::boardShown, &app, [] { QApplication::setWindowIcon(Zandor::appIcon()); });
    // A request to end (SIGTERM, a hang-up, Ctrl+C) closes the window the
    // normal way, which keeps the game; a session that ends (a logout) has
    // it kept at once, as it may not wait for the window to close.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &mainWindow, &QWidget::close);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, mainWindow.game(), &GameController::keepNow);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, mainWindow.game(), &GameController::keepNow);
    WindowPlacement::keepOverMainWindow(&mainWindow);
    CloseRequestFilter closeRequest(&mainWindow);
    new WaylandModality(&mainWindow);
    app.installNativeEventFilter(&closeRequest);
    if (beforeLoad)
        beforeLoad(mainWindow);
    mainWindow.Form_Load();
    // A main window closed while it was still being built (from the picture
    // dialog of a first start, say) ends the process here: the event loop
    // would otherwise run on with no window left to close.
    const int code = mainWindow.isVisible() ? app.exec() : 0;
    if (mainWindow.solverBusy()) {
        // The solver's tables may still be building. Everything the player
        // keeps is written (the game was kept as the window closed), so the
        // process may end now instead of waiting for a computation nobody
        // needs.
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

} // namespace Startup
