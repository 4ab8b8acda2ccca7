// Turning the current picture into the sixteen tiles (Bild_Teilen) and
// putting them on the fields by the layout (Bilder_Laden). The tiles are
// handed over in memory; only the scaled working copy Images/bild.jpg is
// written (in the Windows bitmap format) and read back.
#include "app/frmMain.h"

#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "app/FieldBox.h"
#include "pictures/PictureLoader.h"
#include "pictures/TileCutter.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

void frmMain::Bild_Teilen(int /*unused*/)
{
    m_progressPeak = 0;
    m_pBar->setValue(0);
    m_pBar->show();

    const qreal dpr = devicePixelRatioF();
    const int side = qRound(Twips::px(Twips::Main::BoardSize) * dpr);

    if (QFileInfo(m_session.Bild_aktuell).isFile()) {
        QString error;
        const QImage picture = PictureLoader::load(m_session.Bild_aktuell, QSize(side, side), &error);
        if (picture.isNull()) {
            // The board keeps the tiles of the last picture (or numbered
            // tiles) so that the game stays playable.
            Meldung::zeigen(this, QStringLiteral("Das Bild \r\n    ") + m_session.Bild_aktuell
                                      + QStringLiteral("\r\nkann nicht gelesen werden.")
                                      + (error.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + error));
        } else {
            m_imgTemp->clear();
            m_source = picture;
        }
    } else {
        // No picture under that path: the player chooses one. Cutting then
        // goes on with whatever picture is at hand.
        mnuChangePic_Click();
    }

    if (!m_source.isNull()) {
        QImage scaled = TileCutter::scaleToBoard(m_source, side);
        const QString workingCopy = ProgramFolder::file(QStringLiteral("Images/bild.jpg"));
        if (scaled.save(workingCopy, "BMP")) {
            QImageReader reader(workingCopy);
            reader.setDecideFormatFromContent(true);
            const QImage back = reader.read();
            if (back.size() == scaled.size())
                scaled = back;
        }
        scaled.setDevicePixelRatio(dpr);
        m_source = scaled;
        m_imgTemp->setPixmap(QPixmap::fromImage(scaled));

        // All boxes have the same size; the first one stands for all.
        const int inner = qRound(m_picBox[0]->innerSize().width() * dpr);
        const int outer = qRound(m_picBox[0]->width() * dpr);
        const std::array<QImage, 16> tiles = TileCutter::cut(scaled, inner, outer);
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
                m_cut[k] = TileCutter::numberedTile(k, m_picBox[0]->width(), dpr);
        }
    }
    m_session.board().tagAsCut();
}

void frmMain::Bilder_Laden(int X, int y)
{
    const int last = Board::FeldAnz - X;
    for (int i = 0; i <= last && i < Board::FeldAnz; ++i) {
        addProgress(10);
        m_bilder[i] = i == Board::FeldAnz - 1 ? QImage() : m_cut[i];
    }
    for (int i = 0; i <= last && i < Board::FeldAnz; ++i)
        addProgress(10);
    if (m_session.board().place(X, y)) {
        if (y == 1)
            m_bilder[Board::FeldAnz - 1] = QImage();
        showAllFields();
        for (int i = 0; i < Board::FeldAnz; ++i)
            addProgress(10);
        for (int i = 0; i <= Board::FeldAnz; ++i)
            addProgress(10);
        setBorders(true);
        startBestwert(m_session.boardPlaced());
    }
    m_pBar->hide();
    m_pBar->setValue(0);
}
