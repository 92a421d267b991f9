// One process at a time in a program folder. The window, its unattended
// rebuild and the command-line runs take the folder's lock before they write
// the trace log or the inventory file there, and hold it until they end, so
// that no two processes ever write those files together. A process that
// ends, by a crash too, lets go of its lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

// The folder's lock, held while this lives.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
};

class InstanceLocks {
 public:
  virtual ~InstanceLocks() = default;

  // Takes the folder's lock, waiting up to `wait` for the process that holds
  // it to let go (no wait: one try). nullptr when it did not let go in time;
  // an error when the lock cannot be asked for at all.
  virtual Result<std::unique_ptr<InstanceLock>> lock(TextView folder,
                                                     std::chrono::milliseconds wait) = 0;
};

// The number that names a folder's lock: the same for every spelling of the
// folder's path that the backend can tell names the same folder (letter case
// and a final "\" on every backend; on Windows also short names, relative
// paths, drive letters made with subst and links, through the path the
// system resolves the folder to).
std::uint64_t instanceLockKey(TextView folder);

// The key of a path taken as it is, letter case and final separators aside;
// the backends give it the path they resolved.
std::uint64_t foldedPathKey(TextView path);

// The machine's locks: on Windows a named mutex for each folder, shared by
// every user signed in to the machine; elsewhere a lock on a file named after the
// key in the temporary folder.
std::unique_ptr<InstanceLocks> makeSystemInstanceLocks();

}  // namespace vemdrol
