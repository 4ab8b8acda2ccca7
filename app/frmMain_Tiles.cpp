// Turning the current picture into the sixteen tiles (Bild_Teilen) and
// putting them on the fields by the layout (Bilder_Laden). The board picture
// (the picture scaled to the board, kept as the working copy Images/bild.jpg)
// is made off the window's thread by the picture layer; the window cuts it
// and places the tiles when it is there. The tiles are handed over in memory.
#include "app/frmMain.h"

#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "app/BoardView.h"
#include "app/PictureMessages.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QThreadPool>

namespace {

// The scaled working copy of the current picture.
QString workingCopyPath()
{
    return ProgramFolder::file(QStringLiteral("Images/bild.jpg"));
}

} // namespace

int frmMain::boardSide() const
{
    // The board's side in device pixels: the working copy's width and height.
    return qRound(Twips::px(Twips::Main::BoardSize) * devicePixelRatioF());
}

void frmMain::runPictureJob(std::function<WorkingCopy::Result(const std::atomic<bool> &closed)> job,
                            std::function<void(const WorkingCopy::Result &)> done)
{
    if (!m_picturePool)
        m_picturePool = new QThreadPool(this);
    const quint64 id = ++m_pictureJob;
    const QPointer<frmMain> guard(this);
    const auto closed = m_closed;
    m_picturePool->start([guard, closed, id, job = std::move(job), done = std::move(done)] {
        WorkingCopy::Result result = job(*closed);
        QMetaObject::invokeMethod(qApp, [guard, closed, id, result = std::move(result), done] {
            if (guard && !*closed && guard->m_pictureJob == id)
                done(result);
        }, Qt::QueuedConnection);
    });
}

void frmMain::cutAndPlace(CutFor what)
{
    if (what != CutFor::SameBoard) {
        m_session.boardPending();
        m_pendingCut = what;
    } else if (m_pendingCut) {
        what = *m_pendingCut;   // the board being made is made the new way
    }
    m_pBar->setValue(0);
    m_pBar->show();
    const QString copy = workingCopyPath();
    const QString picture = m_session.Bild_aktuell();
    const int side = boardSide();
    const TileCutter::Fit fit = m_fit;
    runPictureJob(
        [copy, picture, side, fit](const std::atomic<bool> &closed) {
            return closed ? WorkingCopy::Result() : WorkingCopy::boardPicture(copy, picture, side, fit);
        },
        [this, what](const WorkingCopy::Result &result) { boardPictureReady(what, result); });
}

void frmMain::boardPictureReady(CutFor what, const WorkingCopy::Result &result)
{
    if (result.missing) {
        // No picture under that path: the player chooses one; when none is
        // taken, the board is placed with the tiles at hand.
        if (what == CutFor::SameBoard) {
            m_pBar->hide();
            m_pBar->setValue(0);
            return;
        }
        askForPicture(what);
        return;
    }
    // A picture that cannot be read leaves the tiles of the last picture (or
    // numbered tiles), so that the game stays playable, and is reported.
    placeBoard(what, result.board,
               result.board.isNull() ? PictureMessages::notReadable(m_session.Bild_aktuell(), result.error)
                                     : QString());
}

void frmMain::placeBoard(CutFor what, const QImage &board, const QString &refused)
{
    m_pendingCut.reset();
    Bild_Teilen(board);
    if (what == CutFor::SameBoard) {
        // The board as it stands, with the tiles of the new cut.
        for (int i = 0; i < m_session.board().fieldCount(); ++i)
            m_bilder[i] = i == m_session.board().lastField() ? QImage() : m_cut[i];
        m_board->setTiles(m_bilder);
        m_board->update();
        m_pBar->hide();
        m_pBar->setValue(0);
    } else {
        m_session.tilesCut();
        Bilder_Laden(what == CutFor::NewDeal ? Placement::NewDeal : Placement::LoadedGame);
    }
    if (!refused.isEmpty())
        Meldung::zeigen(this, refused);
}

void frmMain::Bild_Teilen(const QImage &board)
{
    const qreal dpr = devicePixelRatioF();
    if (!board.isNull()) {
        QImage scaled = board;
        scaled.setDevicePixelRatio(dpr);
        m_source = scaled;
        // The preview gets its picture when it is shown.
        m_imgTemp->clear();
        if (m_imgTemp->isVisible())
            m_imgTemp->setPixmap(QPixmap::fromImage(scaled));

        // Every tile is exactly its square of the board picture, whatever
        // the fields' borders: a won board, shown without borders, is the
        // picture without seams. (A bordered field hides the tile's last
        // rows and columns under its frame.) The board's side in device
        // pixels is four tiles' sides, so the tiles are the device size of
        // the fields and are drawn unscaled.
        const int tileSide = scaled.width() / 4;
        const std::array<QImage, 16> tiles = TileCutter::cut(scaled, tileSide, tileSide);
        for (int k = 0; k < 16; ++k) {
            addProgress(28);
            m_cut[k] = tiles[k];
            m_cut[k].setDevicePixelRatio(dpr);
        }
        m_cutDone = true;
    } else {
        for (int k = 0; k < 16; ++k) {
            addProgress(28);
            if (!m_cutDone)
                m_cut[k] = TileCutter::numberedTile(k, m_board->fieldRect(0).width(), dpr);
        }
    }
}

void frmMain::Bilder_Laden(Placement how)
{
    // A drag begun on the old board does not drop onto the new one.
    m_board->cancelDrag();
    const auto [X, y] = Board::args(how);
    const int last = m_session.board().fieldCount() - X;
    for (int i = 0; i <= last && i < m_session.board().fieldCount(); ++i) {
        addProgress(10);
        m_bilder[i] = i == m_session.board().lastField() ? QImage() : m_cut[i];
    }
    for (int i = 0; i <= last && i < m_session.board().fieldCount(); ++i)
        addProgress(10);
    if (m_session.place(how)) {
        if (y == 1)
            m_bilder[m_session.board().lastField()] = QImage();
        m_board->setTiles(m_bilder);
        showSession();
        for (int i = 0; i < m_session.board().fieldCount(); ++i)
            addProgress(10);
        for (int i = 0; i <= m_session.board().fieldCount(); ++i)
            addProgress(10);
        m_board->setBorders(true);
        startBestwert(m_session.dealNumber());
    }
    m_pBar->hide();
    m_pBar->setValue(0);
}
