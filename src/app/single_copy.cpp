#include "app/single_copy.h"

#include <algorithm>

namespace vemdrol {

FolderClaim claimFolder(InstanceLocks& locks, TextView folder, bool unattended,
                        const std::function<bool()>& showRunningCopy,
                        std::chrono::milliseconds limit) {
  // Between two looks for the running copy's window, which may appear only
  // once that copy has loaded its list.
  constexpr std::chrono::milliseconds slice(250);
  FolderClaim claim;
  std::chrono::milliseconds waited(0);
  for (bool first = true;; first = false) {
    const std::chrono::milliseconds wait =
        first ? std::chrono::milliseconds(0) : std::min(slice, limit - waited);
    Result<std::unique_ptr<InstanceLock>> taken = locks.lock(folder, wait);
    if (!taken) {
      claim.lockError = taken.error();
      return claim;
    }
    if (taken.value()) {
      claim.lock = std::move(taken).value();
      return claim;
    }
    waited += wait;
    if (!unattended && showRunningCopy && showRunningCopy()) {
      claim.exitCode = 0;
      return claim;
    }
    if (waited >= limit) {
      claim.exitCode = folderBusyExitCode;
      return claim;
    }
  }
}

}  // namespace vemdrol
