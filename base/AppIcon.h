#pragma once
// The icon of the program and its windows.
#include <QIcon>

namespace Zandor {

// The icon from the program folder (zandor.png and its smaller sizes); when
// none of them is there, the icon is drawn in place.
QIcon appIcon();

} // namespace Zandor
