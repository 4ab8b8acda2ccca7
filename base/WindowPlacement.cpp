#include "base/WindowPlacement.h"

#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace WindowPlacement {

QPoint frameOffset(const QWidget *window)
{
    const QPoint own = window->geometry().topLeft() - window->frameGeometry().topLeft();
    if (!own.isNull() || !window->parentWidget())
        return own;
    const QWidget *owner = window->parentWidget()->window();
    return owner->geometry().topLeft() - owner->frameGeometry().topLeft();
}

namespace {

bool isFramed(const QWidget *window)
{
    return !frameOffset(window).isNull();
}

} // namespace

void whenFramed(QWidget *window, const std::function<void()> &place)
{
    place();
    // Once the frame is known the window is placed again, and again on each
    // tick while the window manager still moves it (some place a window a
    // second time after framing it); it is left alone once it has stood
    // still for a moment, so that the player can move it.
    auto *check = new QTimer(window);
    check->setInterval(25);
    auto tries = std::make_shared<int>(0);
    auto still = std::make_shared<int>(0);
    auto last = std::make_shared<QPoint>();
    QObject::connect(check, &QTimer::timeout, window, [window, check, place, tries, still, last] {
        // A window the player has minimised is not placed any more.
        if (window->isMinimized()) {
            check->deleteLater();
            return;
        }
        if (window->isVisible() && isFramed(window)) {
            place();
            const QPoint now = window->frameGeometry().topLeft();
            *still = now == *last ? *still + 1 : 0;
            *last = now;
            if (*still >= 8)
                check->deleteLater();
        }
        if (++*tries >= 200)
            check->deleteLater();
    });
    check->start();
}

void placeFrameNow(QWidget *window, const QPoint &target)
{
    const QPoint client = target + frameOffset(window);
    if (window->geometry().topLeft() != client)
        window->setGeometry(QRect(client, window->size()));
}

void placeFrameAt(QWidget *window, const QPoint &target)
{
    // The client area is placed, below and right of where the frame is to
    // stand: this holds whether or not the toolkit knows the frame yet.
    QPointer<QWidget> guard(window);
    whenFramed(window, [guard, target] {
        if (guard)
            placeFrameNow(guard, target);
    });
}

} // namespace WindowPlacement
