// The main window's entries into the save/load dialog.
#include "app/frmMain.h"

void frmMain::mnuSave_Click()
{
}

void frmMain::mnuLoad_Click()
{
}
