// The main window's entries into the info windows.
#include "app/frmMain.h"
#include "info/frmAbout.h"
#include "info/frmDescr.h"

void frmMain::mnuAbout_Click()
{
    frmAbout *about = frmAbout::instance(this);
    about->Form_Load();
    about->show();
    about->raise();
    about->activateWindow();
}

void frmMain::mnuDescr_Click()
{
    frmDescr *descr = frmDescr::instance(this);
    descr->Form_Load();
    descr->show();
    descr->raise();
    descr->activateWindow();
}
