// A run of vemdrol.exe from the command line: the same scan as the
// unattended rebuild (trace log, skip list, inventory file saved as always),
// or the saved inventory, written to the files asked for. No window is
// created at any time; messages go to the console.
#pragma once

#include <chrono>

#include "cli/command_line.h"
#include "os/console.h"
#include "os/filesystem.h"
#include "os/registry.h"
#include "os/signature.h"
#include "os/version_resource.h"

namespace vemdrol {

struct CommandLineMachine {
  Registry& registry;
  FileSystem& files;
  VersionResourceReader& versions;
  // For /details; null leaves the signature columns empty.
  SignatureReader* signatures;
  // Where the program lies, with its trace log, inventory file and skip
  // list.
  Text programFolder;
  Text computer;
  std::chrono::sys_seconds now;
  Console& console;
  // The machine's Windows folder, for the 32-bit servers' files
  // (ScanParts::windowsFolder).
  Text windowsFolder = {};
  // false: another copy holds the program's folder; the run scans all the
  // same and writes nothing there (no trace log, no saved files).
  bool writesFolder = true;
};

// The exit codes, the same in every mode of vemdrol.exe.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitBadCommandLine = 2;
// Another copy of the program in the same folder kept the run from
// finishing.
inline constexpr int exitFolderBusy = 3;

// Runs a request whose mode is not window; returns the exit code.
int runCommandLine(const CommandLineRequest& request, CommandLineMachine& machine);

}  // namespace vemdrol
