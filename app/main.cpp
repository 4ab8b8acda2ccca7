// The start-up routine: one game at a time; the main window builds itself
// and the process ends when it is closed.
#include "app/CloseRequest.h"
#include "base/ProgramFolder.h"
#include "app/SingleInstance.h"
#include "app/frmMain.h"
#include "base/AppIcon.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zandor"));
    QApplication::setWindowIcon(Zandor::appIcon());

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
    CloseRequestFilter closeRequest(&mainWindow);
    app.installNativeEventFilter(&closeRequest);
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
