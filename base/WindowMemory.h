#pragma once
// The pixel memory of a shown window, made ready ahead of its first paint.
#include <future>

class QWidget;

namespace WindowMemory {

// Has the memory of the shown window's backing store (the image its widgets
// paint into) mapped in on a thread of its own, in one call for the whole
// image. The first paint, which comes once the display has mapped the
// window, then writes into memory that is already there instead of stopping
// at every page of it. The returned future ends when that is done; it is
// ready at once where there is nothing to prepare (a window not shown, a
// backing store that is not an image in memory, a system without the call).
std::future<void> prepare(QWidget *window);

} // namespace WindowMemory
