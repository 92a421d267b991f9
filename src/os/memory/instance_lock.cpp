#include "os/memory/instance_lock.h"

namespace vemdrol {

namespace {

class MemoryLock final : public InstanceLock {
 public:
  MemoryLock(std::set<std::uint64_t>& held, std::uint64_t key) : held_(held), key_(key) {}
  ~MemoryLock() override { held_.erase(key_); }

 private:
  std::set<std::uint64_t>& held_;
  std::uint64_t key_;
};

}  // namespace

Result<std::unique_ptr<InstanceLock>> MemoryInstanceLocks::lock(TextView folder,
                                                                std::chrono::milliseconds wait) {
  waits.push_back(wait);
  if (fails) return Error{5, L"アクセスが拒否されました。"};
  const std::uint64_t key = foldedPathKey(folder);
  if (!held_.insert(key).second) return std::unique_ptr<InstanceLock>();
  return std::unique_ptr<InstanceLock>(std::make_unique<MemoryLock>(held_, key));
}

}  // namespace vemdrol
