// The COM servers that the builder's nine passes do not read, although they
// are programs installed on the machine: the in-process servers of the
// 32-bit registry view (what 32-bit installers register on a 64-bit
// Windows), and the out-of-process servers (LocalServer32) of both views.
#pragma once

#include <vector>

#include "inventory/build_events.h"
#include "os/registry.h"

namespace vemdrol {

struct RegisteredServer {
  // The file as the key names it: a library's path, or the program path of
  // a local server's command (base/paths.h, exePathOf).
  Text path;
  // The key that names it, as the registry's tools spell it:
  // "HKEY_CLASSES_ROOT\WOW6432Node\CLSID\{…}\InprocServer32".
  Text source;
  RegistryView view = RegistryView::bits64;
};

// The servers in the order the scan lists them: the 32-bit view's
// libraries, then the local servers of the 64-bit view, then those of the
// 32-bit view, each in its view's order of CLSID. A library is taken by the
// rules the passes apply to the 64-bit view's: not under %SystemRoot%, with
// a folder and a name. A local server's command is taken as an open command
// is, its program path alone; one that names no program is not taken. A
// file named by several keys comes once for each: whether it is there, and
// which of them makes a row, is the scan's to tell.
//
// Reports StepsReset, then a StepReached for every class walked. A failure
// is reported (Procedure::listKey): one key's value that cannot be read is
// passed over, a listing of CLSID that fails ends that view's listing.
std::vector<RegisteredServer> listRegisteredServers(Registry& registry, BuildReport& report);

// The file that a 32-bit program opens for path on a 64-bit Windows whose
// Windows folder is windowsFolder: inside its System32 the file system
// redirects to SysWOW64, but for the subfolders Windows exempts (catroot,
// catroot2, driverstore, drivers\etc, logfiles, spool). Letter case is
// ignored; the path keeps its own spelling but for "SysWOW64". An empty
// windowsFolder redirects nothing.
Text redirectedFor32Bit(TextView path, TextView windowsFolder);

}  // namespace vemdrol
