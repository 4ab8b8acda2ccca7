#include "app/CloseRequest.h"

#include "base/WindowPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstring>
#include <utility>

namespace {
unsigned int askAtom(xcb_connection_t *connection, const char *name)
{
    return xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name).sequence;
}

quint32 atomAnswer(xcb_connection_t *connection, unsigned int asked)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, xcb_intern_atom_cookie_t{asked}, nullptr);
    if (!reply)
        return 0;
    const quint32 atom = reply->atom;
    std::free(reply);
    return atom;
}
} // namespace

CloseRequestFilter::CloseRequestFilter(QWidget *mainWindow)
    : m_main(mainWindow)
{
    // Only the X11 platform: elsewhere the filter sees no X events and asks
    // no X server for anything.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t *connection = x11->connection()) {
            m_connection = connection;
            m_protocolsAsked = askAtom(connection, "WM_PROTOCOLS");
            m_deleteWindowAsked = askAtom(connection, "WM_DELETE_WINDOW");
        }
    }
}

CloseRequestFilter::~CloseRequestFilter()
{
    // Answers never read are let go.
    if (auto *connection = static_cast<xcb_connection_t *>(m_connection)) {
        xcb_discard_reply(connection, m_protocolsAsked);
        xcb_discard_reply(connection, m_deleteWindowAsked);
    }
}

void CloseRequestFilter::readAtoms()
{
    auto *connection = static_cast<xcb_connection_t *>(std::exchange(m_connection, nullptr));
    m_protocols = atomAnswer(connection, m_protocolsAsked);
    m_deleteWindow = atomAnswer(connection, m_deleteWindowAsked);
}

bool CloseRequestFilter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || !m_main)
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) != XCB_CLIENT_MESSAGE)
        return false;
    if (m_connection)
        readAtoms();
    if (!m_deleteWindow)
        return false;
    auto *client = reinterpret_cast<xcb_client_message_event_t *>(event);
    // Only the close request for the main window; _NET_WM_PING and the
    // other protocol messages go their usual way.
    if (client->format != 32 || client->type != m_protocols || client->data.data32[0] != m_deleteWindow
        || !m_main->isWindow() || client->window != quint32(m_main->winId()))
        return false;
    if (!QGuiApplication::modalWindow())
        return false;  // not blocked: Qt handles it
    QPointer<QWidget> main = m_main;
    QTimer::singleShot(0, main, [main] {
        if (main)
            main->close();
    });
    return true;
}

WaylandModality::WaylandModality(QWidget *mainWindow)
    : QObject(mainWindow)
    , m_main(mainWindow)
{
    if (WindowPlacement::compositorPlaces())
        qApp->installEventFilter(this);
}

const QWidget *WaylandModality::widgetOf(const QWindow *window) const
{
    if (!window)
        return nullptr;
    if (m_main->windowHandle() == window)
        return m_main;
    for (const QPointer<QWidget> &w : m_modal)
        if (w && w->windowHandle() == window)
            return w;
    return nullptr;
}

bool WaylandModality::blocked(const QWidget *window)
{
    m_modal.removeIf([](const QPointer<QWidget> &w) { return !w || !w->isVisible(); });
    if (!window || m_modal.isEmpty())
        return false;
    if (window == m_main)
        return true;
    // A secondary window under one opened after it (a message over the save
    // dialog) waits as well.
    for (qsizetype i = 0; i + 1 < m_modal.size(); ++i)
        if (m_modal.at(i) == window)
            return true;
    return false;
}

bool WaylandModality::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_main)
        return false;
    switch (event->type()) {
    case QEvent::Show: {
        // Sent once the native window exists and before it is mapped: it is
        // mapped without the platform's modality.
        if (!watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (window == m_main || !window->isWindow() || window->windowModality() == Qt::NonModal
            || !window->windowHandle())
            return false;
        window->windowHandle()->setModality(Qt::NonModal);
        m_modal.removeAll(window);
        m_modal.append(window);
        return false;
    }
    case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease: case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: case QEvent::Wheel: case QEvent::KeyPress: case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: case QEvent::ContextMenu: case QEvent::TouchBegin:
    case QEvent::TabletPress: {
        // Input for a window under an open secondary window, or anything in
        // it, waits until that one is closed.
        if (watched->isWidgetType())
            return blocked(static_cast<QWidget *>(watched)->window());
        return watched->isWindowType() && blocked(widgetOf(static_cast<QWindow *>(watched)));
    }
    case QEvent::Shortcut: {
        // A menu command's key, while such a window has the keyboard.
        return blocked(widgetOf(QGuiApplication::focusWindow()));
    }
    default:
        return false;
    }
}
