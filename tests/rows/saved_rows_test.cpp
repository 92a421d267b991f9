#include "rows/saved_rows.h"

#include <gtest/gtest.h>

#include "rows/storage_fixture.h"

namespace vemdrol {
namespace {

struct InventoryFile : ::testing::Test, testing::ProgramFolderFixture {};

TEST_F(InventoryFile, CellsAreFilteredQuotedAndReadBack) {
  files.addFile(L"C:\\app\\a.exe", "");
  files.addFile(L"C:\\app\\b,c.exe", "");
  addRow({L"*.txt;*.log", L"say \"hi\"", L"tab\there\r\nline", L"C:\\app\\a.exe", L"1.2.3"});
  addRow({L"b,c.exe", L"", L"メモ帳, 日本語", L"C:\\app\\b,c.exe", L""});
  ASSERT_TRUE(saveInventory(folder, list, skipList, statusLine));
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"),
            "\"*.txt;*.log\",\"say 'hi'\",\"tab!here!!line\",\"C:\\app\\a.exe\",\"1.2.3\"\r\n"
            "\"b,c.exe\",\"\",\"\x83\x81\x83\x82\x92\xa0, \x93\xfa\x96\x7b\x8c\xea\","
            "\"C:\\app\\b,c.exe\",\"\"\r\n");

  load();
  ASSERT_EQ(list.rowCount(), 2u);
  EXPECT_EQ(list.cell(0, 1), L"say 'hi'");
  EXPECT_EQ(list.cell(0, 2), L"tab!here!!line");
  EXPECT_EQ(list.cell(1, 0), L"b,c.exe");
  EXPECT_EQ(list.cell(1, 2), L"メモ帳, 日本語");
  EXPECT_EQ(list.cell(1, 3), L"C:\\app\\b,c.exe");
  EXPECT_EQ(status(), designCaption(Control::statusLabel));
}

TEST_F(InventoryFile, SortedListIsSavedAndLoadedInItsOrder) {
  for (const wchar_t* name : {L"C:\\b.exe", L"C:\\a.exe", L"C:\\c.exe"}) {
    files.addFile(name, "");
    addRow({name, L"", L"", name, L"1"});
  }
  list.setSortKey(3);
  list.setSortOrder(1);
  list.setSorted(true);
  ASSERT_TRUE(saveInventory(folder, list, skipList, statusLine));
  load();
  ASSERT_EQ(list.rowCount(), 3u);
  EXPECT_EQ(list.cell(0, 3), L"C:\\c.exe");
  EXPECT_EQ(list.cell(2, 3), L"C:\\a.exe");
}

TEST_F(InventoryFile, EmptyListSavesAnEmptyFileAndLoadsNothing) {
  ASSERT_TRUE(saveInventory(folder, list, skipList, statusLine));
  EXPECT_EQ(fileBytes(L"Vemdrol.Cnt"), "");
  load();
  EXPECT_EQ(list.rowCount(), 0u);
  EXPECT_EQ(fileBytes(L"VEMDROL.CNT"), "");
}

TEST_F(InventoryFile, LoadingDropsMissingProgramsFillsVersionsAndSavesAgain) {
  files.addFile(L"C:\\app\\versioned.exe", "");
  files.addFile(L"C:\\app\\hidden.exe", "", {.hidden = true});
  files.addFile(L"C:\\app\\system.exe", "", {.system = true});
  files.addFile(L"C:\\app\\a.exe", "");
  files.addFile(L"C:\\Vemdrol\\Vemdrol.cnt",
                "\"v\",\"\",\"\",\"C:\\app\\versioned.exe\",\"\"\r\n"
                "\"h\",\"\",\"\",\"C:\\app\\hidden.exe\",\"1\"\r\n"
                "\"s\",\"\",\"\",\"C:\\app\\system.exe\",\"1\"\r\n"
                "\"gone\",\"\",\"\",\"C:\\app\\gone.exe\",\"1\"\r\n"
                "\"w\",\"\",\"\",\"C:\\app\\*.exe\",\"1\"\r\n");
  load();
  ASSERT_EQ(list.rowCount(), 2u);
  EXPECT_EQ(list.cell(0, 4), L"6.0.5512");
  // A hidden program stays: the rebuild that listed it counts hidden files.
  EXPECT_EQ(list.cell(1, 0), L"h");
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"),
            "\"v\",\"\",\"\",\"C:\\app\\versioned.exe\",\"6.0.5512\"\r\n"
            "\"h\",\"\",\"\",\"C:\\app\\hidden.exe\",\"1\"\r\n");
}

TEST_F(InventoryFile, DamagedFilesGiveAMessageAndLoseNothing) {
  files.addFile(L"C:\\app\\a.exe", "");
  const std::string good = "\"a\",\"\",\"\",\"C:\\app\\a.exe\",\"1\"\r\n";
  const std::string skip = "\"keep.dll\"\r\n";
  files.addFile(L"C:\\Vemdrol\\AppSkip.cnt", skip);

  // A record cut short at the end of the file.
  files.addFile(L"C:\\Vemdrol\\Vemdrol.cnt", good + "\"b\",\"\",\"\"");
  load();
  EXPECT_EQ(status(), L"CntRead 62 内容=ファイルの終わりを超えて入力しようとしました");
  EXPECT_EQ(list.rowCount(), 1u);
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"), good + "\"b\",\"\",\"\"");
  EXPECT_FALSE(skipList.has_value());
  // A later save (as at the end of a rebuild) leaves the skip-list file alone.
  ASSERT_TRUE(saveInventory(folder, list, skipList, statusLine));
  EXPECT_EQ(fileBytes(L"AppSkip.cnt"), skip);

  // Random bytes, NULs, bytes that are no Shift_JIS, a ten-megabyte line: no
  // crash, and what names no program is dropped.
  std::string noise;
  for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 7919) % 256);
  for (const std::string& damaged :
       {noise, std::string(5, '\0') + good,
        std::string("\"\x81\",\"\xfd\xfe\",\"\x80\xa0\",\"x\",\"\"\r\n"),
        std::string(10 << 20, 'x') + "\r\n" + good}) {
    files.addFile(L"C:\\Vemdrol\\Vemdrol.cnt", damaged);
    load();
    for (std::size_t row = 0; row < list.rowCount(); ++row) {
      EXPECT_EQ(list.cell(row, 3), L"C:\\app\\a.exe");
    }
  }
}

TEST_F(InventoryFile, FolderInPlaceOfTheFileLeavesEverythingAsItWas) {
  files.addFolder(L"C:\\Vemdrol\\Vemdrol.cnt");  // a folder where the file should be
  files.addFile(L"C:\\Vemdrol\\AppSkip.cnt", "\"keep.dll\"\r\n");
  load();
  EXPECT_EQ(list.rowCount(), 0u);
  // The inventory file cannot replace a folder; the save ends there, before
  // the skip-list file.
  EXPECT_TRUE(status().starts_with(L"CntWrite "));
  EXPECT_EQ(fileBytes(L"AppSkip.cnt"), "\"keep.dll\"\r\n");
}

TEST_F(InventoryFile, SaveKilledHalfWayKeepsThePreviousFile) {
  files.addFile(L"C:\\app\\a.exe", "");
  addRow({L"a", L"", L"", L"C:\\app\\a.exe", L"1"});
  ASSERT_TRUE(saveInventory(folder, list, skipList, statusLine));
  const std::string before = fileBytes(L"Vemdrol.cnt");
  for (int i = 0; i < 50; ++i) addRow({L"more", L"", L"", L"C:\\app\\a.exe", L"1"});
  files.failWritesAfter(100);
  EXPECT_FALSE(saveInventory(folder, list, skipList, statusLine));
  EXPECT_TRUE(status().starts_with(L"CntWrite 112 "));
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"), before);

  // A read-only folder: the save fails before anything is written.
  files.clearFaults();
  files.setAttributes(L"C:\\Vemdrol", {.directory = true, .readOnly = true});
  form.setCaption(Control::statusLabel, L"");
  EXPECT_FALSE(saveInventory(folder, list, skipList, statusLine));
  EXPECT_TRUE(status().starts_with(L"CntWrite 5 "));
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"), before);
}

}  // namespace
}  // namespace vemdrol
