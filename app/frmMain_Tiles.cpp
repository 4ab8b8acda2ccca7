// Turning the current picture into the sixteen tiles (Bild_Teilen) and
// putting them on the fields by the layout (Bilder_Laden). The tiles are
// handed over in memory; only the scaled working copy Images/bild.jpg is
// written (in the Windows bitmap format) and read back.
#include "app/frmMain.h"

#include "base/FileAccess.h"
#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "app/BoardView.h"
#include "pictures/PictureLoader.h"
#include "pictures/TileCutter.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

#include <thread>

namespace {

// The scaled working copy of the current picture.
QString workingCopyPath()
{
    return ProgramFolder::file(QStringLiteral("Images/bild.jpg"));
}

// The board's side in device pixels, the working copy's width and height.
int boardSide(qreal devicePixelRatio)
{
    return qRound(Twips::px(Twips::Main::BoardSize) * devicePixelRatio);
}

// What a working copy is made from: the picture file as it stands and the
// board's side in pixels; empty when there is no picture file.
QByteArray sourceStamp(const QString &picture, int side)
{
    const QByteArray file = FileAccess::identity(picture);
    return file.isEmpty() ? file : file + " side " + QByteArray::number(side);
}

// The working copy, when its note says it was made from madeFrom and it has
// not changed since: a bitmap of side x side pixels.
QImage readyWorkingCopy(const QString &workingCopy, const QByteArray &madeFrom, int side)
{
    if (FileAccess::note(workingCopy) != madeFrom + ' ' + FileAccess::identity(workingCopy))
        return QImage();
    QFile file;
    if (FileAccess::openRegular(workingCopy, 64 + qint64(side) * side * 4, &file) != FileAccess::ReadResult::Ok)
        return QImage();
    const QImage image = TileCutter::boardFromBitmap(file, side);
    return image.size() == QSize(side, side) ? image : QImage();
}

} // namespace

void frmMain::Bild_Teilen()
{
    m_pBar->setValue(0);
    m_pBar->show();

    const qreal dpr = devicePixelRatioF();
    const int side = boardSide(dpr);

    // The working copy made from this very picture file at this size (at an
    // earlier start, say) holds the pixels that decoding and scaling would
    // give again, and is taken as it is.
    const QString workingCopy = workingCopyPath();
    const QByteArray madeFrom = sourceStamp(m_session.Bild_aktuell(), side);
    bool decoded = false;
    QImage ready;
    if (!madeFrom.isEmpty())
        ready = readyWorkingCopy(workingCopy, madeFrom, side);
    if (!ready.isNull()) {
        m_source = ready;
    } else if (FileAccess::isRegularFile(m_session.Bild_aktuell())) {
        QString error;
        QImage picture;
        // Decoding a large picture takes a while: it runs on a thread of its
        // own while the window goes on drawing itself. The player's input
        // waits until the picture is there.
        {
            const QString path = m_session.Bild_aktuell();
            QEventLoop wait;
            std::thread decoder([&] {
                picture = PictureLoader::load(path, QSize(side, side), &error);
                QMetaObject::invokeMethod(&wait, "quit", Qt::QueuedConnection);
            });
            wait.exec(QEventLoop::ExcludeUserInputEvents);
            decoder.join();
        }
        if (picture.isNull()) {
            // The board keeps the tiles of the last picture (or numbered
            // tiles) so that the game stays playable.
            Meldung::zeigen(this, QStringLiteral("Das Bild \r\n    ") + m_session.Bild_aktuell()
                                      + QStringLiteral("\r\nkann nicht gelesen werden.")
                                      + (error.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + error));
        } else {
            m_source = picture;
            decoded = true;
        }
    } else {
        // No picture under that path: the player chooses one. Cutting then
        // goes on with whatever picture is at hand.
        mnuChangePic_Click();
    }

    if (!m_source.isNull()) {
        QImage scaled = ready;
        if (scaled.isNull()) {
            scaled = TileCutter::scaleToBoard(m_source, side);
            // The working copy Images/bild.jpg, in the bitmap format, replaced
            // as a whole and read back at once. It is made again from the
            // picture whenever it does not fit, so it is not waited for on
            // the disk. Read back as written, a picture without transparency
            // holds exactly the scaled picture's pixels and need not be
            // decoded again.
            QByteArray bitmap;
            QBuffer buffer(&bitmap);
            buffer.open(QIODevice::WriteOnly);
            QByteArray back;
            if (scaled.save(&buffer, "BMP")
                && FileAccess::writeAtomically(workingCopy, bitmap, FileAccess::Durability::Cache)
                && FileAccess::readRegular(workingCopy, bitmap.size(), &back) == FileAccess::ReadResult::Ok) {
                if (back != bitmap || scaled.format() != QImage::Format_RGB32) {
                    const QImage copy = QImage::fromData(back);
                    if (copy.size() == scaled.size())
                        scaled = copy;
                } else if (decoded) {
                    FileAccess::setNote(workingCopy, madeFrom + ' ' + FileAccess::identity(workingCopy));
                }
            }
        }
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
        const int tileSide = side / 4;
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
    m_session.tilesCut();
}

void frmMain::Bilder_Laden(Placement how)
{
    // A drag begun on the old board does not drop onto the new one.
    m_board->cancelDrag();
    const auto [X, y] = Board::args(how);
    const int last = Board::FeldAnz - X;
    for (int i = 0; i <= last && i < Board::FeldAnz; ++i) {
        addProgress(10);
        m_bilder[i] = i == Board::FeldAnz - 1 ? QImage() : m_cut[i];
    }
    for (int i = 0; i <= last && i < Board::FeldAnz; ++i)
        addProgress(10);
    if (m_session.place(how)) {
        if (y == 1)
            m_bilder[Board::FeldAnz - 1] = QImage();
        m_board->setTiles(m_bilder);
        showSession();
        for (int i = 0; i < Board::FeldAnz; ++i)
            addProgress(10);
        for (int i = 0; i <= Board::FeldAnz; ++i)
            addProgress(10);
        m_board->setBorders(true);
        startBestwert(m_session.dealNumber());
    }
    m_pBar->hide();
    m_pBar->setValue(0);
}
