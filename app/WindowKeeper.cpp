#include "app/WindowKeeper.h"

#include "base/Twips.h"
#include "base/WindowPlacement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

WindowKeeper::WindowKeeper(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_steady.setSingleShot(true);
    m_steady.setInterval(SteadyMillis);
    connect(&m_steady, &QTimer::timeout, this, &WindowKeeper::report);
    window->installEventFilter(this);
}

void WindowKeeper::restore(const WindowSettings::State &kept)
{
    m_normalSize = m_window->minimumSize();
    if (kept.size.isValid()) {
        if (const QScreen *screen = m_window->screen()) {
            // The frame the window manager draws around the window, in logical pixels.
            const QSize framed = (QSizeF(WindowPlacement::frameTwips(m_window).size()) / Twips::PerPixel).toSize();
            const QSize frame = (framed - m_window->size()).expandedTo(QSize(0, 0));
            m_normalSize = WindowPlacement::fitted(kept.size, m_window->minimumSize(),
                                                   QMargins(0, 0, frame.width(), frame.height()),
                                                   screen->availableGeometry().size());
        }
    }
    m_window->resize(m_normalSize);
    m_window->setWindowState((kept.maximized ? Qt::WindowMaximized : Qt::WindowNoState)
                             | (kept.fullScreen ? Qt::WindowFullScreen : Qt::WindowNoState));
    m_maximizedBeneath = kept.maximized;
    m_opened = WindowSettings::State{m_normalSize, kept.maximized, kept.fullScreen};
}

void WindowKeeper::toggleFullScreen()
{
    const Qt::WindowStates state = m_window->windowState();
    if (state & Qt::WindowFullScreen) {
        m_window->setWindowState((state & ~Qt::WindowFullScreen)
                                 | (m_maximizedBeneath ? Qt::WindowMaximized : Qt::WindowNoState));
    } else {
        m_maximizedBeneath = state & Qt::WindowMaximized;
        m_window->setWindowState(state | Qt::WindowFullScreen);
    }
}

void WindowKeeper::flush()
{
    if (m_steady.isActive()) {
        m_steady.stop();
        report();
    }
}

bool WindowKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange))
        m_steady.start();
    return false;
}

void WindowKeeper::report()
{
    const Qt::WindowStates state = m_window->windowState();
    if ((state & Qt::WindowMinimized) || !m_window->isVisible())
        return;
    // The state before fullscreen is the one it comes back to.
    if (!(state & Qt::WindowFullScreen))
        m_maximizedBeneath = state & Qt::WindowMaximized;
    if (!(state & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        m_normalSize = m_window->size();
    const WindowSettings::State now{m_normalSize,
                                    (state & Qt::WindowMaximized) || ((state & Qt::WindowFullScreen) && m_maximizedBeneath),
                                    bool(state & Qt::WindowFullScreen)};
    // As the window opened (its size perhaps reduced to this screen): the
    // player has changed nothing to keep.
    if (m_opened == now)
        return;
    m_opened.reset();
    emit changed(now);
}
