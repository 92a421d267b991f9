#include "os/memory/instance_lock.h"

#include <gtest/gtest.h>

#include "lock_holder_checks.h"

namespace vemdrol {
namespace {

TEST(LockHolder, ReadBackFromItsBytesAndNothingElse) {
  for (const LockHolder& holder :
       {LockHolder{LockHolder::Role::window, 0}, LockHolder{LockHolder::Role::commandLine, 77},
        LockHolder{LockHolder::Role::rebuild, 4294967295u}}) {
    std::string bytes = lockHolderBytes(holder);
    EXPECT_EQ(lockHolderFrom(bytes), holder);
    // As a fixed-size shared memory holds it.
    bytes.resize(32, '\0');
    EXPECT_EQ(lockHolderFrom(bytes), holder);
  }
  for (const std::string_view bytes :
       {"", "0", "0 ", "3 1", "0 4294967296", "0 12a", "x 1", "0  1", "1 99999999999"}) {
    EXPECT_EQ(lockHolderFrom(bytes), std::nullopt) << bytes;
  }
  MemoryInstanceLocks locks;
  testing::checkLockHolders(locks, L"C:\\Vemdrol");
}

}  // namespace
}  // namespace vemdrol
