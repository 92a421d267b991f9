// Comparing the window's list with an earlier inventory file: the compared
// list beside the inventory's own, its search, sort and filter, the rebuild
// while comparing, and saving the current list.
#include "app/compared_list.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"
#include "rows/column_table.h"
#include "state/saved_rows.h"

namespace vemdrol {
namespace {

struct Comparing : ::testing::Test {
  Comparing() {
    applyDesign(form);
    window.connect({registry, files, versions});
    window.setInventoryLoader([this](Text&) { current(); });
    window.setRebuildCommand([this] {
      window.list().clearRows();
      current();
      window.list().addRow({L"b.dll", L"", L"", L"C:\\w\\b.dll", L"1.0"});
    });
    window.load();
    // Earlier: notepad as it is, a.dll older, a damaged third line, and a
    // library that has gone since.
    std::string older;
    appendInventoryLine(
        older, InventoryRecord{L"*.txt", L"txtfile", L"メモ帳", L"C:\\W\\NOTEPAD.EXE", L"6.1"});
    appendInventoryLine(older, InventoryRecord{L"a.dll", L"", L"", L"C:\\w\\a.dll", L"1.0"});
    older += "\"broken\",\"line\r\n";
    appendInventoryLine(older, InventoryRecord{L"gone.dll", L"", L"", L"C:\\w\\gone.dll", L"0.9"});
    files.addFile(L"C:\\old\\before.cnt", older);
    files.addFolder(L"C:\\out");
  }
  void current() {
    window.list().addRow({L"*.txt", L"txtfile", L"メモ帳", L"C:\\w\\notepad.exe", L"6.1"});
    window.list().addRow({L"a.dll", L"", L"", L"C:\\w\\a.dll", L"2.0"});
    window.list().addRow({L"new.dll", L"", L"", L"C:\\w\\new.dll", L"1.0"});
  }
  void command(ListCommand which) { window.listCommand(static_cast<int>(which)); }
  std::vector<Text> column(std::size_t id) const {
    std::vector<Text> cells;
    for (std::size_t row = 0; row < window.shownList().rowCount(); ++row) {
      cells.emplace_back(window.cellText(row, id));
    }
    return cells;
  }
  MenuEntry menuEntry(ListCommand which) const {
    for (const MenuEntry& entry : window.rowMenu()) {
      if (entry.command == static_cast<int>(which)) return entry;
    }
    return {};
  }

  MemoryFileSystem files;
  MemoryRegistry registry;
  PeVersionResourceReader versions{files};
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
};

TEST_F(Comparing, ShowsTheChangesBesideTheListWhichStaysAsItIs) {
  const std::string before = inventoryFileBytes(window.list());
  EXPECT_FALSE(menuEntry(ListCommand::endComparison).enabled);
  services.fileNames = {L"C:\\old\\before.cnt"};
  command(ListCommand::compare);
  ASSERT_NE(window.comparison(), nullptr);
  EXPECT_EQ(services.fileQuestions.at(0).pattern, L"*.state;Vemdrol*.cnt");
  EXPECT_EQ(window.shownColumns().front().name, L"差分");
  EXPECT_EQ(column(changeColumn),
            (std::vector<Text>{L"同じ", L"変更 (バージョン)", L"追加", L"削除"}));
  // The removed row with its older texts; the changed cell tells its older
  // text beside the newer one, no other cell does.
  EXPECT_EQ(window.cellText(3, 4), L"0.9");
  EXPECT_EQ(window.changedCellTip(1, 4), L"以前: 1.0\n現在: 2.0");
  for (const auto& [row, column] :
       {std::pair{0, 4}, std::pair{1, 3}, std::pair{2, 4}, std::pair{3, 4}}) {
    EXPECT_EQ(window.changedCellTip(row, column), L"") << row << " " << column;
  }
  EXPECT_TRUE(window.rowRemoved(3));
  EXPECT_FALSE(window.rowRemoved(1));
  EXPECT_EQ(form.caption(Control::statusLabel),
            L"比較する一覧の 1 行が壊れています (3 行目)。読めた行だけを比べました");
  EXPECT_TRUE(menuEntry(ListCommand::endComparison).enabled);

  // Saving writes the inventory's own rows: no 差分, no removed row.
  EXPECT_EQ(inventoryFileBytes(window.list()), before);
  services.fileNames = {L"C:\\out\\now.cnt"};
  command(ListCommand::saveList);
  EXPECT_TRUE(services.fileQuestions.back().save);
  EXPECT_EQ(files.readFile(L"C:\\out\\now.cnt").value(), before);
  EXPECT_EQ(form.caption(Control::statusLabel), L"現在の一覧を保存しました");

  // A file that cannot be written or read is said so; nothing else moves,
  // and neither does a cancelled dialog.
  files.setAttributes(L"C:\\out\\now.cnt", FileAttributes{false, false, false, true});
  window.saveListAs(L"C:\\out\\now.cnt");
  EXPECT_TRUE(
      form.caption(Control::statusLabel).starts_with(L"現在の一覧を保存できませんでした: 5 内容="));
  window.compareWith(L"C:\\old\\missing.cnt");
  EXPECT_TRUE(form.caption(Control::statusLabel).starts_with(L"比較する一覧を読めません: "));
  command(ListCommand::compare);
  EXPECT_EQ(window.shownList().rowCount(), 4u);
}

TEST_F(Comparing, SearchSortAndFilterWorkOnTheComparedRows) {
  window.compareWith(L"C:\\old\\before.cnt");
  // The search looks in the 差分 column too.
  form.setCaption(Control::searchBox, L"削除");
  window.searchTextChange();
  window.searchDownClick();
  EXPECT_TRUE(window.shownList().selected(3));

  window.columnClick(changeColumn + 1);
  EXPECT_EQ(column(changeColumn),
            (std::vector<Text>{L"追加", L"変更 (バージョン)", L"同じ", L"削除"}));
  window.columnClick(5);  // バージョン, as numbers
  EXPECT_EQ(column(4), (std::vector<Text>{L"0.9", L"1.0", L"2.0", L"6.1"}));
  EXPECT_FALSE(window.list().sorted());

  command(ListCommand::changedOnly);
  EXPECT_TRUE(menuEntry(ListCommand::changedOnly).checked);
  EXPECT_EQ(column(changeColumn), (std::vector<Text>{L"変更 (バージョン)", L"追加", L"削除"}));

  command(ListCommand::endComparison);
  EXPECT_EQ(&window.shownList(), &window.list());
  EXPECT_EQ(window.shownColumns().front().name, L"種類");
}

TEST_F(Comparing, RebuildComparesTheNewListWithTheSameEarlierOne) {
  window.compareWith(L"C:\\old\\before.cnt");
  window.setChangedOnly(true);
  files.remove(L"C:\\old\\before.cnt");
  window.rebuildClick();
  ASSERT_NE(window.comparison(), nullptr);
  EXPECT_EQ(column(changeColumn),
            (std::vector<Text>{L"変更 (バージョン)", L"追加", L"追加", L"削除"}));
}

TEST(ComparedList, RowsMatchAsTheInventoryFileHoldsThem) {
  // A sign outside code page 932 and a double quote come back otherwise from
  // a file, and are still the same row; the list shows them as they are.
  ListModel current;
  ColumnTable table;
  table.fill();
  rebuildColumns(table, current);
  current.addRow({L"c.dll", L"\"引用\"", L"© 見本", L"C:\\w\\c.dll", L"1.0"});
  current.addRow({L"d.dll", L"", L"© 見本", L"C:\\w\\d.dll", L"1.0"});
  CheckedInventory older = readCheckedInventory(inventoryFileBytes(current));
  older.records[1][4] = L"0.9";
  ComparedList compared(current, std::move(older.records));
  EXPECT_EQ(compared.change(0), L"同じ");
  EXPECT_EQ(compared.change(1), L"変更 (バージョン)");
  EXPECT_EQ(compared.rows().cell(0, 2), L"© 見本");
}

}  // namespace
}  // namespace vemdrol
