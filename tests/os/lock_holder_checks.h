// What every backend of the folder locks answers about a holder: nothing
// before it is held or after it is let go, and what the holder told last
// while it is held.
#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "os/instance_lock.h"

namespace vemdrol::testing {

inline void checkLockHolders(InstanceLocks& locks, const Text& folder) {
  using std::chrono::milliseconds;
  EXPECT_EQ(locks.holder(folder), std::nullopt);
  auto lock = locks.lock(folder, milliseconds(0));
  ASSERT_TRUE(lock && lock.value());
  // Held but not told: nobody can say for whom a start waits.
  EXPECT_EQ(locks.holder(folder), std::nullopt);
  const LockHolder window{LockHolder::Role::window, 4242};
  const LockHolder rebuild{LockHolder::Role::rebuild, 4294967295u};
  lock.value()->announce(window);
  EXPECT_EQ(locks.holder(folder + L"\\"), window);
  lock.value()->announce(rebuild);
  EXPECT_EQ(locks.holder(folder), rebuild);
  EXPECT_EQ(locks.holder(folder + L"-other"), std::nullopt);
  lock.value().reset();
  EXPECT_EQ(locks.holder(folder), std::nullopt);
}

}  // namespace vemdrol::testing
