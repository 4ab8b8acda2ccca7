// The start-up routine: one game at a time; the main window builds itself
// and the process ends when it is closed.
#include "app/ProgramFolder.h"
#include "app/SingleInstance.h"
#include "app/frmMain.h"
#include "info/AppIcon.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zandor"));
    QApplication::setWindowIcon(Zandor::appIcon());

    SingleInstance instance(ProgramFolder::path());
    if (instance.activateRunningInstance())
        return 0;
    instance.listen();

    frmMain mainWindow;
    QObject::connect(&instance, &SingleInstance::activationRequested, &mainWindow, &frmMain::activateFromOutside);
    mainWindow.Form_Load();
    return app.exec();
}
