#pragma once
// Windows whose controls stand at fixed design positions, grown to their
// texts. At the normal font every control keeps its design rectangle unless
// its text would touch its edges; with a larger font a control grows as far
// as its text needs, the controls to its right and below move along by as
// much, and the window grows to hold them with its design margins.
#include <QRect>
#include <QSize>
#include <QVector>

class QWidget;

namespace FixedLayout {

// How a control follows its parent once the parent has grown.
enum Follow {
    Stays = 0,
    Widens = 1,      // keeps its distance to the parent's right edge by growing
    Heightens = 2,   // keeps its distance to the parent's bottom edge by growing
    MovesRight = 4,  // keeps its distance to the parent's right edge by moving
};

struct Control {
    QWidget *widget = nullptr;
    QRect design;          // logical pixels within the parent
    int follow = Stays;
    QSize need;            // what the control needs; invalid: neededSize(widget)
};

// The space a control needs to show its text whole, without its edges
// touching the text: labels and buttons their text with the style's frame,
// a line edit one line of its font in height, a text box that does not wrap
// its widest line. Other controls need nothing of their own (0 x 0).
QSize neededSize(const QWidget *widget);

// Gives every control its design rectangle grown to its need, moves the
// controls right of and below a grown one by as much, and returns the size
// the parent needs. A control grown in place may reach into the parent's
// margin up to MinMargin from its edge; once grown controls push others
// beyond the design extent, the parent grows to hold them with its design
// margins. The controls that follow the
// parent are then widened or moved by the parent's growth. The rectangles
// given go to the controls' widgets and, when asked, to placed.
constexpr int MinMargin = 2;
QSize fit(const QVector<Control> &controls, QSize designParent, QVector<QRect> *placed = nullptr);

// A widget for the controls of a window that has no central widget of its
// own, kept at the window's centre.
QWidget *centredClient(QWidget *window);

// The window keeps its own size: client, the widget holding its controls,
// is clientSize, and the window as large as it with the menu bar (if any)
// above it. The window's minimum and maximum size are that size, so that a
// window manager offers no maximise. A compositor that decides the sizes of
// windows (Wayland) may maximise it or make it fullscreen all the same, and
// the window must then take exactly the size it is given: there it has no
// maximum, takes whatever it is given with the client at its centre, and
// comes back to its own size when released.
void keepSize(QWidget *window, QWidget *client, const QSize &clientSize);

} // namespace FixedLayout
