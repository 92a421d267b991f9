#include "state/saved_rows.h"

#include <gtest/gtest.h>

#include "rows/storage_fixture.h"

namespace vemdrol {
namespace {

struct InventoryFile : ::testing::Test, testing::ProgramFolderFixture {};

TEST_F(InventoryFile, CellsAreFilteredQuotedAndComeBackWholeFromTheStateFile) {
  files.addFile(L"C:\\app\\a.exe", "");
  files.addFile(L"C:\\app\\b,c.exe", "");
  files.addFile(L"C:\\Café\\한글.exe", "");
  addRow({L"*.txt;*.log", L"say \"hi\"", L"tab\there\r\nline", L"C:\\app\\a.exe", L"1.2.3"});
  addRow({L"b,c.exe", L"", L"メモ帳, 日本語", L"C:\\app\\b,c.exe", L""});
  list.addRow({L"한글.exe", L"© 2026 \U00020BB7", L"", L"C:\\Café\\한글.exe", L"1"}, 0,
              L"C:\\Café\\ (フォルダーの調査)");
  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
  // The inventory file is what it always was, byte for byte.
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"),
            "\"*.txt;*.log\",\"say 'hi'\",\"tab!here!!line\",\"C:\\app\\a.exe\",\"1.2.3\"\r\n"
            "\"b,c.exe\",\"\",\"\x83\x81\x83\x82\x92\xa0, \x93\xfa\x96\x7b\x8c\xea\","
            "\"C:\\app\\b,c.exe\",\"\"\r\n"
            "\"??.exe\",\"? 2026 ?\",\"\",\"C:\\Caf?\\??.exe\",\"1\"\r\n");
  EXPECT_EQ(stateFilePathFor(inventoryFileWriteName), stateFileName);
  const ListModel saved = list;

  // With its state file every row comes back whole, with its source, even
  // the one whose path the code page cannot hold.
  load();
  EXPECT_FALSE(lastLoad.fullTextsUnavailable);
  ASSERT_EQ(list.rowCount(), 3u);
  for (std::size_t row = 0; row < 3; ++row) {
    EXPECT_EQ(list.cells(row), saved.cells(row));
    EXPECT_EQ(list.source(row), saved.source(row));
  }
  EXPECT_EQ(status(), designCaption(Control::statusLabel));

  // Without it, as the inventory file holds them, and the row whose path
  // names no file any more is lost: the load says why.
  ASSERT_TRUE(files.remove(folder.path(stateFileName)));
  load();
  EXPECT_EQ(lastLoad.fullTextsUnavailable, StateUnavailable::missing);
  ASSERT_EQ(list.rowCount(), 2u);
  EXPECT_EQ(list.cell(0, 1), L"say 'hi'");
  EXPECT_EQ(list.cell(0, 2), L"tab!here!!line");
  EXPECT_EQ(list.cell(1, 2), L"メモ帳, 日本語");
  EXPECT_EQ(list.cell(1, 3), L"C:\\app\\b,c.exe");
}

TEST_F(InventoryFile, AStateFileThatCannotStandInLeavesTheInventoryFilesRows) {
  files.addFile(L"C:\\app\\a.exe", "");
  addRow({L"a", L"say \"hi\"", L"", L"C:\\app\\a.exe", L"1"});
  kept.put(StateTable{L"apps", {L"name"}, {{L"ツール"}}});
  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
  const std::string state = fileBytes(stateFileName);
  const std::string inventory = fileBytes(L"Vemdrol.cnt");

  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 256);
  struct Case {
    std::string state;
    std::string inventory;
    StateUnavailable why;
  };
  const Case cases[] = {
      {state.substr(0, state.size() / 2), inventory, StateUnavailable::damaged},
      {noise, inventory, StateUnavailable::notStateFile},
      {"Vemdrol state 2\nend\t1\n", inventory, StateUnavailable::newerVersion},
      // The inventory file replaced by hand.
      {state, inventory + "\"b\",\"\",\"\",\"C:\\app\\a.exe\",\"\"\r\n",
       StateUnavailable::otherInventory},
  };
  for (const Case& c : cases) {
    files.addFile(folder.path(stateFileName), c.state);
    files.addFile(folder.path(L"Vemdrol.cnt"), c.inventory);
    load();
    EXPECT_EQ(lastLoad.fullTextsUnavailable, c.why);
    ASSERT_GE(list.rowCount(), 1u);
    EXPECT_EQ(list.cell(0, 1), L"say 'hi'");
    EXPECT_EQ(kept.find(L"apps"), nullptr);
    // The load saved both again: the next start has its whole texts back,
    // as far as the inventory file kept them.
    load();
    EXPECT_FALSE(lastLoad.fullTextsUnavailable);
  }

  // The kept tables come back with the rows, and a later table replaces
  // its earlier self when saved alone.
  files.addFile(folder.path(stateFileName), state);
  files.addFile(folder.path(L"Vemdrol.cnt"), inventory);
  load();
  ASSERT_NE(kept.find(L"apps"), nullptr);
  EXPECT_EQ(kept.find(L"apps")->records.at(0).at(0), L"ツール");
  kept.put(StateTable{L"apps", {L"name"}, {{L"別のツール"}}});
  ASSERT_TRUE(saveKeptTables(folder, kept));
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"), inventory);
  load();
  EXPECT_EQ(kept.find(L"apps")->records.at(0).at(0), L"別のツール");
  EXPECT_EQ(list.cell(0, 1), L"say \"hi\"");
}

TEST_F(InventoryFile, SortedListIsSavedAndLoadedInItsOrder) {
  for (const wchar_t* name : {L"C:\\b.exe", L"C:\\a.exe", L"C:\\c.exe"}) {
    files.addFile(name, "");
    addRow({name, L"", L"", name, L"1"});
  }
  list.setSortKey(3);
  list.setSortOrder(1);
  list.setSorted(true);
  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
  load();
  ASSERT_EQ(list.rowCount(), 3u);
  EXPECT_EQ(list.cell(0, 3), L"C:\\c.exe");
  EXPECT_EQ(list.cell(2, 3), L"C:\\a.exe");
}

TEST_F(InventoryFile, EmptyListSavesAnEmptyFileAndLoadsNothing) {
  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
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
  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
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
  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
  const std::string before = fileBytes(L"Vemdrol.cnt");
  for (int i = 0; i < 50; ++i) addRow({L"more", L"", L"", L"C:\\app\\a.exe", L"1"});
  files.failWritesAfter(100);
  EXPECT_FALSE(saveInventory(folder, list, skipList, kept, statusLine));
  EXPECT_TRUE(status().starts_with(L"CntWrite 112 "));
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"), before);

  // A read-only folder: the save fails before anything is written.
  files.clearFaults();
  files.setAttributes(L"C:\\Vemdrol", {.directory = true, .readOnly = true});
  form.setCaption(Control::statusLabel, L"");
  EXPECT_FALSE(saveInventory(folder, list, skipList, kept, statusLine));
  EXPECT_TRUE(status().starts_with(L"CntWrite 5 "));
  EXPECT_EQ(fileBytes(L"Vemdrol.cnt"), before);
}

}  // namespace
}  // namespace vemdrol
