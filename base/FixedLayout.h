#pragma once
// Windows whose controls stand at fixed design positions, grown to their
// texts. At the normal font every control keeps its design rectangle unless
// its text would touch its edges; with a larger font a control grows as far
// as its text needs, the controls to its right and below move along by as
// much, and the window grows to hold them with its design margins.
#include "base/WindowPlacement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QRect>
#include <QSize>
#include <QVector>
#include <QWidget>
#include <utility>

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

// A widget for the controls of a window, kept at the centre of the window
// (of a main window: of the room below its menu bar, its central widget).
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

// One of Qt's dialogs that size themselves to their content (a message box,
// an input box), taking the size a compositor gives it as keepSize does.
// Elsewhere it is the dialog as Qt makes it. Where the compositor decides:
// once shown, and whenever it has sized itself, the dialog has no maximum;
// its layout keeps its content at the centre and sets no maximum of its
// own; sizing itself anew waits while the dialog is maximised or
// fullscreen, until it is released.
template <typename Dialog>
class SelfSized : public Dialog
{
public:
    using Dialog::Dialog;

protected:
    bool event(QEvent *event) override
    {
        if (!WindowPlacement::compositorPlaces())
            return Dialog::event(event);
        const bool given = this->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        switch (event->type()) {
        case QEvent::LayoutRequest:
            if (given) {
                m_heldBack = true;
                return true;
            }
            break;
        case QEvent::WindowStateChange:
            if (!given && std::exchange(m_heldBack, false))
                QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
            break;
        case QEvent::Show:
            if (QLayout *layout = this->layout()) {
                layout->setAlignment(Qt::AlignCenter);
                if (layout->sizeConstraint() == QLayout::SetMinAndMaxSize
                    || layout->sizeConstraint() == QLayout::SetFixedSize)
                    layout->setSizeConstraint(QLayout::SetMinimumSize);
            }
            break;
        default:
            break;
        }
        const bool done = Dialog::event(event);
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            this->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        return done;
    }

private:
    bool m_heldBack = false;   // a sizing waits for the dialog's release
};

} // namespace FixedLayout
