#include "version/version_memo.h"

#include <gtest/gtest.h>

#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"
#include "version/test_readers.h"

namespace vemdrol {
namespace {

using Asked = std::vector<Text>;

struct VersionMemoTest : ::testing::Test {
  VersionMemoTest() {
    files.addFile(L"C:\\A\\one.exe", peWithVersionBlock(versionBlock(fileVersion(1, 2, 3, 4))));
    ProgramVersion two = fileVersion(2, 0, 0, 9);
    two.description = L"二";
    two.legalCopyright = L"(C) 二";
    files.addFile(L"C:\\A\\two.dll", peWithVersionBlock(versionBlock(two)));
    files.addFile(L"C:\\A\\plain.txt", "no program");
  }
  MemoryFileSystem files;
  PeVersionResourceReader reader{files};
  CountingVersionReader counting{reader};
  std::vector<Text> skipList;
};

TEST_F(VersionMemoTest, NumbersAreReadOncePerFileWhateverTheLetterCase) {
  VersionMemo memo(counting, skipList);
  EXPECT_EQ(memo.number(L"C:\\A\\one.exe").value(), L"1.2.4");
  EXPECT_EQ(memo.number(L"c:\\a\\ONE.EXE").value(), L"1.2.4");
  EXPECT_EQ(memo.number(L"C:\\A\\two.dll").value(), L"2.0.9");
  // "No number" is an answer too.
  EXPECT_EQ(memo.number(L"C:\\A\\plain.txt").value(), L"");
  EXPECT_EQ(memo.number(L"C:\\A\\missing.exe").value(), L"");
  EXPECT_EQ(memo.number(L"C:\\A\\plain.txt").value(), L"");
  EXPECT_EQ(memo.number(L"C:\\A\\one.exe").value(), L"1.2.4");
  EXPECT_EQ(counting.asked, (Asked{L"C:\\A\\one.exe", L"C:\\A\\two.dll", L"C:\\A\\plain.txt",
                                   L"C:\\A\\missing.exe"}));
}

TEST_F(VersionMemoTest, TextsComeFromTheLastReadOrAreReadNow) {
  VersionMemo memo(counting, skipList);
  EXPECT_EQ(memo.number(L"C:\\A\\two.dll").value(), L"2.0.9");
  const VersionStrings two = memo.strings(L"c:\\a\\Two.DLL");
  EXPECT_EQ(two.outcome, VersionStringsOutcome::read);
  EXPECT_EQ(two.description, L"二");
  EXPECT_EQ(two.legalCopyright, L"(C) 二");
  EXPECT_EQ(counting.asked, (Asked{L"C:\\A\\two.dll"}));

  EXPECT_EQ(memo.number(L"C:\\A\\missing.exe").value(), L"");
  EXPECT_EQ(memo.strings(L"C:\\A\\missing.exe").description, L"情報なし");
  EXPECT_EQ(counting.asked.size(), 2u);
  // two.dll is no longer the last file read; its number still is known.
  EXPECT_EQ(memo.number(L"C:\\A\\two.dll").value(), L"2.0.9");
  EXPECT_EQ(memo.strings(L"C:\\A\\two.dll").description, L"二");
  EXPECT_EQ(counting.asked.size(), 3u);
  // Nor is one taken for another whose number was never asked for.
  EXPECT_EQ(memo.strings(L"C:\\A\\plain.txt").outcome, VersionStringsOutcome::noInformation);
  EXPECT_EQ(counting.asked.size(), 4u);
}

TEST_F(VersionMemoTest, SkipListedFilesKeepTheirNumberButNoTexts) {
  skipList = {L"TWO.DLL"};
  VersionMemo memo(counting, skipList);
  EXPECT_EQ(memo.number(L"C:\\A\\two.dll").value(), L"2.0.9");
  EXPECT_EQ(memo.strings(L"C:\\A\\two.dll").outcome, VersionStringsOutcome::skipped);
  EXPECT_EQ(memo.strings(L"C:\\A\\two.dll").description, L"処理回避");
}

TEST_F(VersionMemoTest, FailuresAreAskedAgain) {
  FailingVersionReader failing(Error{7, L"メモリが不足しています。"});
  CountingVersionReader countingFailures(failing);
  VersionMemo memo(countingFailures, skipList);
  Result<Text> first = memo.number(L"C:\\A\\one.exe");
  ASSERT_FALSE(first);
  EXPECT_EQ(first.error().number, 7);
  EXPECT_FALSE(memo.number(L"C:\\A\\one.exe"));
  EXPECT_EQ(memo.strings(L"C:\\A\\one.exe").outcome, VersionStringsOutcome::failed);
  EXPECT_EQ(countingFailures.asked.size(), 3u);
}

}  // namespace
}  // namespace vemdrol
