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
// frame is known (within about a second; never if it has no frame).
void whenFramed(QWidget *window, const std::function<void()> &place);

// Puts the frame's upper-left corner of window at target (pixels).
void placeFrameAt(QWidget *window, const QPoint &target);

} // namespace WindowPlacement
