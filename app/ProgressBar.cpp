#include "app/ProgressBar.h"

#include <QPainter>

ProgressBar::ProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(220, 220, 150));
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    const qint64 span = qint64(maximum()) - minimum();
    if (span > 0 && value() > minimum()) {
        const int w = int(inside.width() * (qint64(value()) - minimum()) / span);
        p.fillRect(QRect(inside.topLeft(), QSize(w, inside.height())), QColor(100, 100, 255));
    }
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
