// The main window's entries into the info windows.
#include "app/frmMain.h"

void frmMain::mnuAbout_Click()
{
}

void frmMain::mnuDescr_Click()
{
}
