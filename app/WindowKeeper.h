#pragma once
// The main window's size and state between runs. Before it is first shown
// the window is given its size and state as the player left them (the size
// reduced to fit the screen's area with its frame, never below the
// window's minimum); from then on its size and state are reported once
// they have stood still a moment, when the player has changed them. The
// size reported is the one the window has when neither maximised nor
// fullscreen. A window manager may drop maximised while a window is
// fullscreen: leaving fullscreen brings back the state before it.
#include "app/WindowSettings.h"

#include <QObject>
#include <QTimer>

#include <optional>

class QWidget;

class WindowKeeper : public QObject
{
    Q_OBJECT
public:
    // How long the window's size and state stand still before they are reported.
    static constexpr int SteadyMillis = 500;

    explicit WindowKeeper(QWidget *window);

    // The window's size and state as kept, given before it is first shown.
    void restore(const WindowSettings::State &kept);
    // Fullscreen on, or off again.
    void toggleFullScreen();
    // A change not reported yet is reported now.
    void flush();

signals:
    void changed(const WindowSettings::State &state);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void report();

    QWidget *m_window;
    QTimer m_steady;
    QSize m_normalSize;
    bool m_maximizedBeneath = false;                 // fullscreen over a maximised window
    std::optional<WindowSettings::State> m_opened;   // as the window opened, until the player changes it
};
