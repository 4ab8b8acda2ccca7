#include "base/WindowPlacement.h"

#include <QPointer>
#include <QTimer>

#include <memory>

namespace WindowPlacement {

void whenFramed(QWidget *window, const std::function<void()> &place)
{
    place();
    auto *check = new QTimer(window);
    check->setInterval(25);
    auto tries = std::make_shared<int>(0);
    QObject::connect(check, &QTimer::timeout, window, [window, check, place, tries] {
        const bool framed = window->frameGeometry() != window->geometry();
        if (window->isVisible() && framed) {
            place();
            check->deleteLater();
        } else if (++*tries >= 40) {
            check->deleteLater();
        }
    });
    check->start();
}

void placeFrameAt(QWidget *window, const QPoint &target)
{
    QPointer<QWidget> guard(window);
    whenFramed(window, [guard, target] {
        if (guard && guard->frameGeometry().topLeft() != target)
            guard->move(target);
    });
}

} // namespace WindowPlacement
