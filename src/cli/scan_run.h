// A run of vemdrol-scan on this Linux machine: opens the target, scans it
// as vemdrol.exe would scan it on that system (without a folder of its own,
// writing nothing there), and writes the rows. Linux only.
#pragma once

#include <chrono>

#include "cli/scan_command.h"

namespace vemdrol {

struct ScanEnvironment {
  bool japanese = false;
  // Whether standard error is a terminal: only then is progress shown.
  bool progress = false;
  int outputFd = 1;
  int errorFd = 2;
  std::chrono::sys_seconds now;
};

// Returns the exit code: 0, 1 when the target or a file could not be read or
// the output not written, 2 for a bad command line.
int runScanCommand(const ScanRequest& request, const ScanEnvironment& environment);

// The system's reasons for an error (a folder that may not be read, a file
// given as the target) in the run's language: under a Japanese locale as the
// C library words them in Japanese, where it has them; otherwise in English,
// whatever the locale. Once, before the run.
void systemReasonsInLanguage(bool japanese);

}  // namespace vemdrol
