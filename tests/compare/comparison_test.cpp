#include "compare/comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "os/memory/filesystem.h"
#include "state/kept_inventory.h"
#include "state/saved_rows.h"

namespace vemdrol {
namespace {

const std::vector<Text> names{L"種類", L"定義", L"アプリケーション", L"パス", L"バージョン"};

InventoryRecord row(const wchar_t* type, const wchar_t* path, const wchar_t* version,
                    const wchar_t* definition = L"") {
  return {type, definition, L"", path, version};
}

// Each row's change text keyed by its type and path, with the older version
// where there is one: independent of the order of the rows.
std::multiset<std::pair<Text, Text>> outcome(const std::vector<InventoryRecord>& newer,
                                             const std::vector<InventoryRecord>& older) {
  std::multiset<std::pair<Text, Text>> seen;
  for (const ComparedRow& compared : compareInventories(newer, older)) {
    Text what = changeText(compared, names);
    if (compared.old) what += L" <- " + (*compared.old)[4];
    seen.emplace((*compared.texts)[0] + L" " + (*compared.texts)[3], what);
  }
  return seen;
}

TEST(Comparison, EveryKindOfChangeWhateverTheOrderOfTheFiles) {
  const std::vector<InventoryRecord> older{
      row(L"*.txt", L"C:\\W\\notepad.exe", L"6.0.1", L"テキスト"),
      row(L"*.ini", L"C:\\W\\notepad.exe", L"6.0.1", L"設定"),
      row(L"old.dll", L"C:\\W\\old.dll", L"1.0.0"),
      row(L"a.dll", L"C:\\W\\a.dll", L"1.0.0"),
      row(L"b.dll", L"C:\\Program Files\\B\\b.dll", L"2.0.0"),
      row(L"twice.dll", L"C:\\W\\twice.dll", L"1.0.0"),
      row(L"twice.dll", L"C:\\W\\twice.dll", L"2.0.0"),
  };
  std::vector<InventoryRecord> newer{
      row(L"*.txt", L"C:\\W\\notepad.exe", L"6.0.1", L"テキスト文書"),
      row(L"*.ini", L"C:\\W\\NOTEPAD.EXE", L"6.0.1", L"設定"),
      row(L"a.dll", L"C:\\W\\a.dll", L"1.1.0"),
      row(L"B.DLL", L"c:\\program files\\b\\B.DLL", L"2.0.0"),
      row(L"new.exe", L"C:\\W\\new.exe", L"1.0.0"),
      row(L"twice.dll", L"C:\\W\\twice.dll", L"3.0.0"),
      row(L"twice.dll", L"C:\\W\\twice.dll", L"1.0.0"),
  };
  const std::multiset<std::pair<Text, Text>> expected{
      {L"*.txt C:\\W\\notepad.exe", L"変更 (定義) <- 6.0.1"},
      // The same file in another letter case, behind its second type.
      {L"*.ini C:\\W\\NOTEPAD.EXE", L"同じ"},
      {L"a.dll C:\\W\\a.dll", L"変更 (バージョン) <- 1.0.0"},
      {L"B.DLL c:\\program files\\b\\B.DLL", L"同じ"},
      {L"new.exe C:\\W\\new.exe", L"追加"},
      // Of two rows of one file, the equal ones pair first.
      {L"twice.dll C:\\W\\twice.dll", L"同じ"},
      {L"twice.dll C:\\W\\twice.dll", L"変更 (バージョン) <- 2.0.0"},
      {L"old.dll C:\\W\\old.dll", L"削除"},
  };
  EXPECT_EQ(outcome(newer, older), expected);
  std::vector<InventoryRecord> olderReversed(older.rbegin(), older.rend());
  std::rotate(newer.begin(), newer.begin() + 3, newer.end());
  EXPECT_EQ(outcome(newer, olderReversed), expected);

  // The newer rows keep their order; removed rows come last.
  const std::vector<ComparedRow> rows = compareInventories(newer, older);
  EXPECT_EQ(rows.front().texts, &newer.front());
  EXPECT_EQ(rows.back().change, Change::removed);
}

TEST(CheckedInventory, DamagedLinesAreNamedAndTheRestIsRead) {
  const CheckedInventory read = readCheckedInventory(
      "\"a\",\"\",\"\",\"C:\\a.exe\",\"1\"\r\n"
      "\"short\",\"\",\"C:\\b.exe\"\r\n"
      "\r\n"
      "\"six\",\"\",\"\",\"C:\\c.exe\",\"1\",\"extra\"\n"
      "\"d\",\"\",\"\",\"C:\\d.exe\",\"2\"\r"
      "\"e\",\"\",\"\",\"C:\\e.exe\",\"3\"");
  ASSERT_EQ(read.records.size(), 3u);
  EXPECT_EQ(read.records[2][3], L"C:\\e.exe");
  EXPECT_EQ(read.damaged, (std::vector<std::size_t>{2, 4}));

  const CheckedInventory garbage = readCheckedInventory(std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  EXPECT_TRUE(garbage.records.empty());
  EXPECT_EQ(garbage.damagedLines, 3u);
  EXPECT_TRUE(readCheckedInventory("").records.empty());
}

}  // namespace
}  // namespace vemdrol

namespace vemdrol {
namespace {

// A fresh scan compared with the inventory it has just saved: against the
// bare inventory file its texts are compared as that file holds them,
// against the state file beside it as they are; either way nothing changed.
TEST(Comparison, NoChangeWhereTheSavedInventoryLostOrKeptCharacters) {
  const std::vector<InventoryRecord> scan = {
      {L"*.txt", L"テキスト \"文書\"", L"© 2026 Contoso® – 한글 \U00020BB7", L"C:\\Café\\a.exe",
       L"1.0"},
      {L"b.dll", L"tab\there", L"〜", L"C:\\b.dll", L"2.0"},
  };
  ListModel list;
  for (const Text& name : names) list.addColumn(name, 1000);
  for (const InventoryRecord& row : scan) list.addRow(row);
  MemoryFileSystem files;
  files.addFolder(L"C:\\kept");
  const std::string inventory = inventoryFileBytes(list);
  ASSERT_TRUE(files.replaceFile(L"C:\\kept\\before.cnt", inventory));

  // The bare file: its texts lost characters, and comparing the scan as it
  // is would call every row changed or new.
  OlderInventory bare = readOlderInventory(files, L"C:\\kept\\before.cnt", L"", 5);
  ASSERT_TRUE(bare.read);
  EXPECT_FALSE(bare.read->wholeTexts);
  const auto changes = [](const std::vector<ComparedRow>& rows) {
    std::multiset<Change> kinds;
    for (const ComparedRow& row : rows) kinds.insert(row.change);
    return kinds;
  };
  EXPECT_NE(changes(compareInventories(scan, bare.read->records, false)),
            std::multiset<Change>({Change::same, Change::same}));
  const std::vector<ComparedRow> asHeld = compareInventories(scan, bare.read->records, true);
  EXPECT_EQ(changes(asHeld), std::multiset<Change>({Change::same, Change::same}));
  // The rows still show the scan's own texts.
  EXPECT_EQ(asHeld[0].texts, &scan[0]);

  // With its state file beside it, whole texts, and a real change found.
  Result<std::string> state = stateFileBytes(list, inventory, {});
  ASSERT_TRUE(state);
  ASSERT_TRUE(files.replaceFile(L"C:\\kept\\before.state", state.value()));
  OlderInventory whole = readOlderInventory(files, L"C:\\kept\\before.cnt", L"", 5);
  ASSERT_TRUE(whole.read && whole.read->wholeTexts);
  EXPECT_EQ(whole.read->records, scan);
  std::vector<InventoryRecord> newer = scan;
  newer[0][2] = L"© 2027 Contoso® – 한글 \U00020BB7";
  const std::vector<ComparedRow> found = compareInventories(newer, whole.read->records, false);
  EXPECT_EQ(found[0].change, Change::changed);
  EXPECT_EQ(found[0].changedColumns, 1u << 2);
  EXPECT_EQ(found[1].change, Change::same);

  // A state file chosen itself; one that is damaged says so.
  OlderInventory chosen = readOlderInventory(files, L"C:\\kept\\before.state", L"", 5);
  ASSERT_TRUE(chosen.read && chosen.read->wholeTexts);
  EXPECT_EQ(chosen.read->records, scan);
  ASSERT_TRUE(files.replaceFile(L"C:\\kept\\cut.state", state.value().substr(0, 40)));
  OlderInventory cut = readOlderInventory(files, L"C:\\kept\\cut.state", L"cut.state", 5);
  EXPECT_FALSE(cut.read);
  EXPECT_EQ(cut.message, L"比較する一覧 cut.state を読めません: 壊れています");
}

}  // namespace
}  // namespace vemdrol
