// Runs the program: the main window's creation, its load event and the event
// loop until the window closes.
#pragma once

#include <functional>

#include "app/main_window_win32.h"
#include "cli/command_line.h"

namespace vemdrol {

// prepare runs after the window exists and before its load event; it is where
// the procedures that start-up calls are connected. Returns the exit code.
int runProgram(HINSTANCE instance, const std::function<void(MainWindowWin32&)>& prepare);

// Runs a command-line request on this machine, without any window; returns
// the exit code.
int runCommandLineProgram(const CommandLineRequest& request);

}  // namespace vemdrol
