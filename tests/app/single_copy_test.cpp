#include "app/single_copy.h"

#include <gtest/gtest.h>

#include "os/memory/instance_lock.h"

namespace vemdrol {
namespace {

using std::chrono::milliseconds;

struct SingleCopy : ::testing::Test {
  FolderClaim start(bool unattended, milliseconds limit = milliseconds(1000)) {
    return claim(unattended ? ClaimRequest::Busy::wait : ClaimRequest::Busy::showOrWait, limit,
                 unattended ? LockHolder::Role::rebuild : LockHolder::Role::window);
  }
  FolderClaim claim(ClaimRequest::Busy busy, milliseconds limit = milliseconds(1000),
                    LockHolder::Role role = LockHolder::Role::commandLine) {
    ClaimRequest request;
    request.self = LockHolder{role, ++processId};
    request.busy = busy;
    request.showRunningCopy = [this] {
      ++looks;
      return windowShown;
    };
    request.busyNotice = [this](const std::optional<LockHolder>& holder) {
      notices.push_back(holder);
    };
    request.limit = limit;
    return claimFolder(locks, L"C:\\Vemdrol", request);
  }
  MemoryInstanceLocks locks;
  bool windowShown = false;
  int looks = 0;
  std::uint32_t processId = 100;
  std::vector<std::optional<LockHolder>> notices;
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

TEST_F(SingleCopy, WhoeverHasToWaitIsToldAtOnceForWhomAndAnExportGoesOnAtOnce) {
  FolderClaim first = start(true);
  ASSERT_TRUE(first.lock);
  const LockHolder rebuilding{LockHolder::Role::rebuild, 101};
  EXPECT_EQ(locks.holder(L"C:\\Vemdrol"), rebuilding);

  // An unattended start hears once, before its first wait, then waits.
  locks.waits.clear();
  EXPECT_EQ(start(true, milliseconds(600)).exitCode, folderBusyExitCode);
  EXPECT_EQ(notices, std::vector<std::optional<LockHolder>>{rebuilding});
  EXPECT_EQ(locks.waits.front(), milliseconds(0));

  // An export neither waits nor takes the lock, and hears the same.
  notices.clear();
  locks.waits.clear();
  FolderClaim exporting = claim(ClaimRequest::Busy::goOn);
  EXPECT_FALSE(exporting.lock);
  EXPECT_FALSE(exporting.exitCode);
  EXPECT_EQ(notices, std::vector<std::optional<LockHolder>>{rebuilding});
  EXPECT_EQ(locks.waits, std::vector<milliseconds>{milliseconds(0)});

  // With the folder free nobody hears a word.
  first.lock.reset();
  notices.clear();
  EXPECT_TRUE(claim(ClaimRequest::Busy::goOn).lock);
  EXPECT_TRUE(notices.empty());
}

}  // namespace
}  // namespace vemdrol
