#include "app/FieldBox.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

FieldBox::FieldBox(int index, QWidget *parent)
    : QWidget(parent)
    , m_index(index)
    , m_back(buttonFace())
{
    setObjectName(QStringLiteral("picBox%1").arg(index));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor FieldBox::buttonFace()
{
    // A clearly darker shade of the window colour, so that the white of a
    // lit drop target stands out at a glance.
    return QApplication::palette().color(QPalette::Window).darker(135);
}

void FieldBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void FieldBox::setBorder(bool single)
{
    if (m_border == single)
        return;
    m_border = single;
    update();
}

QSize FieldBox::innerSize() const
{
    const int b = m_border ? 2 : 0;
    return QSize(qMax(0, width() - b), qMax(0, height() - b));
}

void FieldBox::setBackColor(const QColor &color)
{
    if (m_back == color)
        return;
    m_back = color;
    update();
}

void FieldBox::setHighlight(bool on)
{
    if (m_highlight == on)
        return;
    m_highlight = on;
    update();
}

void FieldBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int b = m_border ? 1 : 0;
    const QRect inner(b, b, width() - 2 * b, height() - 2 * b);
    p.fillRect(rect(), m_back);
    if (!m_picture.isNull()) {
        p.setClipRect(inner);
        p.drawImage(inner.topLeft(), m_picture);
        p.setClipping(false);
    }
    if (m_border) {
        p.setPen(QPen(QColor(0, 0, 0), 0));
        p.drawRect(0, 0, width() - 1, height() - 1);
    }
    if (m_highlight) {
        p.fillRect(rect(), QColor(255, 200, 0, 70));
        const int w = 5;
        p.setPen(QPen(QColor(255, 140, 0), w));
        p.drawRect(QRectF(w / 2.0, w / 2.0, width() - w, height() - w));
    }
}

DragOutline::DragOutline(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void DragOutline::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(QColor(40, 40, 40), 2, Qt::DashLine));
    p.drawRect(QRectF(1, 1, width() - 2, height() - 2));
}
