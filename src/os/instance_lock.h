// One process at a time in a program folder. The window, its unattended
// rebuild and the command-line runs take the folder's lock before they write
// the trace log or the inventory file there, and hold it until they end, so
// that no two processes ever write those files together. A process that
// ends, by a crash too, lets go of its lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

// Who holds a folder's lock, as the holder tells it, so that a start that
// has to wait can say for whom.
struct LockHolder {
  enum class Role : std::uint8_t {
    window,       // a window a person works in
    rebuild,      // an unattended rebuild ("作成")
    commandLine,  // a run from the command line
  };
  Role role = Role::window;
  std::uint32_t processId = 0;

  friend bool operator==(const LockHolder&, const LockHolder&) = default;
};

// The folder's lock, held while this lives.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;

  // Tells whoever asks (InstanceLocks::holder) who holds the lock and what
  // it does, in place of what it told before.
  virtual void announce(const LockHolder& holder) = 0;
};

class InstanceLocks {
 public:
  virtual ~InstanceLocks() = default;

  // Takes the folder's lock, waiting up to `wait` for the process that holds
  // it to let go (no wait: one try). nullptr when it did not let go in time;
  // an error when the lock cannot be asked for at all.
  virtual Result<std::unique_ptr<InstanceLock>> lock(TextView folder,
                                                     std::chrono::milliseconds wait) = 0;

  // Who holds the folder's lock, as it announced itself; nullopt when
  // nobody holds it, or its holder has not said (or cannot be asked).
  virtual std::optional<LockHolder> holder(TextView folder) = 0;
};

// A holder as a few bytes, for the backends that keep it outside the
// process: the role's number, a blank and the process number. nullopt for
// bytes that are no such text.
std::string lockHolderBytes(const LockHolder& holder);
std::optional<LockHolder> lockHolderFrom(std::string_view bytes);

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
