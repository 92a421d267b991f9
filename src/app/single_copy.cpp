#include "app/single_copy.h"

#include <algorithm>

namespace vemdrol {

FolderClaim claimFolder(InstanceLocks& locks, TextView folder, const ClaimRequest& request) {
  // Between two looks for the running copy's window, which may appear only
  // once that copy has loaded its list.
  constexpr std::chrono::milliseconds slice(250);
  FolderClaim claim;
  std::chrono::milliseconds waited(0);
  bool told = false;
  for (bool first = true;; first = false) {
    const std::chrono::milliseconds wait =
        first ? std::chrono::milliseconds(0) : std::min(slice, request.limit - waited);
    Result<std::unique_ptr<InstanceLock>> taken = locks.lock(folder, wait);
    if (!taken) {
      claim.lockError = taken.error();
      return claim;
    }
    if (taken.value()) {
      claim.lock = std::move(taken).value();
      claim.lock->announce(request.self);
      return claim;
    }
    waited += wait;
    if (request.busy == ClaimRequest::Busy::showOrWait && request.showRunningCopy &&
        request.showRunningCopy()) {
      claim.exitCode = 0;
      return claim;
    }
    // Said before the first wait, so that nobody waits in silence.
    if (!told && request.busyNotice) {
      request.busyNotice(locks.holder(folder));
      told = true;
    }
    if (request.busy == ClaimRequest::Busy::goOn) return claim;
    if (waited >= request.limit) {
      claim.exitCode = folderBusyExitCode;
      return claim;
    }
  }
}

}  // namespace vemdrol
