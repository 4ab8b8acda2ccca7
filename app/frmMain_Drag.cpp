// Moving tiles: a manual drag inside the board, built from mouse press, move
// and release on the fields. Press starts the drag of that field, an outline
// of the field follows the pointer, crossing fields gives the drag-over
// notifications (enter, leave, over) and the release drops on the field under
// the pointer.
#include "app/frmMain.h"

#include "app/FieldBox.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QRubberBand>

namespace {
enum DragState { Enter = 0, Leave = 1, Over = 2 };
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<FieldBox *>(watched);
    if (!box || box->index() >= Board::FeldAnz)
        return QMainWindow::eventFilter(watched, event);

    switch (event->type()) {
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

void frmMain::picBox_DragOver(int index, int source, int state)
{
    // The dragged tile's home field, counted from 1; the empty field ("leer")
    // has none and leaves the display as it is.
    if (const auto text = m_board.positionText(source))
        m_label[3]->setText(*text);
    if (state == Enter) {
        if (m_board.lightsUp(source, index))
            m_picBox[index]->setBackColor(FieldBox::dropTarget());
    } else if (state == Leave) {
        m_picBox[index]->setBackColor(FieldBox::buttonFace());
    }
}

void frmMain::picBox_DragDrop(int index, int source)
{
    const bool wasEmpty = !m_board.hasPicture(index);
    const Board::DropResult r = m_board.drop(source, index);
    if (r.ignored)
        return;
    if (r.counted)
        m_label[1]->setText(QString::number(m_board.zuege()));
    if (r.moved) {
        // a hint shown for the old position no longer applies
        ++m_positionNumber;
        if (m_hintField >= 0)
            m_picBox[m_hintField]->setHighlight(false);
        m_hintField = -1;
    }
    if (wasEmpty)
        m_picBox[index]->setBackColor(FieldBox::buttonFace());
    showField(index);
    showField(source);
    for (int p = 0; p < Board::FeldAnz; ++p)
        m_picBox[p]->Tag = m_board.tag(p);
    if (r.won) {
        setBorders(false);
        emit gameWon();
        // The name box opens once this mouse event is over and the seamless
        // picture has been drawn.
        QMetaObject::invokeMethod(this, [this] { gameOver(); }, Qt::QueuedConnection);
    }
}
