// Moving tiles: a manual drag inside the board, built from mouse press, move
// and release on the fields. Press starts the drag of that field, an outline
// of the field follows the pointer, crossing fields gives the drag-over
// notifications (enter, leave, over) and the release drops on the field under
// the pointer. The arrow keys move tiles as well.
#include "app/frmMain.h"

#include "app/FieldBox.h"

#include <QApplication>
#include <QFrame>
#include <QMenuBar>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace {
enum DragState { Enter = 0, Leave = 1, Over = 2 };
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
    auto *box = qobject_cast<FieldBox *>(watched);
    if (!box || box->index() >= Board::FeldAnz)
        return QMainWindow::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::Paint:
        // Once the painting in progress is done, what waited for the board
        // to be on the screen may begin.
        if (!m_boardPainted) {
            m_boardPainted = true;
            QTimer::singleShot(0, this, &frmMain::runAfterFirstPaint);
        }
        return QMainWindow::eventFilter(watched, event);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (m_dragSource >= 0)
            return true;  // a second button during a drag changes nothing
        m_dragSource = box->index();
        m_dragGrabOffset = me->position().toPoint();
        QWidget *client = centralWidget();
        const QPoint topLeft = client->mapFromGlobal(me->globalPosition().toPoint()) - m_dragGrabOffset;
        m_dragOutline->setGeometry(QRect(topLeft, box->size()));
        m_dragOutline->show();
        m_dragOutline->raise();
        m_dragOver = m_dragSource;
        picBox_DragOver(m_dragOver, m_dragSource, Enter);
        return true;
    }
    case QEvent::MouseMove: {
        if (m_dragSource < 0)
            return true;
        auto *me = static_cast<QMouseEvent *>(event);
        const QPoint global = me->globalPosition().toPoint();
        m_dragOutline->move(centralWidget()->mapFromGlobal(global) - m_dragGrabOffset);
        const int field = fieldAt(global);
        if (field != m_dragOver) {
            if (m_dragOver >= 0)
                picBox_DragOver(m_dragOver, m_dragSource, Leave);
            m_dragOver = field;
            if (field >= 0)
                picBox_DragOver(field, m_dragSource, Enter);
        } else if (field >= 0) {
            picBox_DragOver(field, m_dragSource, Over);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (m_dragSource < 0)
            return true;
        auto *me = static_cast<QMouseEvent *>(event);
        const int source = m_dragSource;
        const int field = fieldAt(me->globalPosition().toPoint());
        endDrag();
        if (field >= 0)
            picBox_DragDrop(field, source);
        return true;
    }
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

int frmMain::fieldAt(const QPoint &globalPos) const
{
    const QPoint p = m_frame1->mapFromGlobal(globalPos);
    if (!m_frame1->rect().contains(p))
        return -1;
    for (int i = 0; i < Board::FeldAnz; ++i)
        if (m_picBox[i]->isVisible() && m_picBox[i]->geometry().contains(p))
            return i;
    return -1;
}

void frmMain::endDrag()
{
    m_dragSource = -1;
    m_dragOver = -1;
    m_dragOutline->hide();
}

void frmMain::cancelDrag()
{
    if (m_dragSource < 0)
        return;
    if (m_dragOver >= 0)
        m_picBox[m_dragOver]->setBackColor(FieldBox::buttonFace());
    endDrag();
}

void frmMain::changeEvent(QEvent *event)
{
    // A drag ends, with nothing counted, when the window is deactivated or
    // minimised: the release that ends it may never reach the window.
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow())
        || (event->type() == QEvent::WindowStateChange && isMinimized()))
        cancelDrag();
    QMainWindow::changeEvent(event);
}

void frmMain::hideEvent(QHideEvent *event)
{
    cancelDrag();
    QMainWindow::hideEvent(event);
}

void frmMain::picBox_DragOver(int index, int source, int state)
{
    // The dragged tile's home field, counted from 1; a field marked empty
    // has none and leaves the display as it is.
    if (const auto text = m_session.board().positionText(source))
        m_label[3]->setText(*text);
    if (state == Enter) {
        if (m_session.board().lightsUp(source, index))
            m_picBox[index]->setBackColor(FieldBox::dropTarget());
    } else if (state == Leave) {
        m_picBox[index]->setBackColor(FieldBox::buttonFace());
    }
}

void frmMain::picBox_DragDrop(int index, int source)
{
    const bool wasEmpty = !m_session.board().hasPicture(index);
    const int markedBefore = m_session.hintField();
    const Board::DropResult r = m_session.drop(source, index);
    if (r.ignored)
        return;
    if (r.counted)
        m_label[1]->setText(QString::number(m_session.zuege()));
    if (markedBefore >= 0 && m_session.hintField() < 0)
        m_picBox[markedBefore]->setHighlight(false);
    if (wasEmpty)
        m_picBox[index]->setBackColor(FieldBox::buttonFace());
    // Only the two fields of the drop change their pictures; any field
    // without a picture may have been marked empty.
    showField(index);
    showField(source);
    for (int p = 0; p < Board::FeldAnz; ++p)
        m_picBox[p]->Tag = m_session.board().tagText(p);
    if (r.won) {
        setBorders(false);
        emit gameWon();
        // The name box opens once this mouse event is over and the seamless
        // picture has been drawn; it gets the count of this drop, whatever
        // happens before it opens.
        const GameSession::Win win = m_session.win();
        QMetaObject::invokeMethod(this, [this, win] { gameOver(win); }, Qt::QueuedConnection);
    }
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // The arrow gives the direction in which the tile next to the empty
    // field moves into it; the move counts like a drop of that tile.
    GameSession::Arrow arrow;
    switch (event->key()) {
    case Qt::Key_Escape:
        // Esc puts a dragged tile back: nothing is counted or moved.
        cancelDrag();
        event->accept();
        if (menuBar()->hasFocus())
            setFocus();
        return;
    case Qt::Key_Left: arrow = GameSession::Arrow::Left; break;
    case Qt::Key_Right: arrow = GameSession::Arrow::Right; break;
    case Qt::Key_Up: arrow = GameSession::Arrow::Up; break;
    case Qt::Key_Down: arrow = GameSession::Arrow::Down; break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_dragSource >= 0)
        return;
    if (const auto source = m_session.arrowSource(arrow))
        picBox_DragDrop(m_session.board().emptyField(), *source);
}
