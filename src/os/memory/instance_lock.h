// Folder locks held in memory, for tests: the locks of one MemoryInstanceLocks
// exclude each other as the system's exclude processes. Nobody else can let
// go while a test waits, so a lock that is held is refused at once, and the
// wait asked for is recorded.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "os/instance_lock.h"

namespace vemdrol {

class MemoryInstanceLocks final : public InstanceLocks {
 public:
  Result<std::unique_ptr<InstanceLock>> lock(TextView folder,
                                             std::chrono::milliseconds wait) override;

  std::optional<LockHolder> holder(TextView folder) override;

  bool held(TextView folder) const { return held_.count(foldedPathKey(folder)) > 0; }

  // What the test sets up, and what was asked.
  bool fails = false;
  std::vector<std::chrono::milliseconds> waits;

 private:
  std::set<std::uint64_t> held_;
  std::map<std::uint64_t, LockHolder> holders_;
};

}  // namespace vemdrol
