// The game's reports shown on the window and put into words, its
// questions to the player, and the player's hand on the board: the board widget reports drags, drops, clicks and arrow keys, the
// window hands them to the game and shows what it decided, sliding the tiles
// of every move not made by dragging. The end of a won game. The menu bar
// passes the keys that move tiles on to the board.
#include "app/frmMain.h"

#include "app/BoardView.h"
#include "app/GameTexts.h"
#include "app/PictureDialog.h"
#include "app/PictureMessages.h"
#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "pictures/PictureLibrary.h"
#include "scores/frmTopTen.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>

void frmMain::connectGame()
{
    connect(m_game, &GameController::sessionChanged, this, &frmMain::showSession);
    connect(m_game, &GameController::tilesChanged, this, [this] { showTiles(true); });
    connect(m_game, &GameController::tilesResized, this, [this] { showTiles(false); });
    connect(m_game, &GameController::slid, m_board, &BoardView::slide);
    connect(m_game, &GameController::won, this, &frmMain::gameWon);
    connect(m_game, &GameController::positionCleared, this, [this] { m_label[3]->setText(QString()); });
    connect(m_game, &GameController::working, this, [this](bool busy) {
        m_pBar->setValue(0);
        m_pBar->setVisible(busy);
    });
    connect(m_game, &GameController::bestwertChanged, this, [this](GameController::Bestwert state, int length) {
        m_lblBestwert->setText(GameTexts::bestwert(state, length));
    });
    connect(m_game, &GameController::cropChanged, mnuFit, &QAction::setChecked);
    connect(m_game, &GameController::sideChanged, this, [this](int side) {
        for (QAction *a : mnuSpielfeld->actions())
            a->setChecked(a->data().toInt() == side);
    });
    connect(m_game, &GameController::numbersChanged, this, [this](bool on) {
        mnuNumbers->setChecked(on);
        m_board->setNumbers(on && m_game->haveCut());
    });
    connect(m_game, &GameController::noticesChanged, this, [this](int notices) {
        m_lblHinweis->setText(GameTexts::notices(notices));
        m_lblHinweis->setVisible(notices != 0);
    });
    // The game's questions and reports that need the player.
    m_game->setPictureChooser([this] { return PictureDialog::choose(this, PictureLibrary::folder(ProgramFolder::path())); });
    connect(m_game, &GameController::pictureNotFound, this,
            [this](const QString &path) { Meldung::zeigen(this, PictureMessages::notFound(path)); });
    connect(m_game, &GameController::pictureNotReadable, this, [this](const QString &path, PictureError error) {
        Meldung::zeigen(this, PictureMessages::notReadable(path, error));
    });
    connect(m_game, &GameController::referenceNotWritten, this, [this](const QString &path) {
        Meldung::zeigen(this, PictureMessages::referenceNotWritten(QDir::toNativeSeparators(path)));
    });
    connect(m_game, &GameController::unsolvable, this, [this] { Meldung::zeigen(this, GameTexts::unsolvable()); });
    connectBoard();
}

void frmMain::connectBoard()
{
    // The position display: the dragged tile's home field, counted from 1;
    // a field marked empty has none and leaves the display as it is.
    connect(m_board, &BoardView::fieldHovered, this, [this](int source, int) {
        if (const auto text = session().board().positionText(source))
            m_label[3]->setText(*text);
    });
    connect(m_board, &BoardView::moveRequested, m_game,
            [this](int source, int target) { m_game->drop(source, target, false); });
    connect(m_board, &BoardView::slideRequested, m_game,
            [this](int source, int target) { m_game->drop(source, target, true); });
    connect(m_board, &BoardView::clickRequested, m_game, &GameController::click);
    // A press on the board stops the solution, and what the press began
    // (a click or a drag) does nothing.
    connect(m_board, &BoardView::pressed, this, [this] {
        if (m_game->solutionRunning()) {
            m_game->stopSolution();
            m_board->cancelDrag();
        }
    });
    connect(m_board, &BoardView::hintTimeUp, m_game, &GameController::hintTimeUp);
    // The fields have a new size: the game cuts its tiles anew at it.
    connect(m_board, &BoardView::fieldSizeSettled, m_game,
            [this] { m_game->setBoardPixels(m_board->deviceSquare(), m_board->devicePixelRatioF()); });
    connect(m_board, &BoardView::firstPainted, this, [this] {
        if (!m_boardPainted)
            runAfterFirstPaint();
    });
}

void frmMain::showTiles(bool newTiles)
{
    // A drag begun on the old tiles does not drop onto new ones; the same
    // tiles at another size change nothing for it.
    if (newTiles)
        m_board->cancelDrag();
    m_board->setTiles(m_game->tiles(), m_game->lastSquare());
    // Numbered tiles carry their number already.
    m_board->setNumbers(m_game->numbers() && m_game->haveCut());
    // The preview gets its picture when it is shown.
    m_imgTemp->clear();
    if (m_imgTemp->isVisible() && !m_game->boardPicture().isNull())
        m_imgTemp->setPixmap(QPixmap::fromImage(m_game->boardPicture()));
}

void frmMain::runAfterFirstPaint()
{
    m_boardPainted = true;
    m_game->boardPainted();
    if (!std::exchange(m_boardShownSignalled, true))
        emit boardShown();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The controls follow the client area's size. A window that opened
    // maximised or fullscreen has its size once it is first on the screen.
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        layOut();
    else if (m_waitingForSize.isValid() && (event->type() == QEvent::Expose || event->type() == QEvent::Resize)
             && watched == windowHandle() && windowHandle()->isExposed() && windowHandle()->size() != m_waitingForSize)
        QTimer::singleShot(0, this, &frmMain::beginGame);
    else if (m_beginOnExpose && event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &frmMain::beginGame);   // after the paint this exposure brings
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget->window() == this
            && m_swallowed.take(static_cast<QKeyEvent *>(event), m_game->solutionRunning(), [this] { m_game->stopSolution(); }))
            return true;
        break;
    default:
        break;
    }
    if (watched == menuBar() && event->type() == QEvent::KeyPress
        && !QApplication::activePopupWidget()) {
        // While no menu is open, arrow keys move tiles and Esc ends a drag,
        // also when the menu bar kept the focus after a menu was closed.
        auto *ke = static_cast<QKeyEvent *>(event);
        switch (ke->key()) {
        case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Escape:
            keyPressEvent(ke);
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    if (!m_board->handleKey(event)) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->key() == Qt::Key_Escape && menuBar()->hasFocus())
        m_board->setFocus();   // the keyboard back to the board
}

void frmMain::changeEvent(QEvent *event)
{
    // A drag ends, with nothing counted, when the window is deactivated or
    // minimised: the release that ends it may never reach the window, nor
    // the release of a key that stopped the solution.
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow())
        || (event->type() == QEvent::WindowStateChange && isMinimized())) {
        m_board->cancelDrag();
        m_swallowed.clear();
    }
    if (event->type() == QEvent::WindowStateChange && mnuFullScreen)
        mnuFullScreen->setChecked(isFullScreen());
    QMainWindow::changeEvent(event);
}

void frmMain::gameWon(GameSession::Win win)
{
    m_board->fadeInWholePicture();
    // The name box (or the message) opens once the last square has faded
    // in; it gets the count of the winning move, whatever happens before.
    QTimer::singleShot(BoardView::FadeMillis, this, [this, win] {
        m_board->finishFade();
        gameOver(win);
    });
}

void frmMain::gameOver(GameSession::Win win)
{
    if (!win.mayEnterTopTen) {
        Meldung::zeigen(this, GameTexts::helpedWin(win.help));
        return;
    }
    const QString name = frmTopTen::Start(this, geometryTwips());
    if (name.isEmpty())
        return;
    topTen(win.side)->Score_Insert(win.zuege, name);
}
