// A run of vemdrol.exe with /apps: the installed applications of this
// machine, read through its registry (HKEY_LOCAL_MACHINE in both views and
// the user's HKEY_CURRENT_USER), written to the files asked for instead of
// the program files. With /saved, the list kept in the state file at the
// last rebuild. Nothing of the inventory is rebuilt or saved.
#pragma once

#include "cli/command_run.h"

namespace vemdrol {

// Returns the exit code, as runCommandLine does.
int runAppsCommand(const CommandLineRequest& request, CommandLineMachine& machine);

}  // namespace vemdrol
