#include <gtest/gtest.h>

#include "os/instance_lock.h"
#include "os/lock_holder_checks.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

TEST(InstanceLockWin32, TellsWhoHoldsTheFolder) {
  auto locks = makeSystemInstanceLocks();
  testing::checkLockHolders(*locks,
                            L"C:\\vemdrol-holder-test-" + std::to_wstring(GetCurrentProcessId()));
}

}  // namespace
}  // namespace vemdrol
