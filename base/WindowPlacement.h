#pragma once
// Placing top-level windows by their outer (framed) geometry.
//
// A window manager adds its frame only after a window has been shown, and
// until then Qt takes the frame to be empty: a window placed before it is
// shown ends up with its client area where its frame should be. These
// helpers place a window at once and again as soon as its frame is known.
#include <QPoint>
#include <QWidget>
#include <functional>

namespace WindowPlacement {

// Runs place now, and once more when the window has been shown and its
// frame is known (looked for during five seconds, so that a slow window
// manager on a busy machine is waited for; never if it has no frame).
void whenFramed(QWidget *window, const std::function<void()> &place);

// The frame's width on the left and height above the client area: the
// window's own once known, until then its owner's (a window of this program
// gets the same decoration as its owner).
QPoint frameOffset(const QWidget *window);

// Puts the frame's upper-left corner of window at target (pixels) now, by
// placing the client area inside it: this holds whether or not the toolkit
// knows the frame yet.
void placeFrameNow(QWidget *window, const QPoint &target);

// The same now and again once the window is framed.
void placeFrameAt(QWidget *window, const QPoint &target);

} // namespace WindowPlacement
