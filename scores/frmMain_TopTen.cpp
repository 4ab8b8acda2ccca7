// The main window's entries into the top-ten list.
#include "app/frmMain.h"

void frmMain::mnuTopTen_Click()
{
}

void frmMain::handOverWin()
{
}
