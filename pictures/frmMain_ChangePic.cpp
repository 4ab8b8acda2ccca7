// Choosing another picture: the picture dialog, the library copy, p.cxa.
#include "app/frmMain.h"

void frmMain::mnuChangePic_Click()
{
}
