#include "base/paths.h"

#include <gtest/gtest.h>

namespace vemdrol {
namespace {

TEST(DirectoryOf, CutsAfterTheLastBackslash) {
  EXPECT_EQ(directoryOf(L""), L"");
  EXPECT_EQ(directoryOf(L"notepad.exe"), L"");
  EXPECT_EQ(directoryOf(L"C:\\"), L"C:\\");
  EXPECT_EQ(directoryOf(L"C:\\Windows\\"), L"C:\\Windows\\");
  EXPECT_EQ(directoryOf(L"C:\\Windows\\notepad.exe"), L"C:\\Windows\\");
  EXPECT_EQ(directoryOf(L"\\\\server\\share\\dir\\file.dll"), L"\\\\server\\share\\dir\\");
  EXPECT_EQ(directoryOf(L"\\"), L"\\");
  EXPECT_EQ(directoryOf(L"C:\\アプリ\\表.exe"), L"C:\\アプリ\\");
}

TEST(DirectoryOf, HandlesBackslashesBeyondSixteenBitPositions) {
  Text path(40000, L'a');
  path += L"\\file.dll";
  EXPECT_EQ(directoryOf(path), path.substr(0, 40001));
  Text deep;
  for (int i = 0; i < 20000; ++i) deep += L"d\\";
  EXPECT_EQ(directoryOf(deep + L"x.dll"), deep);
}

TEST(ExePathOf, TakesThePathOfQuotedAndBareCommands) {
  EXPECT_EQ(exePathOf(L"\"C:\\Program Files\\Tool\\tool.exe\" \"%1\" /x"),
            L"C:\\Program Files\\Tool\\tool.exe");
  EXPECT_EQ(exePathOf(L"C:\\WINDOWS\\NOTEPAD.EXE %1"), L"C:\\WINDOWS\\NOTEPAD.EXE");
  EXPECT_EQ(exePathOf(L"c:\\a\\B.ExE"), L"c:\\a\\B.ExE");
  EXPECT_EQ(exePathOf(L"\"D:\\x.exe"), L"D:\\x.exe");
  EXPECT_EQ(exePathOf(L"C:\\ツール\\表示.exe /s"), L"C:\\ツール\\表示.exe");
}

TEST(ExePathOf, FirstExeEndsThePath) {
  EXPECT_EQ(exePathOf(L"C:\\Tools.exec\\run.exe"), L"C:\\Tools.exe");
  EXPECT_EQ(exePathOf(L"\"C:\\a.exe.exe\""), L"C:\\a.exe");
  // An ".exe" in the arguments still counts when the path has none.
  EXPECT_EQ(exePathOf(L"C:\\tool.com other.exe"), L"C:\\tool.com other.exe");
}

TEST(ExePathOf, GivesNothingWithoutDriveOrExe) {
  EXPECT_EQ(exePathOf(L"%SystemRoot%\\system32\\notepad.exe %1"), L"");
  EXPECT_EQ(exePathOf(L"notepad.exe %1"), L"");
  EXPECT_EQ(exePathOf(L"\\\\server\\share\\tool.exe"), L"");
  EXPECT_EQ(exePathOf(L"C:\\tools\\run.com"), L"");
  EXPECT_EQ(exePathOf(L"C:\\tools\\run.bat %1"), L"");
  EXPECT_EQ(exePathOf(L"\" C:\\tool.exe\""), L"");
  EXPECT_EQ(exePathOf(L"C:tool.exe"), L"");
}

TEST(ExePathOf, ShortInputsAreSafe) {
  for (const wchar_t* command : {L"", L"\"", L"C", L"C:", L"C:\\", L"\"C", L"\"C:", L"\"C:\\",
                                 L".exe", L"\".exe", L":\\", L"\":\\"}) {
    EXPECT_EQ(exePathOf(command), L"") << command;
  }
  EXPECT_EQ(exePathOf(L"C:\\.exe"), L"C:\\.exe");
  EXPECT_EQ(exePathOf(L"\"C:\\.exe"), L"C:\\.exe");
}

}  // namespace
}  // namespace vemdrol
