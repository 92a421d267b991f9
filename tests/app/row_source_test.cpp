// Where each row came from, in the window: the 登録場所 column, which reads
// the row's source and never its file, and レジストリ エディターで開く.
#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

constexpr std::size_t sourceColumn = firstDetailColumn + sourceDetail;
const Text typeKey = L"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command";
const Text libraryKey = L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}\\InprocServer32";
const Text folderScan = L"C:\\w\\内の調査";

struct RowSource : ::testing::Test {
  RowSource() {
    applyDesign(form);
    window.connect({registry, files, versions});
    window.setInventoryLoader([this](Text&) {
      ListModel& list = window.list();
      list.addRow({L"*.txt", L"txtfile", L"", L"C:\\w\\notepad.exe", L"6.1"}, 0, typeKey);
      list.addRow({L"a.dll", L"", L"", L"C:\\w\\a.dll", L"1.0"}, 0, folderScan);
      list.addRow({L"b.dll", L"", L"", L"C:\\w\\b.dll", L"2.0"}, 0, libraryKey);
      list.addRow({L"c.dll", L"", L"", L"C:\\w\\c.dll", L"3.0"});
    });
    window.load();
  }
  bool editorEnabled(std::optional<std::size_t> focused = std::nullopt) const {
    for (const MenuEntry& entry : window.rowMenu(focused)) {
      if (entry.command == static_cast<int>(ListCommand::openInRegistryEditor)) {
        EXPECT_EQ(entry.caption, L"レジストリ エディターで開く(&G)");
        return entry.enabled;
      }
    }
    ADD_FAILURE() << "no entry";
    return false;
  }
  void openEditor(std::optional<std::size_t> focused = std::nullopt) {
    window.listCommand(static_cast<int>(ListCommand::openInRegistryEditor), focused);
  }
  std::vector<Text> sources() const {
    std::vector<Text> cells;
    for (std::size_t row = 0; row < window.shownList().rowCount(); ++row) {
      cells.emplace_back(window.cellText(row, sourceColumn));
    }
    return cells;
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
};

TEST_F(RowSource, OpensRegistryEditorAtTheKeyOfTheRowTheCommandIsFor) {
  EXPECT_FALSE(editorEnabled());
  // A row the folder scan found, and one whose source is not known, have
  // no key to open.
  for (std::size_t row : {1u, 3u}) {
    ASSERT_TRUE(window.list().selectOnly(row).ok());
    EXPECT_FALSE(editorEnabled(row)) << row;
    openEditor(row);
  }
  EXPECT_TRUE(services.registryEditorKeys.empty());

  ASSERT_TRUE(window.list().selectOnly(0).ok());
  ASSERT_TRUE(window.list().setSelected(2, true).ok());
  EXPECT_TRUE(editorEnabled(2));
  openEditor(2);
  // Focused but not selected: the first selected row.
  openEditor(1);
  EXPECT_EQ(services.registryEditorKeys, (std::vector<Text>{libraryKey, typeKey}));

  services.shellFails = true;
  openEditor(0);
  EXPECT_EQ(form.caption(Control::statusLabel), L"2 内容=指定されたファイルが見つかりません。");
}

TEST_F(RowSource, ColumnShowsSortsAndCopiesTheSourceWithoutReadingAFile) {
  // The last detail column, hidden at first like the others.
  EXPECT_EQ(window.columnMenu().back().caption, L"登録場所(&I)");
  EXPECT_FALSE(window.columnMenu().back().checked);
  window.listCommand(columnCommandBase + static_cast<int>(sourceColumn));
  ASSERT_TRUE(window.detailShown(sourceDetail));
  // No file of the rows exists, and no detail worker is set: the cells are
  // the rows' own.
  EXPECT_EQ(sources(), (std::vector<Text>{typeKey, folderScan, libraryKey, L""}));
  EXPECT_EQ(window.cellToShow(0, sourceColumn), typeKey);

  // The first click sorts downward, as text.
  window.columnClick(sourceColumn + 1);
  EXPECT_EQ(sources(), (std::vector<Text>{libraryKey, typeKey, folderScan, L""}));
  EXPECT_EQ(window.shownList().cell(1, 0), L"*.txt");

  ASSERT_TRUE(window.list().selectOnly(1).ok());
  window.listCommand(static_cast<int>(ListCommand::copyRows));
  EXPECT_NE(services.clipboard.find(L"\t登録場所\r\n"), Text::npos);
  EXPECT_NE(services.clipboard.find(L"\t" + typeKey + L"\r\n"), Text::npos);
}

TEST_F(RowSource, ComparedRowsKeepTheirSourcesAndRemovedOnesHaveNone) {
  std::string older;
  appendInventoryLine(older, InventoryRecord{L"b.dll", L"", L"", L"C:\\w\\b.dll", L"1.0"});
  appendInventoryLine(older, InventoryRecord{L"gone.dll", L"", L"", L"C:\\w\\gone.dll", L"1.0"});
  files.addFile(L"C:\\before.cnt", older);
  window.compareWith(L"C:\\before.cnt");
  ASSERT_NE(window.comparison(), nullptr);
  EXPECT_EQ(sources(), (std::vector<Text>{typeKey, folderScan, libraryKey, L"", L""}));
  ASSERT_TRUE(window.shownList().selectOnly(2).ok());
  EXPECT_TRUE(editorEnabled());
  ASSERT_TRUE(window.shownList().selectOnly(4).ok());
  EXPECT_FALSE(editorEnabled());
}

}  // namespace
}  // namespace vemdrol
