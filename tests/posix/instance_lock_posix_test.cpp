#include <gtest/gtest.h>

#include <chrono>

#include "os/instance_lock.h"
#include "os/lock_holder_checks.h"

namespace vemdrol {
namespace {

using std::chrono::milliseconds;

TEST(InstanceLockPosix, OneHolderPerFolderUntilItLetsGo) {
  auto locks = makeSystemInstanceLocks();
  const Text folder = L"/tmp/vemdrol-lock-test-" +
                      std::to_wstring(::testing::UnitTest::GetInstance()->random_seed());
  auto first = locks->lock(folder, milliseconds(0));
  ASSERT_TRUE(first);
  ASSERT_TRUE(first.value());

  const auto before = std::chrono::steady_clock::now();
  auto second = locks->lock(folder + L"/", milliseconds(200));
  ASSERT_TRUE(second);
  EXPECT_FALSE(second.value());
  EXPECT_GE(std::chrono::steady_clock::now() - before, milliseconds(200));

  auto other = locks->lock(folder + L"-other", milliseconds(0));
  ASSERT_TRUE(other);
  EXPECT_TRUE(other.value());

  first.value().reset();
  auto third = locks->lock(folder, milliseconds(0));
  ASSERT_TRUE(third);
  EXPECT_TRUE(third.value());
}

TEST(InstanceLockPosix, TellsWhoHoldsTheFolder) {
  auto locks = makeSystemInstanceLocks();
  testing::checkLockHolders(*locks,
                            L"/tmp/vemdrol-holder-test-" +
                                std::to_wstring(::testing::UnitTest::GetInstance()->random_seed()));
}

}  // namespace
}  // namespace vemdrol
