#include "files/skip_list.h"

#include <gtest/gtest.h>

#include "files/trace_log.h"
#include "rows/storage_fixture.h"

namespace vemdrol {
namespace {

struct SkipListFile : ::testing::Test, testing::ProgramFolderFixture {
  void trace(std::initializer_list<const wchar_t*> lines) {
    TraceLog log(folder);
    ASSERT_TRUE(log.start());
    for (const wchar_t* line : lines) ASSERT_TRUE(log.append(line));
  }
};

TEST_F(SkipListFile, FirstStartSavesTheBuiltInNames) {
  load();
  EXPECT_EQ(fileBytes(L"AppSkip.cnt"), "\"msir2jp.dll\"\r\n\"Tablet.exe\"\r\n\"VB5.EXE\"\r\n");
  EXPECT_EQ(*skipList, builtInSkipList());
}

TEST_F(SkipListFile, ExistingEmptyFileReplacesTheBuiltInNames) {
  files.addFile(L"C:\\Vemdrol\\AppSkip.cnt", "");
  load();
  EXPECT_EQ(*skipList, SkipList{L""});
  EXPECT_EQ(fileBytes(L"AppSkip.cnt"), "");
  // Every field is an entry, whatever the line layout.
  files.addFile(L"C:\\Vemdrol\\AppSkip.cnt", "a.dll,b.dll\r\n\r\n\"c.exe\"\r\n");
  load();
  EXPECT_EQ(*skipList, (SkipList{L"a.dll", L"b.dll", L"c.exe"}));
}

TEST_F(SkipListFile, TraceLogEndingsDecideTheCandidate) {
  struct Case {
    std::vector<const wchar_t*> lines;
    Text added;
  };
  const std::vector<Case> cases = {
      {{L"C:\\A\\内の調査", L"C:\\A\\foo.dll"}, L"foo.dll"},
      {{L"C:\\A\\内の調査", L"C:\\A\\foo.dll", L"終了"}, L""},
      {{L"C:\\A\\内の調査", L"C:\\A\\foo.dll", L"C:\\B\\内の調査"}, L"foo.dll"},
      {{L"C:\\A\\内の調査", L"91 内容=処理が中断されました"}, L"91 内容=処理が中断されました"},
      {{L"C:\\A,B\\内の調査", L"C:\\A,B\\foo.dll"}, L"foo.dll"},
  };
  for (const Case& c : cases) {
    files.remove(L"C:\\Vemdrol\\AppSkip.cnt");
    TraceLog log(folder);
    ASSERT_TRUE(log.start());
    for (const wchar_t* line : c.lines) ASSERT_TRUE(log.append(line));
    load();
    SkipList expected = builtInSkipList();
    if (!c.added.empty()) expected.push_back(c.added);
    EXPECT_EQ(*skipList, expected) << c.lines.size();
  }
}

TEST_F(SkipListFile, TwoStartsAfterOneCutOffRebuildAddTheNameTwice) {
  trace({L"C:\\A\\内の調査", L"C:\\A\\foo.dll"});
  load();
  load();
  EXPECT_EQ(fileBytes(L"AppSkip.cnt"),
            "\"msir2jp.dll\"\r\n\"Tablet.exe\"\r\n\"VB5.EXE\"\r\n\"foo.dll\"\r\n\"foo.dll\"\r\n");
}

TEST_F(SkipListFile, TraceLinesAreCompleteShiftJisLines) {
  trace({L"C:\\アプリ\\内の調査", L"C:\\アプリ\\x.exe"});
  EXPECT_EQ(fileBytes(L"AppTrace.TXT"),
            "\x8a\x4a\x8e\x6e\r\nC:\\\x83\x41\x83\x76\x83\x8a\\\x93\xe0\x82\xcc\x92\xb2\x8d\xb8\r\n"
            "C:\\\x83\x41\x83\x76\x83\x8a\\x.exe\r\n");
  // Starting again discards the earlier lines.
  EXPECT_TRUE(TraceLog(folder).start().ok());
  EXPECT_EQ(fileBytes(L"AppTrace.TXT"), "\x8a\x4a\x8e\x6e\r\n");
}

TEST(SkipList, AddingRuleFillsAnEmptyLastEntryFirst) {
  SkipList list{L""};
  addToSkipList(list, L"a.dll");
  addToSkipList(list, L"b.dll");
  EXPECT_EQ(list, (SkipList{L"a.dll", L"b.dll"}));
  EXPECT_EQ(skipListFileBytes({L"", L"x", L""}), "\"x\"\r\n");
}

}  // namespace
}  // namespace vemdrol
