// The main window's entries into the save/load dialog.
#include "app/frmMain.h"
#include "saves/frmLoad.h"

namespace {

// The dialog that is open, if any: there is never more than one.
frmLoad *openDialog(frmMain *main)
{
    const auto dialogs = main->findChildren<frmLoad *>(QString(), Qt::FindDirectChildrenOnly);
    for (frmLoad *d : dialogs)
        if (!d->closing())
            return d;
    return nullptr;
}

void openIn(frmMain *main, const QString &mode)
{
    if (frmLoad *open = openDialog(main)) {
        open->raise();
        open->activateWindow();
        return;
    }
    (new frmLoad(main))->display(mode);
}

} // namespace

void frmMain::mnuSave_Click()
{
    openIn(this, QStringLiteral("save"));
}

void frmMain::mnuLoad_Click()
{
    openIn(this, QStringLiteral("load"));
}
