// One copy of the program at a time per folder. A start takes the folder's
// lock before it writes anything there. A second start with a window shows
// the running copy's window instead and ends; a start for an unattended
// rebuild, or one that finds no window to show (the running copy is
// rebuilding unattended, or still starting), waits for the running copy to
// end, up to a limit, and gives up with folderBusyExitCode.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "os/instance_lock.h"

namespace vemdrol {

// The exit codes of the window's program besides 0.
inline constexpr int rebuildFailedExitCode = 1;
inline constexpr int folderBusyExitCode = 2;

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

// showRunningCopy brings the running copy's window to the front; false when
// there is none to show.
FolderClaim claimFolder(InstanceLocks& locks, TextView folder, bool unattended,
                        const std::function<bool()>& showRunningCopy,
                        std::chrono::milliseconds limit = runningCopyWaitLimit);

}  // namespace vemdrol
