#include <gtest/gtest.h>

#include "os/window.h"

namespace vemdrol {
namespace {

TEST(CommandLine, ArgumentsFollowTheProgramName) {
  EXPECT_EQ(argumentsOfCommandLine(L"vemdrol.exe 作成"), L"作成");
  EXPECT_EQ(argumentsOfCommandLine(L"\"C:\\Program Files\\Vemdrol\\vemdrol.exe\"  /作成 x"),
            L"/作成 x");
  EXPECT_EQ(argumentsOfCommandLine(L"\"C:\\a b\\vemdrol.exe\"作成"), L"作成");
  EXPECT_EQ(argumentsOfCommandLine(L"vemdrol.exe"), L"");
  EXPECT_EQ(argumentsOfCommandLine(L"\"unclosed quote 作成"), L"");
  EXPECT_EQ(argumentsOfCommandLine(L""), L"");
  EXPECT_EQ(argumentsOfCommandLine(L"vemdrol.exe\t\t"), L"");
}

}  // namespace
}  // namespace vemdrol
