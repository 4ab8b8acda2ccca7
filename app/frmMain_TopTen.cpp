// The main window's entries into the top-ten list.
#include "app/frmMain.h"
#include "scores/frmTopTen.h"

void frmMain::mnuTopTen_Click()
{
    // Loading the window reads the list; a window already open is shown
    // again and brought to the front, its rows as they are.
    if (frmTopTen *open = frmTopTen::loaded(this))
        open->display();
    else
        frmTopTen::instance(this);
}

void frmMain::handOverWin()
{
    frmTopTen::Start(this);
}
