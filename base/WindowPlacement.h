#pragma once
// Placing top-level windows by their outer (framed) geometry.
//
// Under X11 the frame a window manager draws around a window is read from the
// window manager itself (the extents it publishes on the window, asked for
// before the window is first shown), and the window's place is read from the
// X server: the toolkit's own idea of the frame may be missing or late. A
// window that does not stand where it should once it is framed is moved by
// asking the window manager to put its frame there. Without a window manager
// the frame is empty; on other platforms the toolkit's frame is used.
//
// Frames are measured and placed in the pixels of the screen a window is on
// (at a scale factor other than 1 those are not the program's logical
// pixels); positions and sizes are taken and given in twips, fine enough to
// stand for a device pixel at every scale.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

namespace WindowPlacement {

// The window's outer rectangle, frame included, where the X server shows it,
// in twips. The frame is the window manager's for this window (asked for
// before it is shown), until known its owner's (a window of this program
// gets the same decoration as its owner).
QRect frameTwips(const QWidget *window);

// Runs place now, and again while the window is framed but does not yet
// stand still where place puts it (looked after for up to ten seconds, so
// that a slow window manager on a busy machine is waited for). A window the
// player minimises is left alone.
void whenFramed(QWidget *window, const std::function<void()> &place);

// The compositor places the windows (Wayland): a window asking for a
// position is not heeded there, so none is asked for.
bool compositorPlaces();

// Keeps every other top-level window of the program over mainWindow: a window
// shown without an owner of its own gets mainWindow as its transient parent
// before it is first mapped, so that a compositor that places windows itself
// stacks it over the main window. (A window made with a parent widget already
// has that parent as its owner and keeps it.)
void keepOverMainWindow(QWidget *mainWindow);

// Asks the window manager now for the frame it will give window (a top-level
// window not yet shown), without waiting: the answer comes while the window
// is built, and placing it before it is shown then waits less or not at all.
void askFrameEarly(QWidget *window);

// Puts the frame's upper-left corner of window at twips now.
void placeFrameNow(QWidget *window, const QPoint &twips);

// Centres window's frame in the available area of the screen it is on, in
// that screen's own pixels: Left = (area width - window width) / 2 + area
// left, Top likewise, in single precision. Before the window is shown its
// size is the one it will take.
void centreFrame(QWidget *window);

// The client size a window is given for wanted: within an area of that size
// with its frame, and not smaller than smallest (which wins where the area is
// too small for it).
QSize fitted(const QSize &wanted, const QSize &smallest, const QMargins &frame, const QSize &area);

// The same now and again once the window is framed.
void placeFrameAt(QWidget *window, const QPoint &twips);

// Brings the main window to the front (a second start asks for this), and
// over it the secondary window open on it, if any.
void bringForward(QWidget *mainWindow);

} // namespace WindowPlacement
