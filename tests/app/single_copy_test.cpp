#include "app/single_copy.h"

#include <gtest/gtest.h>

#include "os/memory/instance_lock.h"

namespace vemdrol {
namespace {

using std::chrono::milliseconds;

struct SingleCopy : ::testing::Test {
  FolderClaim start(bool unattended, milliseconds limit = milliseconds(1000)) {
    return claimFolder(
        locks, L"C:\\Vemdrol", unattended,
        [this] {
          ++looks;
          return windowShown;
        },
        limit);
  }
  MemoryInstanceLocks locks;
  bool windowShown = false;
  int looks = 0;
};

TEST_F(SingleCopy, FirstStartTakesTheFolderAndHoldsItUntilItEnds) {
  {
    FolderClaim first = start(false);
    ASSERT_TRUE(first.lock);
    EXPECT_FALSE(first.exitCode);
    EXPECT_EQ(looks, 0);
    EXPECT_TRUE(locks.held(L"c:\\VEMDROL\\"));  // any spelling of the folder
    EXPECT_FALSE(locks.held(L"C:\\Other"));
  }
  EXPECT_FALSE(locks.held(L"C:\\Vemdrol"));
  EXPECT_TRUE(start(true).lock);
}

TEST_F(SingleCopy, SecondStartWithAWindowShowsTheRunningOneAndEnds) {
  FolderClaim first = start(false);
  windowShown = true;
  FolderClaim second = start(false);
  EXPECT_FALSE(second.lock);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(looks, 1);
  EXPECT_EQ(locks.waits.back(), milliseconds(0));
}

TEST_F(SingleCopy, UnattendedStartWaitsUpToTheLimitThenGivesUp) {
  FolderClaim first = start(false);
  windowShown = true;  // an unattended start never hands over
  locks.waits.clear();
  FolderClaim second = start(true, milliseconds(1000));
  EXPECT_FALSE(second.lock);
  EXPECT_EQ(second.exitCode, folderBusyExitCode);
  EXPECT_EQ(looks, 0);
  milliseconds waited(0);
  for (milliseconds wait : locks.waits) waited += wait;
  EXPECT_EQ(waited, milliseconds(1000));
  // One slice short of the limit is not yet the limit.
  locks.waits.clear();
  EXPECT_EQ(start(true, milliseconds(999)).exitCode, folderBusyExitCode);
  EXPECT_EQ(locks.waits.back(), milliseconds(249));
}

TEST_F(SingleCopy, StartWithoutAWindowToShowWaitsAndLooksAgain) {
  FolderClaim first = start(true);
  FolderClaim second = start(false, milliseconds(500));
  EXPECT_EQ(second.exitCode, folderBusyExitCode);
  // Once before waiting, then after each slice.
  EXPECT_EQ(looks, 3);
}

TEST_F(SingleCopy, LockThatCannotBeAskedForLetsTheStartGoOn) {
  locks.fails = true;
  FolderClaim claim = start(true);
  EXPECT_FALSE(claim.lock);
  EXPECT_FALSE(claim.exitCode);
  ASSERT_TRUE(claim.lockError);
  EXPECT_EQ(claim.lockError->number, 5);
}

}  // namespace
}  // namespace vemdrol
