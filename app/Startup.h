// The start-up routine: one game at a time; the main window builds itself
// and the process ends when it is closed.
#pragma once

#include <functional>

class frmMain;

namespace Startup {

// Runs the game and returns the process's exit code. beforeLoad, if given,
// sees the main window after it is made and before it loads its board.
int run(int argc, char **argv, const std::function<void(frmMain &)> &beforeLoad = {});

} // namespace Startup
