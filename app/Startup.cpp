#include "app/Startup.h"

#include "app/CloseRequest.h"
#include "app/DeferredIconStyle.h"
#include "app/SingleInstance.h"
#include "app/frmMain.h"
#include "base/AppIcon.h"
#include "base/ProgramFolder.h"
#include "base/SessionBus.h"
#include "base/WindowPlacement.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include <fontconfig/fontconfig.h>

namespace {

// The font database is filled on first use: every installed font is listed
// and registered, which takes longer than anything else before the window
// shows. A thread of its own reads the font configuration while the
// application connects to the display, then fills Qt's database (its
// functions are thread-safe) while the window begins to build itself; the
// window finds it ready when it measures its texts. (The fonts themselves
// are loaded by each thread for itself, so the window loads its own.)
class FontWarmUp
{
public:
    FontWarmUp()
        : m_thread([this] {
            FcInit();
            if (m_applicationReady.get())
                QFontDatabase::families();
        })
    {
    }
    // The application is there: Qt's part may begin.
    void applicationReady()
    {
        m_application.set_value(true);
        m_told = true;
    }
    // Waits for the thread; it uses Qt's font database, so this comes before
    // the application ends.
    void finish()
    {
        if (!m_told) {
            m_application.set_value(false);
            m_told = true;
        }
        if (m_thread.joinable())
            m_thread.join();
    }
    ~FontWarmUp() { finish(); }
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

private:
    std::promise<bool> m_application;
    std::future<bool> m_applicationReady = m_application.get_future();
    bool m_told = false;
    std::thread m_thread;
};

} // namespace

namespace Startup {

int run(int argc, char **argv, const std::function<void(frmMain &)> &beforeLoad)
{
    // Before the first thread: it may set the session bus in the environment.
    SessionBus::avoidFutileAutolaunch();
    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.applicationReady();
    const auto fontsDone = qScopeGuard([&fonts] { fonts.finish(); });
    // The menu bar is part of the window. Not offered to a desktop's global
    // menu, it also spares the start the question for one on the session
    // bus (and, with no session bus, the attempt to start one).
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QApplication::setApplicationName(QStringLiteral("Zandor"));
    // Before the first widget: the menu bar's hidden extension button then
    // leaves the image plugins unloaded until an image is first read.
    QApplication::setStyle(new DeferredIconStyle);

    // Qt's own dialog texts (buttons, the picture dialog) in German.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    SingleInstance instance(ProgramFolder::path());
    if (instance.activateRunningInstance())
        return 0;
    instance.listen();

    frmMain mainWindow;
    QObject::connect(&instance, &SingleInstance::activationRequested, &mainWindow, &frmMain::activateFromOutside);
    // Once the window is closed the next start may open its own at once,
    // even while this process still finishes background work.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &instance, &SingleInstance::stop);
    // The icons are read once the board is on the screen: the window
    // manager shows the icon a moment later, the board comes sooner.
    QObject::connect(&mainWindow, &frmMain::boardShown, &app, [] { QApplication::setWindowIcon(Zandor::appIcon()); });
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
        // keeps is written the moment it changes, so the process may end
        // now instead of waiting for a computation nobody needs.
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

} // namespace Startup
