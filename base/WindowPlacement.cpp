#include "base/WindowPlacement.h"

#include "base/Twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

// The X server and the window manager speak in the screen's own (device)
// pixels, the program's windows in Qt's logical pixels: a screen's logical
// and device coordinates share its top-left corner, and a logical pixel is
// the screen's scale factor of device pixels wide. Frames are measured and
// placed in device pixels, so that a window stands where it should at every
// scale; what the program asks and is told is in twips.
namespace WindowPlacement {

namespace {

// Moves asked for so far; whenFramed tells by it whether a round of
// placing changed anything.
int movesAsked = 0;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T *r)
{
    return Reply<T>(r, &std::free);
}

// The X server the window is on, and the window manager's services on it.
struct X11
{
    xcb_connection_t *c = nullptr;
    xcb_window_t window = 0;
    xcb_window_t root = 0;

    // Atoms are interned once: the program keeps one connection.
    xcb_atom_t atom(const char *name) const
    {
        static QHash<QByteArray, xcb_atom_t> known;
        if (const auto it = known.constFind(name); it != known.constEnd())
            return *it;
        auto r = reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return r ? known[name] = r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::vector<uint32_t> property(xcb_window_t w, const char *name, xcb_atom_t type, uint32_t length) const
    {
        auto r = reply(xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom(name), type, 0, length), nullptr));
        if (!r || r->format != 32)
            return {};
        const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(r.get()));
        return std::vector<uint32_t>(v, v + xcb_get_property_value_length(r.get()) / 4);
    }

    // The window manager offers the named service.
    bool offers(const char *name) const
    {
        const std::vector<uint32_t> supported = property(root, "_NET_SUPPORTED", XCB_ATOM_ATOM, 4096);
        return std::find(supported.begin(), supported.end(), atom(name)) != supported.end();
    }
    // A window manager runs: it names its check window on the root window.
    // Asked once for each lookup of the window's server.
    bool managed() const
    {
        if (!m_managed)
            m_managed = !property(root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, 1).empty();
        return *m_managed;
    }

    // The frame's extents the window manager published on w (left, right,
    // top, bottom), if it has.
    std::optional<QMargins> extents(xcb_window_t w) const
    {
        const std::vector<uint32_t> e = property(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 4);
        if (e.size() != 4)
            return std::nullopt;
        return QMargins(int(e[0]), int(e[2]), int(e[1]), int(e[3]));
    }

    bool viewable() const
    {
        auto r = reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The client area's upper-left corner on the screen.
    std::optional<QPoint> origin() const
    {
        auto r = reply(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
        if (!r)
            return std::nullopt;
        return QPoint(r->dst_x, r->dst_y);
    }

    void tellWindowManager(const char *message, const std::array<uint32_t, 5> &data) const
    {
        xcb_client_message_event_t ev;
        std::memset(&ev, 0, sizeof ev);
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = window;
        ev.type = atom(message);
        std::memcpy(ev.data.data32, data.data(), sizeof ev.data.data32);
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&ev));
        xcb_flush(c);
    }

private:
    mutable std::optional<bool> m_managed;
};

// The X server of a top-level window, or none on another platform. A window
// without an owner is made native now if it was not yet; one with an owner
// is left until it is shown, as asking it for its id would mark it native,
// and that makes every child of its owner (the main window's client area
// and menu bar) a native window of its own. Until then it has none.
std::optional<X11> x11(const QWidget *window)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    auto *app = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!app || !app->connection())
        return std::nullopt;
    window = window->window();
    if (!window->internalWinId() && window->parentWidget())
        return std::nullopt;
    X11 x;
    x.c = app->connection();
    x.window = xcb_window_t(window->winId());
    auto tree = reply(xcb_query_tree_reply(x.c, xcb_query_tree(x.c, x.window), nullptr));
    if (!tree)
        return std::nullopt;
    x.root = tree->root;
    return x;
}

// When the window manager was asked for a window's frame extents (the
// monotonic clock's milliseconds), kept on the window; 0: not asked.
const char *const ExtentsAsked = "zandorFrameExtentsAsked";
constexpr qint64 ExtentsWaitMillis = 500;

// Asks the window manager for window's frame extents once, if it offers them.
void askExtents(const QWidget *window, const X11 &x)
{
    if (window->property(ExtentsAsked).toLongLong() != 0 || !x.offers("_NET_REQUEST_FRAME_EXTENTS"))
        return;
    QElapsedTimer clock;
    clock.start();
    const_cast<QWidget *>(window)->setProperty(ExtentsAsked, qMax<qint64>(1, clock.msecsSinceReference()));
    x.tellWindowManager("_NET_REQUEST_FRAME_EXTENTS", {0, 0, 0, 0, 0});
}

// The extents of window's frame as the window manager tells them. Before a
// window is first shown it has none yet: the window manager is asked for
// them once, and its answer awaited until a moment after the question.
std::optional<QMargins> wmExtents(const QWidget *window, const X11 &x)
{
    if (std::optional<QMargins> e = x.extents(x.window))
        return e;
    askExtents(window, x);
    const qint64 asked = window->property(ExtentsAsked).toLongLong();
    if (asked == 0)
        return std::nullopt;
    QElapsedTimer clock;
    clock.start();
    while (clock.msecsSinceReference() - asked < ExtentsWaitMillis) {
        if (std::optional<QMargins> e = x.extents(x.window))
            return e;
        QThread::msleep(2);
    }
    return std::nullopt;
}

// How a screen's logical pixels map onto its own.
struct Scale
{
    QPoint origin;
    qreal factor = 1;

    explicit Scale(const QWidget *window)
    {
        const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (screen)
            origin = screen->geometry().topLeft(), factor = screen->devicePixelRatio();
    }
    QPoint device(const QPointF &logical) const { return (QPointF(origin) + (logical - QPointF(origin)) * factor).toPoint(); }
    QPointF logical(const QPoint &device) const { return QPointF(origin) + QPointF(device - origin) / factor; }
    QSize device(const QSize &logical) const { return (QSizeF(logical) * factor).toSize(); }
    QRect device(const QRect &logical) const { return QRect(device(QPointF(logical.topLeft())), device(logical.size())); }
    QMargins device(const QMargins &m) const
    {
        return QMargins(qRound(m.left() * factor), qRound(m.top() * factor), qRound(m.right() * factor),
                        qRound(m.bottom() * factor));
    }
};

// The toolkit's idea of the frame, in logical pixels.
QMargins qtMargins(const QWidget *window)
{
    const QRect f = window->frameGeometry(), g = window->geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

// Whether the window is shown and its frame (if any) drawn.
bool isFramed(const QWidget *window)
{
    if (!window->isVisible())
        return false;
    if (const std::optional<X11> x = x11(window))
        return x->viewable() && (!x->managed() || x->extents(x->window) || !qtMargins(window).isNull());
    return !qtMargins(window).isNull();
}

// The frame's margins of window on the X server x (none: another platform),
// in device pixels.
QMargins marginsOn(const QWidget *window, const std::optional<X11> &x)
{
    if (x && !x->managed())
        return QMargins();
    if (x)
        if (std::optional<QMargins> e = wmExtents(window, *x))
            return *e;
    const QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (x && owner && owner->internalWinId())
        if (std::optional<QMargins> e = x->extents(xcb_window_t(owner->internalWinId())))
            return *e;
    const QMargins own = qtMargins(window);
    return Scale(window).device(own.isNull() && owner ? qtMargins(owner) : own);
}

// The window's outer rectangle in device pixels.
QRect frameOn(const QWidget *window, const std::optional<X11> &x)
{
    QRect client = Scale(window).device(window->geometry());
    if (x && x->viewable())
        if (const std::optional<QPoint> at = x->origin())
            client.moveTopLeft(*at);
    return client.marginsAdded(marginsOn(window, x));
}

// Puts the frame's upper-left corner of window at target (device pixels).
void placeFrameOn(QWidget *window, const QPoint &target)
{
    if (compositorPlaces())
        return;
    // A framed window is moved by the window manager, which puts the frame's
    // upper-left corner where asked (north-west gravity, position given).
    const std::optional<X11> x = x11(window);
    if (x && x->managed() && x->viewable() && x->extents(x->window) && x->offers("_NET_MOVERESIZE_WINDOW")) {
        if (frameOn(window, x).topLeft() == target)
            return;
        ++movesAsked;
        const uint32_t northWest = 1, givenX = 1u << 8, givenY = 1u << 9, fromApplication = 1u << 12;
        x->tellWindowManager("_NET_MOVERESIZE_WINDOW", {northWest | givenX | givenY | fromApplication,
                                                        uint32_t(target.x()), uint32_t(target.y()), 0, 0});
        return;
    }
    // Otherwise the client area is placed inside where the frame is to
    // stand. A window not made yet is given its client area's place (a
    // window manager keeps a client area placed by the program where it is
    // and puts the frame around it); move() on a window that is made adds
    // the toolkit's idea of the frame, which is taken out again.
    const Scale scale(window);
    const QMargins m = marginsOn(window, x);
    const QPoint client = scale.logical(target + QPoint(m.left(), m.top())).toPoint();
    if (!window->testAttribute(Qt::WA_WState_Created)) {
        if (window->geometry().topLeft() != client) {
            ++movesAsked;
            window->setGeometry(QRect(client, window->size()));
        }
    } else if (window->geometry().topLeft() != client) {
        ++movesAsked;
        window->move(client - (window->geometry().topLeft() - window->pos()));
    }
}

} // namespace

QRect frameTwips(const QWidget *window)
{
    const Scale scale(window);
    const QRect device = frameOn(window, x11(window));
    const QPointF at = scale.logical(device.topLeft()) * Twips::PerPixel;
    const QSizeF size = QSizeF(device.size()) / scale.factor * Twips::PerPixel;
    return QRect(QPoint(qRound(at.x()), qRound(at.y())), QSize(qRound(size.width()), qRound(size.height())));
}

bool compositorPlaces()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

namespace {

class TransientOwner : public QObject
{
public:
    explicit TransientOwner(QWidget *mainWindow)
        : QObject(mainWindow)
        , m_main(mainWindow)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A widget's show event comes after its native window is made and
        // before that window is mapped.
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!m_main || window == m_main || !window->isWindow() || !window->windowHandle()
            || window->windowHandle()->transientParent() || !m_main->windowHandle()
            || (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog))
            return false;
        window->windowHandle()->setTransientParent(m_main->windowHandle());
        return false;
    }

private:
    QPointer<QWidget> m_main;
};

} // namespace

void keepOverMainWindow(QWidget *mainWindow)
{
    qApp->installEventFilter(new TransientOwner(mainWindow));
}

void askFrameEarly(QWidget *window)
{
    if (const std::optional<X11> x = x11(window); x && x->managed())
        askExtents(window, *x);
}

void placeFrameNow(QWidget *window, const QPoint &twips)
{
    placeFrameOn(window, Scale(window).device(QPointF(twips) / Twips::PerPixel));
}

void centreFrame(QWidget *window)
{
    // In the screen's own pixels: Left = (area width - window width) / 2 +
    // area left, the same for Top, in single precision, truncated.
    const Scale scale(window);
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = scale.device(screen->availableGeometry());
    const std::optional<X11> x = x11(window);
    // Before the window is first shown the size it will take is the best
    // estimate of its client area.
    const QSize size = window->isVisible()
                           ? frameOn(window, x).size()
                           : scale.device(window->size().expandedTo(window->sizeHint())).grownBy(marginsOn(window, x));
    const float left = float(area.width() - size.width()) / 2.0f + float(area.left());
    const float top = float(area.height() - size.height()) / 2.0f + float(area.top());
    placeFrameOn(window, QPoint(int(left), int(top)));
}

QSize fitted(const QSize &wanted, const QSize &smallest, const QMargins &frame, const QSize &area)
{
    const QSize room = area.shrunkBy(frame);
    return wanted.boundedTo(room).expandedTo(smallest);
}

void whenFramed(QWidget *window, const std::function<void()> &place)
{
    place();
    if (compositorPlaces())
        return;
    // Once framed the window is placed again on each tick until a round of
    // placing moves nothing and the window has stood still for a moment
    // (a window manager may move a window once more after framing it); then
    // it is left alone, so that the player can move it.
    auto *check = new QTimer(window);
    check->setInterval(25);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    auto still = std::make_shared<int>(0);
    auto last = std::make_shared<QPoint>();
    QObject::connect(check, &QTimer::timeout, window, [window, check, place, since, still, last] {
        if (window->isMinimized() || since->elapsed() > 10000) {
            check->deleteLater();
            return;
        }
        if (!isFramed(window))
            return;
        const int before = movesAsked;
        place();
        const QPoint now = frameOn(window, x11(window)).topLeft();
        *still = movesAsked == before && now == *last ? *still + 1 : 0;
        *last = now;
        if (*still >= 8)
            check->deleteLater();
    });
    check->start();
}

void placeFrameAt(QWidget *window, const QPoint &twips)
{
    QPointer<QWidget> guard(window);
    whenFramed(window, [guard, twips] {
        if (guard)
            placeFrameNow(guard, twips);
    });
}

void bringForward(QWidget *w)
{
    // Minimised, it comes back as it was (maximised, say).
    if (w->isMinimized())
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
    // Under Wayland the compositor decides whether the window may come
    // forward; the request is all a program can make there.
    if (QWindow *handle = w->windowHandle())
        handle->requestActivate();
    // A secondary window that is open keeps the game; bring it up as well.
    // (Under Wayland the game keeps such windows modal itself, so Qt knows
    // none: the newest visible one of them is taken.)
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        for (QWidget *other : QApplication::topLevelWidgets())
            if (other != w && other->isVisible() && !(other->windowType() == Qt::Popup || other->windowType() == Qt::ToolTip))
                modal = other;
    if (modal) {
        modal->raise();
        modal->activateWindow();
        if (QWindow *handle = modal->windowHandle())
            handle->requestActivate();
    }
}

} // namespace WindowPlacement
