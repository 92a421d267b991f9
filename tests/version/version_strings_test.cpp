#include "version/version_strings.h"

#include <gtest/gtest.h>

#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"
#include "version/test_readers.h"

namespace vemdrol {
namespace {

using Skips = std::vector<Text>;

ProgramVersion texts(std::optional<Text> description, std::optional<Text> legalCopyright) {
  ProgramVersion version = fileVersion(1, 0, 0, 0);
  version.description = std::move(description);
  version.legalCopyright = std::move(legalCopyright);
  return version;
}

class WVerINformationTest : public ::testing::Test {
 protected:
  void add(TextView path, const std::string& block) {
    files.addFile(path, peWithVersionBlock(block));
  }
  Text read(TextView path, const Skips& skips = {}) {
    return versionStringsText(WVerINformation(reader, path, skips));
  }
  Text readBlock(const std::string& block) {
    add(L"C:\\App\\app.exe", block);
    return read(L"C:\\App\\app.exe");
  }

  MemoryFileSystem files;
  PeVersionResourceReader reader{files};
};

TEST_F(WVerINformationTest, ReadsTheTwoTextsOfTheFirstTranslation) {
  EXPECT_EQ(readBlock(versionBlock(texts(L"desc", L"(C) Example"))), L"desc;(C) Example;");
  EXPECT_EQ(readBlock(versionBlock(texts(L"desc", std::nullopt))), L"desc;;");
  EXPECT_EQ(readBlock(versionBlock(texts(std::nullopt, L"(C)"))), L";(C);");
  EXPECT_EQ(readBlock(versionBlock(texts(std::nullopt, std::nullopt))), L";;");
  // Blanks are kept.
  EXPECT_EQ(readBlock(versionBlock(texts(L" desc ", L""))), L" desc ;;");

  ProgramVersion notepad = texts(L"メモ帳", std::nullopt);
  notepad.language = 0x0411;
  notepad.codePage = 0x04B0;
  add(L"C:\\WINDOWS\\NOTEPAD.EXE", versionBlock(notepad));
  const VersionStrings strings = WVerINformation(reader, L"C:\\WINDOWS\\NOTEPAD.EXE", {});
  EXPECT_EQ(strings.outcome, VersionStringsOutcome::read);
  EXPECT_EQ(strings.description, L"メモ帳");
  EXPECT_EQ(strings.legalCopyright, L"");
  EXPECT_EQ(strings.statusMessage, L"");
  EXPECT_EQ(versionStringsText(strings), L"メモ帳;;");
}

TEST_F(WVerINformationTest, OnlyTheFirstTranslationCounts) {
  // Strings only under the second translation are not looked at.
  const std::string second = serialize(versionInfoNode(
      fixedFileInfo(1, 0),
      {stringFileInfoNode({stringTableNode(L"040904E4", {stringNode(L"FileDescription", L"english"),
                                                         stringNode(L"LegalCopyright", L"(C)")})}),
       varFileInfoNode({{0x0411, 0x04B0}, {0x0409, 0x04E4}})}));
  EXPECT_EQ(readBlock(second), L";;");

  // The table is named by language and code page in upper-case hex, and
  // found whatever case the file spells it in.
  const std::string lowerCase = serialize(versionInfoNode(
      fixedFileInfo(1, 0), {stringFileInfoNode({stringTableNode(
                                L"040904e4", {stringNode(L"FileDescription", L"english")})}),
                            varFileInfoNode({{0x0409, 1252}})}));
  EXPECT_EQ(readBlock(lowerCase), L"english;;");

  // Without a translation table, the table "00000000".
  const std::string noTable = serialize(versionInfoNode(
      fixedFileInfo(1, 0), {stringFileInfoNode({stringTableNode(
                               L"00000000", {stringNode(L"FileDescription", L"neutral")})})}));
  EXPECT_EQ(readBlock(noTable), L"neutral;;");

  EXPECT_EQ(stringTablePrefix({0x0411, 0x04B0}), L"\\StringFileInfo\\041104B0\\");
  EXPECT_EQ(stringTablePrefix({0x0409, 1252}), L"\\StringFileInfo\\040904E4\\");
  EXPECT_EQ(stringTablePrefix({0, 0}), L"\\StringFileInfo\\00000000\\");
  EXPECT_EQ(stringTablePrefix({0xABCD, 0xFFFF}), L"\\StringFileInfo\\ABCDFFFF\\");
}

TEST_F(WVerINformationTest, FilesWithoutAResourceHaveNoInformation) {
  files.addFile(L"C:\\App\\readme.txt", "FileDescription;LegalCopyright;\r\n");
  EXPECT_EQ(read(L"C:\\App\\readme.txt"), L"情報なし;;");
  EXPECT_EQ(read(L"C:\\App\\missing.exe"), L"情報なし;;");
  EXPECT_EQ(readBlock("damaged"), L"情報なし;;");
  const VersionStrings strings = WVerINformation(reader, L"C:\\App\\missing.exe", {});
  EXPECT_EQ(strings.outcome, VersionStringsOutcome::noInformation);
  EXPECT_EQ(strings.statusMessage, L"");
}

TEST_F(WVerINformationTest, SkipListNamesAreWholeFileNamesInAnyCase) {
  add(L"C:\\WINDOWS\\VB5.EXE", versionBlock(texts(L"vb", L"")));
  add(L"C:\\Tools\\abc.exe", versionBlock(texts(L"abc", L"")));
  add(L"notepad.exe", versionBlock(texts(L"notepad", L"")));
  CountingVersionReader counting(reader);
  const Skips skips{L"msir2jp.dll", L"Tablet.exe", L"vb5.exe", L"bc.exe", L"NOTEPAD.EXE"};

  const VersionStrings skipped = WVerINformation(counting, L"C:\\WINDOWS\\VB5.EXE", skips);
  EXPECT_EQ(skipped.outcome, VersionStringsOutcome::skipped);
  EXPECT_EQ(versionStringsText(skipped), L"処理回避;;");
  // A path without "\" is a name as it is.
  EXPECT_EQ(versionStringsText(WVerINformation(counting, L"notepad.exe", skips)), L"処理回避;;");
  EXPECT_TRUE(counting.asked.empty());

  EXPECT_EQ(versionStringsText(WVerINformation(counting, L"C:\\Tools\\abc.exe", skips)), L"abc;;");
  EXPECT_EQ(counting.asked, (Skips{L"C:\\Tools\\abc.exe"}));
  EXPECT_EQ(versionStringsText(WVerINformation(counting, L"C:\\WINDOWS\\VB5.EXE", {})), L"vb;;");
  // The name must match whole: no prefixes, no folders.
  EXPECT_EQ(versionStringsText(WVerINformation(counting, L"C:\\WINDOWS\\VB5.EXE",
                                               {L"VB5", L"VB5.EXE.bak", L"WINDOWS\\VB5.EXE"})),
            L"vb;;");
  // The empty entry that the skip list's adding rule leaves names no file,
  // not even the empty name after a trailing "\".
  EXPECT_EQ(versionStringsText(WVerINformation(counting, L"C:\\WINDOWS\\", {L""})), L"情報なし;;");
}

TEST_F(WVerINformationTest, NoNulStaysAtTheEndOfAText) {
  const std::string nul(2, '\0');
  auto raw = [](TextView key, std::string value, std::uint16_t length) {
    return VersionNode{Text(key), std::move(value), length, 1, {}, std::nullopt};
  };
  const std::string block = serialize(
      versionInfoNode(fixedFileInfo(1, 0),
                      {stringFileInfoNode({stringTableNode(
                           L"041104B0",
                           {// The stored length counts the NUL ...
                            raw(L"FileDescription", std::string("d\0e\0s\0c\0", 8) + nul, 5),
                            // ... or counts bytes, reaching past the NUL.
                            raw(L"LegalCopyright", std::string("(\0C\0)\0", 6) + nul + nul, 10)})}),
                       varFileInfoNode({{0x0411, 0x04B0}})}));
  const VersionStrings strings = [&] {
    add(L"C:\\App\\nul.exe", block);
    return WVerINformation(reader, L"C:\\App\\nul.exe", {});
  }();
  EXPECT_EQ(strings.description, L"desc");
  EXPECT_EQ(strings.description.size(), 4u);
  EXPECT_EQ(strings.legalCopyright, L"(C)");
  EXPECT_EQ(versionStringsText(strings), L"desc;(C);");
}

TEST_F(WVerINformationTest, SemicolonsStayInTheirOwnField) {
  add(L"C:\\App\\semi.exe", versionBlock(texts(L"Tool; beta", L"(C) A;B")));
  const VersionStrings strings = WVerINformation(reader, L"C:\\App\\semi.exe", {});
  EXPECT_EQ(strings.description, L"Tool; beta");
  EXPECT_EQ(strings.legalCopyright, L"(C) A;B");
  // The one-text form is not escaped.
  EXPECT_EQ(versionStringsText(strings), L"Tool; beta;(C) A;B;");
}

TEST_F(WVerINformationTest, TextsKeepEveryCharacterTheResourceHolds) {
  // Only the inventory file, in code page 932, turns "©", "¥" and a
  // character outside the basic plane into "?"; the rows and the exports
  // keep them.
  EXPECT_EQ(readBlock(versionBlock(texts(L"①テスト ¥100", L"© 2001 Example\U0001F600"))),
            L"①テスト ¥100;© 2001 Example\U0001F600;");
}

TEST(WVerINformation, FailuresComeBackAsTheirMessage) {
  FailingVersionReader failing(Error{5, L"アクセスが拒否されました。"});
  const VersionStrings strings = WVerINformation(failing, L"C:\\App\\app.exe", {});
  EXPECT_EQ(strings.outcome, VersionStringsOutcome::failed);
  const Text message = L"WVerINformationExit 5 内容=アクセスが拒否されました。";
  EXPECT_EQ(strings.statusMessage, message);
  EXPECT_EQ(strings.description, L"エラー発生");
  EXPECT_EQ(strings.legalCopyright, message);
  EXPECT_EQ(versionStringsText(strings), L"エラー発生;" + message + L";");

  // A skipped file is not read, so it cannot fail.
  EXPECT_EQ(WVerINformation(failing, L"C:\\App\\app.exe", {L"APP.EXE"}).outcome,
            VersionStringsOutcome::skipped);
}

}  // namespace
}  // namespace vemdrol
