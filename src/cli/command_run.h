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
};

inline constexpr int exitSuccess = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitBadCommandLine = 2;

// Runs a request whose mode is not window; returns the exit code.
int runCommandLine(const CommandLineRequest& request, CommandLineMachine& machine);

}  // namespace vemdrol
