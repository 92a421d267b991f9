#include "os/memory/instance_lock.h"

namespace vemdrol {

namespace {

class MemoryLock final : public InstanceLock {
 public:
  MemoryLock(std::set<std::uint64_t>& held, std::map<std::uint64_t, LockHolder>& holders,
             std::uint64_t key)
      : held_(held), holders_(holders), key_(key) {}
  ~MemoryLock() override {
    held_.erase(key_);
    holders_.erase(key_);
  }
  void announce(const LockHolder& holder) override { holders_[key_] = holder; }

 private:
  std::set<std::uint64_t>& held_;
  std::map<std::uint64_t, LockHolder>& holders_;
  std::uint64_t key_;
};

}  // namespace

Result<std::unique_ptr<InstanceLock>> MemoryInstanceLocks::lock(TextView folder,
                                                                std::chrono::milliseconds wait) {
  waits.push_back(wait);
  if (fails) return Error{5, L"アクセスが拒否されました。"};
  const std::uint64_t key = foldedPathKey(folder);
  if (!held_.insert(key).second) return std::unique_ptr<InstanceLock>();
  return std::unique_ptr<InstanceLock>(std::make_unique<MemoryLock>(held_, holders_, key));
}

std::optional<LockHolder> MemoryInstanceLocks::holder(TextView folder) {
  const auto found = holders_.find(foldedPathKey(folder));
  if (found == holders_.end()) return std::nullopt;
  return found->second;
}

}  // namespace vemdrol
