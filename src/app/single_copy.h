// One copy of the program at a time per folder. A start takes the folder's
// lock before it writes anything there, and tells who it is. A second start
// with a window shows the running copy's window instead and ends; a start
// for an unattended rebuild, or one that finds no window to show (the
// running copy is rebuilding unattended, or still starting), says at once
// for whom it waits, waits for the running copy to end, up to a limit, and
// gives up with folderBusyExitCode. A run that only exports never waits: it
// goes on without the lock and writes nothing in the folder.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "os/instance_lock.h"

namespace vemdrol {

// The exit codes of the program besides 0, the same in every mode (2 is a
// bad command line).
inline constexpr int rebuildFailedExitCode = 1;
inline constexpr int folderBusyExitCode = 3;

// How long a start waits for the running copy: longer than a rebuild of a
// large machine takes.
inline constexpr std::chrono::milliseconds runningCopyWaitLimit = std::chrono::minutes(10);

inline constexpr const wchar_t* folderBusyMessage =
    L"同じフォルダーの Vemdrol が終わらないため、終了します";

struct FolderClaim {
  // Held for the whole run; nullptr when the start ends at once with
  // exitCode. A lock that cannot be asked for at all (its error in
  // lockError) lets the start go on without one.
  std::unique_ptr<InstanceLock> lock;
  std::optional<int> exitCode;
  std::optional<Error> lockError;
};

struct ClaimRequest {
  // Who this start is, told to the next one that has to wait.
  LockHolder self;
  enum class Busy {
    showOrWait,  // a window start: the running copy's window, else wait
    wait,        // an unattended rebuild: wait
    goOn,        // an export: go on without the lock, at once
  };
  Busy busy = Busy::showOrWait;
  // Brings the running copy's window to the front; false when there is
  // none to show.
  std::function<bool()> showRunningCopy;
  // Told once, at once, when the start has to wait or goes on without the
  // lock: who holds the folder, nullopt when that cannot be told.
  std::function<void(const std::optional<LockHolder>&)> busyNotice;
  std::chrono::milliseconds limit = runningCopyWaitLimit;
};

// lock nullptr and no exitCode: the start goes on without the lock
// (Busy::goOn, or a lock that cannot be asked for at all).
FolderClaim claimFolder(InstanceLocks& locks, TextView folder, const ClaimRequest& request);

}  // namespace vemdrol
