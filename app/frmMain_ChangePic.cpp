// Choosing another picture: the picture dialog, the library copy, p.cxa, and
// a new game with the new picture.
#include "app/frmMain.h"

#include "base/Meldung.h"
#include "pictures/PictureReference.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "pictures/PictureLibrary.h"
#include "app/BoardView.h"

#include <QDir>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
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
    const QString libraryFolder = PictureLibrary::folder(ProgramFolder::path());

    const QString chosen = choosePicture(this, libraryFolder);

    // The preview is hidden while the tiles are cut; imgvis remembers that it
    // is to be shown again.
    if (m_imgTemp->isVisible()) {
        m_imgTemp->hide();
        m_session.setImgvis(true);
    }
    m_imgTemp->resize(Twips::size(Twips::Main::BoardSize, Twips::Main::BoardSize));
    // Borderless fields, so that the cut works on whole field squares.
    m_board->setBorders(false);

    if (!chosen.isEmpty()) {
        m_session.setBild_aktuell(chosen);
        // A failed copy (no library folder, unreadable file) is no reason to
        // stop: the picture is played from where it is.
        PictureLibrary::copyIn(chosen, libraryFolder);
        m_session.setBild_org(chosen);
        // The chosen file's own path is recorded, not the library copy's.
        // When p.cxa cannot be replaced it keeps the old path, and the
        // player is told that the next start will not bring this picture.
        if (!PictureReference::write(ProgramFolder::path(), m_session.Bild_org()))
            Meldung::zeigen(this, QStringLiteral("Das Bild wird beim nächsten Start nicht wieder "
                                                 "geladen:\r\ndie Datei\r\n    ")
                                      + QDir::toNativeSeparators(ProgramFolder::file(
                                          QLatin1String(PictureReference::FileName)))
                                      + QStringLiteral("\r\nkann nicht geschrieben werden."));
        Steine_Mischen();
        Bild_Teilen();
        Bilder_Laden(Placement::NewDeal);
    }

    Vorschau_Setzen();
    m_board->setBorders(true);
    m_label[3]->setText(QString());
}
