#pragma once
// The keys of a combination that stopped the played solution: any key stops
// it, and that key, with every key pressed with it until all are released,
// does nothing else (not the shortcut it may stand for, nor one a key
// pressed with it would make).
#include <QKeyEvent>

#include <set>

class SwallowedKeys
{
public:
    // Takes a key event of the window: stopping (and true) when it is a
    // press while running says the solution plays; true while the keys of
    // that combination are down, the event accepted.
    template <typename Stop>
    bool take(QKeyEvent *key, bool running, Stop stop)
    {
        const QEvent::Type type = key->type();
        if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && running) {
            stop();
            m_on = true;
            m_down = {key->key()};
        }
        if (!m_on)
            return false;
        if (type == QEvent::KeyPress && !key->isAutoRepeat())
            m_down.insert(key->key());
        if (type == QEvent::KeyRelease && !key->isAutoRepeat()) {
            m_down.erase(key->key());
            m_on = !m_down.empty();
        }
        key->accept();
        return true;
    }
    // The window lost the keyboard: the releases may never come.
    void clear() { m_on = false; }

private:
    bool m_on = false;
    std::set<int> m_down;
};
