// vemdrol-scan --apps: the installed applications of a system that is not
// running, of the machine and of every user, written as vemdrol.exe /apps
// writes them. Linux only.
#pragma once

#include "cli/scan_run.h"

namespace vemdrol {

// The exit code, as runScanCommand's; the request's mode is run.
int runAppsScan(const ScanRequest& request, const ScanEnvironment& environment);

}  // namespace vemdrol
