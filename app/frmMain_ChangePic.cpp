// Choosing another picture: the picture dialog (the game checks the chosen
// file, copies it into the library, records it and deals anew); and the
// messages the game's reports about pictures and positions become.
#include "app/frmMain.h"

#include "app/PictureMessages.h"
#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "pictures/PictureLibrary.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace {

// The choices of the picture dialog, the first one preselected.
const char *const Filters[] = {
    " JPEG (*.jpg)",
    "Windows Bitmap (*.bmp)",
    "CompuServe Bitmap (*.gif)",
    "Metafiles (*.wmf)",
    "Alle Dateien (*.*)",
};

// Shows the picture dialog in folder; the chosen file's full path, or an
// empty string when the player cancelled.
QString choosePicture(QWidget *parent, const QString &folder)
{
    QFileDialog dialog(parent, QStringLiteral("Bilderdialog"), folder);
    dialog.setObjectName(QStringLiteral("Bilderdialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    for (const char *f : Filters)
        filters << QString::fromUtf8(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(dialog.nameFilters().first());
    // QFileDialog trims the texts of its choices; they are shown as written,
    // the leading blank of the first one included.
    if (auto *choices = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < filters.size() && i < choices->count(); ++i)
            choices->setItemText(i, filters[i]);
    }
    // Wide enough that the name, size and type columns can be read.
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(820, 480);
    if (auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        const int widths[] = {360, 110, 150, 160};
        for (int column = 0; column < 4; ++column)
            view->header()->resizeSection(column, widths[column]);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace

void frmMain::mnuChangePic_Click()
{
    m_game->changePicture();
}

QString frmMain::choosePicture()
{
    return ::choosePicture(this, PictureLibrary::folder(ProgramFolder::path()));
}

void frmMain::connectMessages()
{
    m_game->setPictureChooser([this] { return choosePicture(); });
    connect(m_game, &GameController::pictureNotFound, this, [this](const QString &path) {
        Meldung::zeigen(this, QStringLiteral("Das Bild \r\n    ") + path
                                  + QStringLiteral("\r\nkann im angegebenen Pfad nicht gefunden werden.\r\n\r\n"
                                                   "Es wird ein neues Spiel gestartet!"));
    });
    connect(m_game, &GameController::pictureNotReadable, this, [this](const QString &path, PictureError error) {
        Meldung::zeigen(this, PictureMessages::notReadable(path, error));
    });
    connect(m_game, &GameController::referenceNotWritten, this, [this](const QString &path) {
        Meldung::zeigen(this, QStringLiteral("Das Bild wird beim nächsten Start nicht wieder geladen:\r\ndie Datei\r\n    ")
                                  + QDir::toNativeSeparators(path) + QStringLiteral("\r\nkann nicht geschrieben werden."));
    });
    connect(m_game, &GameController::unsolvable, this, [this] {
        Meldung::zeigen(this, QStringLiteral("Diese Stellung kann nicht gelöst werden:\r\n"
                                             "kein Zug führt das Bild zusammen."));
    });
}
