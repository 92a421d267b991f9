// The detail columns and the comparison in the real window: chosen from the
// header's menu, filled by the window's own worker thread from files on
// disk, sorted from a header click; an earlier inventory compared and the
// current list saved, the file dialogs answered by the test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "files/inventory_file.h"
#include "os/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/version_resource.h"
#include "state/saved_rows.h"
#include "version/pe_builder.h"
#include "win32/window_test_support.h"

namespace vemdrol {
namespace {

constexpr std::size_t sizeColumn = firstDetailColumn + factIndex(Fact::size);
constexpr std::size_t machineColumn = firstDetailColumn + factIndex(Fact::machine);
constexpr std::size_t hashColumn = firstDetailColumn + factIndex(Fact::sha256);

Text headerText(HWND header, int column) {
  wchar_t text[64] = {};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
  return text;
}

bool writeFile(const Text& path, const std::string& bytes) {
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file.valid() &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

struct DetailsWindow : ::testing::Test {
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder = Text(temp) + L"vemdrol-details-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    std::string program = peWithVersionBlock(versionBlock(fileVersion(2, 0, 0, 0)));
    program.resize(5000, '\0');
    PeOptions x86;
    x86.pe32Plus = false;
    std::string library = buildPe(x86).bytes;
    library.resize(2000, '\0');
    ASSERT_TRUE(writeFile(path(L"big.exe"), program));
    ASSERT_TRUE(writeFile(path(L"small.dll"), library));
    ASSERT_TRUE(writeFile(path(L"notes.dll"), std::string(300, 'n')));

    services.folder = folder;
    ASSERT_TRUE(form.create());
    form.core().connect({registry, *files, *versions});
    form.core().setInventoryLoader([this](Text&) {
      ListModel& list = form.core().list();
      list.addRow({L"notes.dll", L"", L"", path(L"notes.dll"), L""});
      list.addRow({L"big.exe", L"大きい", L"", path(L"big.exe"), L"2.0.0.0"});
      list.addRow({L"small.dll", L"", L"", path(L"small.dll"), L"1.0"});
    });
    form.load();
    pump();
  }
  void TearDown() override {
    for (const wchar_t* name : {L"big.exe", L"small.dll", L"notes.dll", L"old.cnt", L"now.cnt"}) {
      DeleteFileW(path(name).c_str());
    }
    RemoveDirectoryW(folder.c_str());
  }
  Text path(const wchar_t* name) const { return folder + L"\\" + name; }
  HWND list() const { return form.controlHandle(Control::list); }
  HWND header() const { return reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0)); }
  int headerCount() const {
    return static_cast<int>(SendMessageW(header(), HDM_GETITEMCOUNT, 0, 0));
  }
  void pump() { pumpFormMessages(form); }
  // Lets the window run until the cell shows a text, as long as a few
  // seconds at most; the text it shows then.
  Text waitForCell(int row, int column) {
    for (int i = 0; i < 1000; ++i) {
      const Text text = listItemText(list(), row, column);
      if (!text.empty()) return text;
      pump();
      Sleep(10);
    }
    return L"<empty>";
  }
  void chooseFromContextMenu(HWND from, POINT at, std::vector<WPARAM> keys) {
    chooseFromNextMenu(form.handle(), std::move(keys));
    SendMessageW(form.handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(from),
                 MAKELPARAM(at.x, at.y));
    pump();
  }
  void clickHeader(int viewColumn) {
    NMLISTVIEW click{};
    click.hdr = {list(), static_cast<UINT_PTR>(GetDlgCtrlID(list())), LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = viewColumn;
    SendMessageW(form.handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  }
  // What the window answers the list's custom drawing of a row at a stage.
  std::pair<LRESULT, COLORREF> customDraw(DWORD stage, int row) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {list(), static_cast<UINT_PTR>(GetDlgCtrlID(list())),
                     static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = stage;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    draw.clrText = RGB(1, 2, 3);
    const LRESULT answer = SendMessageW(form.handle(), WM_NOTIFY, draw.nmcd.hdr.idFrom,
                                        reinterpret_cast<LPARAM>(&draw));
    return {answer, draw.clrText};
  }
  void command(ListCommand which) { form.core().listCommand(static_cast<int>(which)); }

  Text folder;
  MemoryWindowServices services;
  MemoryRegistry registry;
  std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  std::unique_ptr<VersionResourceReader> versions = makeSystemVersionResourceReader(*files);
  MainWindowWin32 form{GetModuleHandleW(nullptr), services};
};

TEST_F(DetailsWindow, ChosenDetailColumnsFillFromTheFilesAndSortBySize) {
  EXPECT_EQ(headerCount(), 5);
  RECT first{};
  SendMessageW(header(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  POINT at{first.left + 5, (first.top + first.bottom) / 2};
  ClientToScreen(header(), &at);
  // サイズ: the five, past the separator, then the sixth detail column.
  std::vector<WPARAM> keys(11, VK_DOWN);
  keys.push_back(VK_RETURN);
  chooseFromContextMenu(header(), at, keys);
  ASSERT_EQ(headerCount(), 6);
  EXPECT_EQ(headerText(header(), 5), L"サイズ");
  form.core().showColumn(machineColumn, true);
  ASSERT_EQ(headerCount(), 7);

  EXPECT_EQ(waitForCell(1, 5), L"5000");
  EXPECT_EQ(waitForCell(1, 6), L"x64");
  EXPECT_EQ(waitForCell(2, 5), L"2000");
  EXPECT_EQ(waitForCell(2, 6), L"x86");
  EXPECT_EQ(waitForCell(0, 5), L"300");
  EXPECT_EQ(waitForCell(0, 6), L"PE ファイルではありません");

  // Descending by the sizes' values: 300 last, though "300" > "2000" as text.
  clickHeader(5);
  for (int i = 0; i < 500 && !form.core().list().sorted(); ++i) {
    pump();
    Sleep(10);
  }
  ASSERT_TRUE(form.core().list().sorted());
  EXPECT_EQ(listItemText(list(), 0, 0), L"big.exe");
  EXPECT_EQ(listItemText(list(), 1, 0), L"small.dll");
  EXPECT_EQ(listItemText(list(), 2, 0), L"notes.dll");
  HDITEMW mark{};
  mark.mask = HDI_FORMAT;
  SendMessageW(header(), HDM_GETITEMW, 5, reinterpret_cast<LPARAM>(&mark));
  EXPECT_EQ(mark.fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);

  // A sort by the hash, which no row has yet, counts in the status line;
  // the window closes while its worker may still be reading.
  form.core().columnClick(hashColumn + 1);
  EXPECT_EQ(form.caption(Control::statusLabel), L"詳細を取得中 0 / 3");
}

TEST_F(DetailsWindow, ComparisonGreysRemovedRowsAndTheCurrentListIsSaved) {
  std::string older;
  appendInventoryLine(older,
                      InventoryRecord{L"big.exe", L"大きい", L"", path(L"big.exe"), L"2.0.0.0"});
  appendInventoryLine(older, InventoryRecord{L"small.dll", L"", L"", path(L"small.dll"), L"0.9"});
  older += "\"damaged\r\n";
  appendInventoryLine(older, InventoryRecord{L"gone.dll", L"", L"", path(L"gone.dll"), L"0.1"});
  ASSERT_TRUE(writeFile(path(L"old.cnt"), older));

  // 比較... from the list's menu, the file named in the test's dialog.
  services.fileNames = {path(L"old.cnt")};
  RECT rows{};
  GetClientRect(list(), &rows);
  POINT at{rows.right / 2, rows.bottom - 5};
  ClientToScreen(list(), &at);
  // The keys walk the menu's items as the window builds it, separators
  // skipped, down to 比較....
  std::vector<WPARAM> keys;
  for (const MenuEntry& entry : form.core().rowMenu()) {
    if (entry.command == 0) continue;
    keys.push_back(VK_DOWN);
    if (entry.command == static_cast<int>(ListCommand::compare)) break;
  }
  keys.push_back(VK_RETURN);
  chooseFromContextMenu(list(), at, keys);
  ASSERT_EQ(services.fileQuestions.size(), 1u);
  ASSERT_EQ(headerCount(), 6);
  EXPECT_EQ(headerText(header(), 0), L"差分");
  ASSERT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(listItemText(list(), 0, 0), L"追加");
  EXPECT_EQ(listItemText(list(), 2, 0), L"変更 (バージョン)");
  EXPECT_EQ(listItemText(list(), 3, 0), L"削除");
  EXPECT_EQ(listItemText(list(), 3, 1), L"gone.dll");
  EXPECT_TRUE(form.caption(Control::statusLabel).starts_with(L"比較する一覧の 1 行が壊れています"));

  // The removed row is drawn in grey; the others keep the list's colour.
  EXPECT_EQ(customDraw(CDDS_PREPAINT, 0).first, CDRF_NOTIFYITEMDRAW);
  EXPECT_EQ(customDraw(CDDS_ITEMPREPAINT, 3).second, GetSysColor(COLOR_GRAYTEXT));
  EXPECT_EQ(customDraw(CDDS_ITEMPREPAINT, 2).second, RGB(1, 2, 3));

  command(ListCommand::changedOnly);
  EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(listItemText(list(), 1, 0), L"変更 (バージョン)");

  // Saved while comparing: the current rows alone, in the inventory's form.
  services.fileNames = {path(L"now.cnt")};
  command(ListCommand::saveList);
  EXPECT_EQ(form.caption(Control::statusLabel), L"現在の一覧を保存しました");
  const Result<std::string> saved = files->readFile(path(L"now.cnt"));
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved.value(), inventoryFileBytes(form.core().list()));
  EXPECT_EQ(readCheckedInventory(saved.value()).records.size(), 3u);

  command(ListCommand::endComparison);
  EXPECT_EQ(headerCount(), 5);
  EXPECT_EQ(headerText(header(), 0), L"種類");
  EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(customDraw(CDDS_PREPAINT, 0).first, CDRF_DODEFAULT);
}

}  // namespace
}  // namespace vemdrol
