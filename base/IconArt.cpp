#include "base/IconArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace IconArt {

QImage programIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Everything is laid out on a 32-unit grid and scaled to the size asked for.
    p.scale(size / 32.0, size / 32.0);

    // The board: a dark frame.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 90));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 3, 3);

    // Fifteen tiles and the empty field, coloured like a picture cut in squares.
    const qreal cell = 7.0;
    const qreal gap = 0.8;
    for (int i = 0; i < 16; ++i) {
        const int row = i / 4;
        const int col = i % 4;
        const QRectF r(2.0 + col * cell + gap / 2, 2.0 + row * cell + gap / 2, cell - gap, cell - gap);
        if (i == 15) {
            p.setBrush(QColor(220, 220, 150));                  // the empty field
            p.drawRoundedRect(r, 1, 1);
            continue;
        }
        QLinearGradient g(r.topLeft(), r.bottomRight());
        const QColor base = QColor::fromHsv((200 + i * 9) % 360, 150 + (i % 3) * 30, 255 - row * 25);
        g.setColorAt(0, base.lighter(130));
        g.setColorAt(1, base.darker(115));
        p.setBrush(g);
        p.drawRoundedRect(r, 1, 1);
    }
    // The tile on its way into the empty field.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 200), 0.8));
    p.drawRoundedRect(QRectF(2.0 + 3 * cell + gap / 2, 2.0 + 3 * cell + gap / 2, cell - gap, cell - gap), 1, 1);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

QImage handCursor()
{
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // A hand pointing up: the index finger, three bent fingers, thumb and palm.
    QPainterPath hand;
    hand.addRoundedRect(QRectF(9, 1, 5, 18), 2.5, 2.5);     // index finger
    hand.addRoundedRect(QRectF(13.5, 9, 4.5, 10), 2.2, 2.2);
    hand.addRoundedRect(QRectF(17.5, 10, 4.5, 10), 2.2, 2.2);
    hand.addRoundedRect(QRectF(21.5, 11.5, 4.5, 9.5), 2.2, 2.2);
    QPainterPath thumb;
    thumb.moveTo(9.5, 17);
    thumb.lineTo(5.5, 13.5);
    thumb.cubicTo(3.5, 12, 1.5, 14, 3, 16.5);
    thumb.lineTo(8.5, 24);
    thumb.closeSubpath();
    QPainterPath palm;
    palm.addRoundedRect(QRectF(8, 15, 18, 14), 4, 4);
    hand = hand.united(thumb).united(palm).simplified();

    p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    // The gaps between the bent fingers.
    p.drawLine(QPointF(13.8, 12), QPointF(13.8, 17));
    p.drawLine(QPointF(17.8, 12), QPointF(17.8, 18));
    p.drawLine(QPointF(21.8, 13), QPointF(21.8, 18.5));
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

} // namespace IconArt
