// The player's moves: the board widget reports drags, drops, clicks and
// arrow keys; the window hands the moves to the session and shows what it
// decided, sliding the tiles of every move not made by dragging. Taking a
// move back, and the end of a won game. The menu bar passes the keys that
// move tiles on to the board.
#include "app/frmMain.h"

#include "app/BoardView.h"
#include "base/Meldung.h"
#include "scores/frmTopTen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

void frmMain::connectBoard()
{
    // The position display: the dragged tile's home field, counted from 1;
    // a field marked empty has none and leaves the display as it is.
    connect(m_board, &BoardView::fieldHovered, this, [this](int source, int) {
        if (const auto text = m_session.board().positionText(source))
            m_label[3]->setText(*text);
    });
    connect(m_board, &BoardView::moveRequested, this,
            [this](int source, int target) { picBox_DragDrop(target, source); });
    connect(m_board, &BoardView::slideRequested, this,
            [this](int source, int target) { picBox_DragDrop(target, source, true); });
    connect(m_board, &BoardView::clickRequested, this, &frmMain::picBox_Click);
    // A press on the board stops the solution, and what the press began
    // (a click or a drag) does nothing.
    connect(m_board, &BoardView::pressed, this, [this] {
        if (solutionRunning()) {
            stopSolution();
            m_board->cancelDrag();
        }
    });
    connect(m_board, &BoardView::hintTimeUp, this, [this] {
        m_session.hintTimeUp();
        showSession();
    });
    connect(m_board, &BoardView::firstPainted, this, [this] {
        if (!m_boardPainted)
            runAfterFirstPaint();
    });
}

bool frmMain::event(QEvent *event)
{
    // Any key stops the solution, and does nothing else: the shortcut it
    // may stand for is not triggered, and the key press that follows is
    // swallowed.
    if (event->type() == QEvent::ShortcutOverride && solutionRunning()) {
        stopSolution();
        m_keyStopped = static_cast<QKeyEvent *>(event)->key();
        event->accept();
        return true;
    }
    return QMainWindow::event(event);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
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
    if (m_keyStopped && std::exchange(m_keyStopped, 0) == event->key()) {
        event->accept();
        return;
    }
    if (!m_board->handleKey(event)) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->key() == Qt::Key_Escape && menuBar()->hasFocus())
        setFocus();
}

void frmMain::changeEvent(QEvent *event)
{
    // A drag ends, with nothing counted, when the window is deactivated or
    // minimised: the release that ends it may never reach the window.
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow())
        || (event->type() == QEvent::WindowStateChange && isMinimized()))
        m_board->cancelDrag();
    QMainWindow::changeEvent(event);
}

void frmMain::picBox_DragDrop(int target, int source, bool slide)
{
    stopSolution();
    const Board::DropResult r = m_session.drop(source, target);
    if (r.ignored)
        return;
    if (slide && r.moved)
        m_board->slide({{source, target}});
    showSession();
    if (r.won)
        gameWon();
}

void frmMain::picBox_Click(int field)
{
    stopSolution();
    showPlayed(m_session.click(field));
}

void frmMain::mnuUndo_Click()
{
    stopSolution();
    showPlayed(m_session.takeBack());
}

void frmMain::showPlayed(const GameSession::Played &played)
{
    if (played.steps.empty())
        return;
    m_board->slide(played.steps);
    showSession();
    if (played.won)
        gameWon();
}

void frmMain::gameWon()
{
    stopSolution();
    m_board->setBorders(false);
    m_board->showWholePicture(m_cut[m_session.board().lastField()]);
    // The name box (or the message) opens once the last square has faded
    // in; it gets the count of the winning move, whatever happens before.
    const GameSession::Win win = m_session.win();
    QTimer::singleShot(BoardView::FadeMillis, this, [this, win] {
        m_board->finishFade();
        gameOver(win);
    });
}

void frmMain::gameOver(GameSession::Win win)
{
    if (!win.mayEnterTopTen) {
        Meldung::zeigen(this, QStringLiteral("Geschafft! In diesem Spiel wurde ein Tipp benutzt,\r\n"
                                             "deshalb kommt es nicht in die Bestenliste."));
        return;
    }
    const QString name = frmTopTen::Start(this, geometryTwips());
    if (name.isEmpty())
        return;
    topTen()->Score_Insert(win.zuege, name);
}
