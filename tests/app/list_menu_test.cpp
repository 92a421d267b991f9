// The list's menus: every entry can be chosen by a key of its own, and
// プロパティ says in words where the shell has no properties dialog.
#include <gtest/gtest.h>

#include <set>

#include "app/form_design.h"
#include "app/list_commands.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "app/row_facts.h"
#include "base/utf8.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

// The access key of a caption, 0 for none.
wchar_t accessKey(const Text& caption) {
  const std::size_t at = caption.find(L'&');
  return at == Text::npos || at + 1 >= caption.size() ? 0 : caption[at + 1];
}

TEST(MenuKeys, EveryEntryHasAKeyOfItsOwn) {
  ListModel list;
  list.addRow(L"*.txt");
  (void)list.setSelected(0, true);
  std::vector<ColumnChoice> columns;
  for (std::size_t i = 0; i < cellCount; ++i) columns.push_back({i, L"列", true});
  for (std::size_t d = 0; d < detailCount; ++d) {
    columns.push_back({firstDetailColumn + d, detailColumns[d].name, false});
  }
  const std::vector<MenuEntry> menus[] = {rowMenu(list, RowMenuState{}), columnMenu(columns)};
  for (const std::vector<MenuEntry>& menu : menus) {
    std::set<wchar_t> keys;
    for (const MenuEntry& entry : menu) {
      if (entry.command == 0) continue;
      const wchar_t key = accessKey(entry.caption);
      EXPECT_NE(key, 0) << toUtf8(entry.caption);
      EXPECT_TRUE(keys.insert(key).second) << toUtf8(entry.caption);
    }
  }
  const std::vector<MenuEntry> row = rowMenu(list, RowMenuState{});
  EXPECT_EQ(row.front().caption, L"コピー(&C)");
  EXPECT_EQ(row.front().shortcut, L"Ctrl+C");
  // A dialog's "..." stays last.
  EXPECT_EQ(row.at(7).caption, L"比較(&O)...");
}

TEST(PropertiesCommand, AShellWithoutTheDialogIsNamedInWords) {
  struct Case {
    bool noDialog;
    bool fails;
    Text status;
  };
  const Case cases[] = {
      {false, false, L"1 行"},
      {true, false, Text(noPropertiesDialogMessage)},
      {false, true, L"2 内容=指定されたファイルが見つかりません。"},
  };
  for (const Case& c : cases) {
    MemoryForm form;
    applyDesign(form);
    MemoryWindowServices services;
    services.noPropertiesDialog = c.noDialog;
    services.shellFails = c.fails;
    MainWindow window(form, services);
    window.setInventoryLoader([&](Text&) {
      window.list().addRow({L"a.exe", L"", L"", L"C:\\a.exe", L""});
    });
    window.load();
    (void)window.list().setSelected(0, true);
    window.listCommand(static_cast<int>(ListCommand::showProperties));
    EXPECT_EQ(form.caption(Control::statusLabel), c.status);
    EXPECT_EQ(services.shownProperties.size(), c.noDialog || c.fails ? 0u : 1u);
  }
}

}  // namespace
}  // namespace vemdrol
