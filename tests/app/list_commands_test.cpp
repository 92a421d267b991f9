#include "app/list_commands.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "os/memory/window.h"
#include "state/saved_rows.h"

namespace vemdrol {
namespace {

struct ListCommands : ::testing::Test {
  ListCommands() {
    applyDesign(form);
    window.setRebuildCommand([] {});
    window.setInventoryLoader([this](Text&) {
      window.list().addRow(
          {L"*.txt", L"txt\tfile", L"メモ帳\r\n2行目", L"C:\\WINDOWS\\notepad.exe", L"6.1"});
      window.list().addRow({L"a.dll", L"", L"", L"C:\\lib\\a.dll", L"1.0"});
      window.list().addRow({L"b.dll", L"", L"", L"", L"2.0"});
    });
    window.load();
  }
  const MenuEntry& entry(const std::vector<MenuEntry>& menu, ListCommand command) {
    for (const MenuEntry& e : menu) {
      if (e.command == static_cast<int>(command)) return e;
    }
    throw std::logic_error("no entry");
  }
  void run(ListCommand command, std::optional<std::size_t> focused = std::nullopt) {
    window.listCommand(static_cast<int>(command), focused);
  }

  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
};

TEST_F(ListCommands, CopyGivesTheShownColumnsOfTheSelectedRowsOneLineEach) {
  EXPECT_FALSE(entry(window.rowMenu(), ListCommand::copyRows).enabled);
  run(ListCommand::copyRows);
  EXPECT_FALSE(services.clipboardCleared);  // nothing selected: the clipboard stays

  EXPECT_TRUE(window.list().setSelected(0, true).ok());
  EXPECT_TRUE(window.list().setSelected(2, true).ok());
  EXPECT_TRUE(entry(window.rowMenu(), ListCommand::copyRows).enabled);
  EXPECT_EQ(entry(window.rowMenu(), ListCommand::copyRows).shortcut, L"Ctrl+C");
  run(ListCommand::copyRows);
  EXPECT_EQ(services.clipboard,
            L"種類\t定義\tアプリケーション\tパス\tバージョン\r\n"
            L"*.txt\ttxt file\tメモ帳  2行目\tC:\\WINDOWS\\notepad.exe\t6.1\r\n"
            L"b.dll\t\t\t\t2.0\r\n");

  window.showColumn(1, false);
  run(ListCommand::copyRows);
  EXPECT_EQ(services.clipboard.substr(0, services.clipboard.find(L"\r\n")),
            L"種類\tアプリケーション\tパス\tバージョン");
  run(ListCommand::copyPaths);
  EXPECT_EQ(services.clipboard, L"C:\\WINDOWS\\notepad.exe\r\n\r\n");

  services.clipboardFails = true;
  run(ListCommand::copyRows);
  EXPECT_EQ(form.caption(Control::statusLabel), L"521 内容=クリップボードを開けません。");
}

TEST_F(ListCommands, OneFileCommandsTakeTheFocusedRowOnlyWhenItIsSelected) {
  EXPECT_TRUE(window.list().setSelected(1, true).ok());
  run(ListCommand::openFileLocation, 0);  // focused, not selected
  run(ListCommand::showProperties, 1);
  EXPECT_EQ(services.openedLocations, std::vector<Text>{L"C:\\lib\\a.dll"});
  EXPECT_EQ(services.shownProperties, std::vector<Text>{L"C:\\lib\\a.dll"});

  // A row without a path has no file to show.
  EXPECT_TRUE(window.list().selectOnly(2).ok());
  run(ListCommand::showProperties, 2);
  EXPECT_EQ(services.shownProperties.size(), 1u);

  EXPECT_TRUE(window.list().selectOnly(0).ok());
  services.shellFails = true;
  run(ListCommand::openFileLocation);
  EXPECT_EQ(form.caption(Control::statusLabel), L"2 内容=指定されたファイルが見つかりません。");
  run(ListCommand::selectAll);
  EXPECT_EQ(window.list().selectedCount(), 3u);
}

TEST_F(ListCommands, HiddenColumnKeepsItsCellsTheSavedFileAndTheSearch) {
  const std::string before = inventoryFileBytes(window.list());
  window.listCommand(columnCommandBase + 3);  // パス, from the column menu
  EXPECT_FALSE(window.list().column(3).shown);
  EXPECT_FALSE(window.columns().shown[3]);
  EXPECT_EQ(window.list().rowCount(), 3u);
  EXPECT_EQ(inventoryFileBytes(window.list()), before);

  // A rebuild of the columns keeps what the user chose.
  rebuildColumns(window.columns(), window.list());
  EXPECT_FALSE(window.list().column(3).shown);

  // The five, a separator, then the detail columns, hidden at first.
  const std::vector<MenuEntry> menu = window.columnMenu();
  ASSERT_EQ(menu.size(), 5u + 1u + detailCount);
  EXPECT_EQ(menu[3].caption, L"パス(&4)");
  EXPECT_FALSE(menu[3].checked);
  EXPECT_TRUE(menu[4].checked);
  EXPECT_EQ(menu[5].command, 0);
  EXPECT_EQ(menu[6].caption, L"会社名(&6)");
  EXPECT_FALSE(menu[6].checked);
  EXPECT_EQ(menu.back().caption, L"登録場所(&I)");
}

TEST_F(ListCommands, LastShownColumnCannotBeHidden) {
  for (std::size_t column = 0; column < 4; ++column) window.showColumn(column, false);
  const std::vector<MenuEntry> menu = window.columnMenu();
  EXPECT_FALSE(menu[4].enabled);
  EXPECT_TRUE(menu[3].enabled);
  window.listCommand(columnCommandBase + 4);
  EXPECT_TRUE(window.list().column(4).shown);
  // Past the last column: nothing.
  window.listCommand(columnCommandBase + static_cast<int>(changeColumn));
  EXPECT_EQ(window.list().columnCount(), 5u);
  EXPECT_EQ(window.shownColumns().size(), 1u);
  // A detail column shown lets the last of the five go.
  window.listCommand(columnCommandBase + static_cast<int>(firstDetailColumn));
  EXPECT_TRUE(window.detailShown(0));
  window.showColumn(4, false);
  EXPECT_FALSE(window.list().column(4).shown);
  EXPECT_TRUE(window.columnMenu().back().enabled);
  EXPECT_FALSE(window.columnMenu()[6].enabled);
}

}  // namespace
}  // namespace vemdrol
