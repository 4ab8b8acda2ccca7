// A small helper for the end-to-end tests, run on the X server under test
// (xcb platform):
//   e2e_xhelper grab <file.png> <x> <y> <w> <h>
//       saves that rectangle of the screen, as the X server shows it, as PNG
//   e2e_xhelper close <window id>
//       asks the window manager to close that top-level window, as its close
//       box does (_NET_CLOSE_WINDOW to the root window)
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

int closeWindow(unsigned long window)
{
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "e2e_xhelper: no X display\n");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = xcb_window_t(window);
    ev.type = atom(c, "_NET_CLOSE_WINDOW");
    ev.data.data32[0] = XCB_CURRENT_TIME;
    ev.data.data32[1] = 2;  // source: a pager or task bar, on the player's behalf
    xcb_send_event(c, 0, it.data->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&ev));
    xcb_flush(c);
    // A round trip, so the request has reached the server before we leave.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0)
        return closeWindow(std::strtoul(argv[2], nullptr, 0));

    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();

    if (args.size() == 7 && args[1] == QLatin1String("grab")) {
        QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return 2;
        const QPixmap shot = screen->grabWindow(0, args[3].toInt(), args[4].toInt(), args[5].toInt(),
                                                args[6].toInt());
        return shot.toImage().convertToFormat(QImage::Format_RGB32).save(args[2], "PNG") ? 0 : 1;
    }
    std::fprintf(stderr, "usage: e2e_xhelper grab <file.png> <x> <y> <w> <h> | close <id>\n");
    return 2;
}
