// Choosing another picture: the picture dialog, the check of the chosen
// file, the library copy, p.cxa, and a new game with the new picture; and
// how a picture that is not square becomes the board ("Bild zuschneiden").
#include "app/frmMain.h"

#include "base/Meldung.h"
#include "pictures/BoardFit.h"
#include "pictures/PictureLoader.h"
#include "pictures/PictureReference.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "pictures/PictureLibrary.h"
#include "app/BoardView.h"
#include "app/PictureMessages.h"

#include <QDir>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeView>

namespace {

// The choices of the picture dialog, the first one preselected: the name
// shown (translated) and the patterns (never translated).
const struct {
    const char *name;
    const char *patterns;
} Filters[] = {
    {QT_TRANSLATE_NOOP("frmMain", "Alle Bilder"), "*.jpg *.jpeg *.jpe *.png *.bmp *.gif *.wmf"},
    {QT_TRANSLATE_NOOP("frmMain", " JPEG"), "*.jpg *.jpeg *.jpe"},
    {QT_TRANSLATE_NOOP("frmMain", "PNG-Bilder"), "*.png"},
    {QT_TRANSLATE_NOOP("frmMain", "Windows Bitmap"), "*.bmp"},
    {QT_TRANSLATE_NOOP("frmMain", "CompuServe Bitmap"), "*.gif"},
    {QT_TRANSLATE_NOOP("frmMain", "Metafiles"), "*.wmf"},
    {QT_TRANSLATE_NOOP("frmMain", "Alle Dateien"), "*.*"},
};

// Shows the picture dialog in folder; the chosen file's full path, or an
// empty string when the player cancelled.
QString choosePicture(QWidget *parent, const QString &folder)
{
    QFileDialog dialog(parent, frmMain::tr("Bilderdialog"), folder);
    dialog.setObjectName(QStringLiteral("Bilderdialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    for (const auto &f : Filters)
        filters << QStringLiteral("%1 (%2)").arg(frmMain::tr(f.name), QLatin1String(f.patterns));
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
    askForPicture(std::nullopt);
}

void frmMain::askForPicture(std::optional<CutFor> ifNothing)
{
    const QString libraryFolder = PictureLibrary::folder(ProgramFolder::path());

    const QString chosen = choosePicture(this, libraryFolder);
    // The main window closed while the dialog was open: nothing more is done.
    if (m_closed->load())
        return;

    // The preview is hidden while the tiles are cut; imgvis remembers that it
    // is to be shown again.
    if (m_imgTemp->isVisible()) {
        m_imgTemp->hide();
        m_session.setImgvis(true);
    }
    m_imgTemp->resize(Twips::size(Twips::Main::BoardSize, Twips::Main::BoardSize));
    // Borderless fields, so that the cut works on whole field squares.
    m_board->setBorders(false);

    if (chosen.isEmpty()) {
        if (ifNothing)
            placeBoard(*ifNothing, QImage());
        endPictureChange();
        return;
    }

    // The chosen file is checked (read, within the bounds of a picture)
    // before anything is copied or recorded; reading, copying and scaling
    // run off the window's thread.
    m_pBar->setValue(0);
    m_pBar->show();
    const QString copy = ProgramFolder::file(QStringLiteral("Images/bild.jpg"));
    const int side = boardSide();
    const TileCutter::Fit fit = m_fit;
    runPictureJob(
        [chosen, libraryFolder, copy, side, fit](const std::atomic<bool> &closed) {
            WorkingCopy::Result result;
            const QByteArray madeFrom = WorkingCopy::identity(chosen, side, fit);
            const QImage decoded = PictureLoader::load(chosen, QSize(side, side), &result.error);
            if (decoded.isNull() || closed)
                return result;
            // A failed copy (no library folder) is no reason to stop: the
            // picture is played from where it is.
            PictureLibrary::copyIn(chosen, libraryFolder);
            return WorkingCopy::fromDecoded(copy, madeFrom, decoded, side, fit);
        },
        [this, chosen, ifNothing](const WorkingCopy::Result &result) { pictureChosen(chosen, ifNothing, result); });
}

void frmMain::pictureChosen(const QString &chosen, std::optional<CutFor> ifNothing, const WorkingCopy::Result &result)
{
    if (result.board.isNull()) {
        // Refused: nothing copied, nothing recorded, the game as after a
        // cancel; a board that was waiting for its picture is made as it was.
        m_pBar->hide();
        m_pBar->setValue(0);
        if (ifNothing)
            placeBoard(*ifNothing, QImage());
        else if (m_pendingCut)
            cutAndPlace(*m_pendingCut);
        Meldung::zeigen(this, PictureMessages::notReadable(chosen, result.error));
        if (!m_closed->load())
            endPictureChange();
        return;
    }
    m_session.setBild_aktuell(chosen);
    m_session.setBild_org(chosen);
    // The chosen file's own path is recorded, not the library copy's.
    // When p.cxa cannot be replaced it keeps the old path, and the
    // player is told that the next start will not bring this picture.
    const bool recorded = PictureReference::write(ProgramFolder::path(), m_session.Bild_org());
    Steine_Mischen();
    placeBoard(CutFor::NewDeal, result.board,
               recorded ? QString()
                        : QStringLiteral("Das Bild wird beim nächsten Start nicht wieder geladen:\r\ndie Datei\r\n    ")
                              + QDir::toNativeSeparators(ProgramFolder::file(QLatin1String(PictureReference::FileName)))
                              + QStringLiteral("\r\nkann nicht geschrieben werden."));
    if (!m_closed->load())
        endPictureChange();
}

void frmMain::endPictureChange()
{
    Vorschau_Setzen();
    m_board->setBorders(true);
    m_label[3]->setText(QString());
}

void frmMain::mnuFit_Click()
{
    m_fit = mnuFit->isChecked() ? TileCutter::Fit::CropToSquare : TileCutter::Fit::Stretch;
    // Written at once, so that the next start cuts the same way; the working
    // copy's note names the way it was cut, so a copy cut the other way is
    // never taken.
    BoardFit::write(ProgramFolder::path(), m_fit);
    if (m_session.placed() || m_pendingCut)
        cutAndPlace(CutFor::SameBoard);
}
