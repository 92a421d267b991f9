// Drives the real main window the way a person does: the keys, Tab, the
// context menus (an item chosen with the keyboard while the menu is open),
// the column headers, a change of resolution, and a rebuild in a folder
// that takes no file.
#include <gtest/gtest.h>

#include <string>

#include "app/main_window_win32.h"
#include "os/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/version_resource.h"
#include "win32/window_test_support.h"

namespace vemdrol {
namespace {

// The system's clipboard, the rest in memory: ending the program must end
// only the test.
class ClipboardServices final : public MemoryWindowServices {
 public:
  Status setClipboardText(TextView text) override { return system_->setClipboardText(text); }

 private:
  std::unique_ptr<WindowServices> system_ = makeSystemWindowServices();
};

Text clipboardText() {
  Text text;
  if (!OpenClipboard(nullptr)) return L"<closed>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* characters = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = characters;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

struct WindowInput : ::testing::Test {
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    ASSERT_TRUE(form.create());
    form.core().setInventoryLoader([this](Text&) {
      for (int i = 0; i < 200; ++i) {
        const std::wstring n = std::to_wstring(1000 + i);
        form.core().list().addRow({L"row" + n, L"定義" + n,
                                   i == 40 || i == 150 ? L"Needle App" : L"",
                                   L"C:\\dir\\file" + n + L".exe", L"1.0." + n});
      }
    });
    form.load();
    pump();
  }
  void TearDown() override {
    BYTE keys[256] = {};
    SetKeyboardState(keys);
  }
  HWND control(Control c) const { return form.controlHandle(c); }
  HWND list() const { return control(Control::list); }
  HWND header() const { return reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0)); }
  void pump() { pumpFormMessages(form); }
  // A key pressed where the focus is, with Shift or Ctrl held.
  void press(WPARAM key, bool shift = false, bool ctrl = false) {
    BYTE keys[256] = {};
    if (shift) keys[VK_SHIFT] = 0x80;
    if (ctrl) keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    const HWND target = GetFocus() ? GetFocus() : form.handle();
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    pump();
    BYTE none[256] = {};
    SetKeyboardState(none);
  }
  int selectedRow() const {
    return static_cast<int>(
        SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  // Opens the context menu of `from` and chooses with the keys.
  void chooseFromContextMenu(HWND from, POINT at, std::vector<WPARAM> keys) {
    chooseFromNextMenu(form.handle(), std::move(keys));
    SendMessageW(form.handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(from),
                 MAKELPARAM(at.x, at.y));
    pump();
  }
  POINT onScreen(HWND window, POINT at) {
    ClientToScreen(window, &at);
    return at;
  }
  POINT rowPoint(int row) {
    RECT rect{};
    rect.left = LVIR_LABEL;
    SendMessageW(list(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return {rect.left + 4, (rect.top + rect.bottom) / 2};
  }

  ClipboardServices services;
  MainWindowWin32 form{GetModuleHandleW(nullptr), services};
};

TEST_F(WindowInput, FocusStartsInTheSearchBoxAndTabGoesLeftToRight) {
  EXPECT_EQ(GetFocus(), control(Control::searchBox));
  for (Control next : {Control::searchDownButton, Control::searchUpButton, Control::rebuildButton,
                       Control::list, Control::searchBox}) {
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), control(next)) << static_cast<int>(next);
  }
  press(VK_TAB, true);
  EXPECT_EQ(GetFocus(), list());
}

TEST_F(WindowInput, EnterF3AndCtrlFSearchFromTheBoxAndFromAnywhere) {
  SendMessageW(control(Control::searchBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"needle"));
  press(VK_RETURN);
  EXPECT_EQ(selectedRow(), 40);
  press(VK_RETURN);
  EXPECT_EQ(selectedRow(), 150);
  press(VK_RETURN, true);
  EXPECT_EQ(selectedRow(), 40);
  EXPECT_EQ(services.questions.size(), 0u);

  SetFocus(list());
  press(VK_F3);
  EXPECT_EQ(selectedRow(), 150);
  press(VK_F3, true);
  EXPECT_EQ(selectedRow(), 40);

  press('F', false, true);
  EXPECT_EQ(GetFocus(), control(Control::searchBox));
  DWORD start = 1;
  DWORD end = 0;
  SendMessageW(control(Control::searchBox), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 6u);
}

TEST_F(WindowInput, ListKeysSelectAllCopyAndShowTheProperties) {
  SetFocus(list());
  press('A', false, true);
  EXPECT_EQ(form.core().list().selectedCount(), 200u);
  EXPECT_EQ(SendMessageW(list(), LVM_GETSELECTEDCOUNT, 0, 0), 200);

  EXPECT_TRUE(form.core().list().selectOnly(7).ok());
  press('C', false, true);
  EXPECT_EQ(clipboardText(),
            L"種類\t定義\tアプリケーション\tパス\tバージョン\r\n"
            L"row1007\t定義1007\t\tC:\\dir\\file1007.exe\t1.0.1007\r\n");

  press(VK_RETURN);
  EXPECT_EQ(services.shownProperties, std::vector<Text>{L"C:\\dir\\file1007.exe"});
}

TEST_F(WindowInput, ContextMenuCopiesTheSelectedRowsToTheClipboard) {
  EXPECT_TRUE(form.core().list().setSelected(3, true).ok());
  EXPECT_TRUE(form.core().list().setSelected(5, true).ok());
  // The first entry, コピー.
  chooseFromContextMenu(list(), onScreen(list(), rowPoint(3)), {VK_DOWN, VK_RETURN});
  EXPECT_EQ(clipboardText(),
            L"種類\t定義\tアプリケーション\tパス\tバージョン\r\n"
            L"row1003\t定義1003\t\tC:\\dir\\file1003.exe\t1.0.1003\r\n"
            L"row1005\t定義1005\t\tC:\\dir\\file1005.exe\t1.0.1005\r\n");

  // The second, パスをコピー, from the menu key; the first from Shift+F10.
  SetFocus(list());
  chooseFromNextMenu(form.handle(), {VK_DOWN, VK_DOWN, VK_RETURN});
  press(VK_APPS);
  EXPECT_EQ(clipboardText(), L"C:\\dir\\file1003.exe\r\nC:\\dir\\file1005.exe\r\n");
  chooseFromNextMenu(form.handle(), {VK_DOWN, VK_RETURN});
  press(VK_F10, true);
  EXPECT_TRUE(clipboardText().starts_with(L"種類\t"));
}

TEST_F(WindowInput, HeaderMenuHidesAndShowsColumns) {
  RECT first{};
  SendMessageW(header(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  const POINT at = onScreen(header(), {first.left + 5, (first.top + first.bottom) / 2});
  chooseFromContextMenu(header(), at, {VK_DOWN, VK_DOWN, VK_RETURN});  // 定義
  EXPECT_EQ(SendMessageW(header(), HDM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(listItemText(list(), 40, 1), L"Needle App");
  EXPECT_EQ(listItemText(list(), 40, 2), L"C:\\dir\\file1040.exe");
  EXPECT_FALSE(form.core().columns().shown[1]);

  chooseFromContextMenu(header(), at, {VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(SendMessageW(header(), HDM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(listItemText(list(), 40, 1), L"定義1040");
}

TEST_F(WindowInput, HeaderShowsTheSortDirection) {
  const auto format = [this](int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header(), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
  };
  EXPECT_EQ(format(4), 0);
  NMLISTVIEW click{};
  click.hdr = {list(), static_cast<UINT_PTR>(GetDlgCtrlID(list())), LVN_COLUMNCLICK};
  click.iItem = -1;
  click.iSubItem = 4;
  SendMessageW(form.handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(format(4), HDF_SORTDOWN);
  EXPECT_EQ(listItemText(list(), 0, 4), L"1.0.1199");
  click.iSubItem = 0;
  SendMessageW(form.handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(format(0), HDF_SORTUP);
  EXPECT_EQ(format(4), 0);
  // Hiding a column leaves the rows sorted; a rebuild lists them anew in
  // its own order.
  form.core().showColumn(1, false);
  EXPECT_EQ(format(0), HDF_SORTUP);
  rebuildColumns(form.core().columns(), form.core().list());
  form.core().list().addRow(L"new");
  EXPECT_EQ(format(0), 0);
}

TEST_F(WindowInput, CutOffCellOffersItsWholeText) {
  SendMessageW(list(), LVM_SETCOLUMNWIDTH, 3, 40);
  RECT cell{};
  cell.top = 3;
  cell.left = LVIR_LABEL;
  SendMessageW(list(), LVM_GETSUBITEMRECT, 2, reinterpret_cast<LPARAM>(&cell));
  const POINT inside{cell.left + 5, (cell.top + cell.bottom) / 2};
  EXPECT_EQ(form.cutOffTextAt(inside), L"C:\\dir\\file1002.exe");
  SendMessageW(list(), LVM_SETCOLUMNWIDTH, 3, 600);
  EXPECT_EQ(form.cutOffTextAt(inside), L"");
}

TEST_F(WindowInput, ResolutionChangeScalesFontsColumnsAndTheWindow) {
  const int before = form.dpi();
  const auto fontHeight = [this](Control c) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control(c), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfHeight;
  };
  EXPECT_EQ(fontHeight(Control::list), -MulDiv(12, before, 72));
  RECT suggested{10, 20, 10 + 900, 20 + 600};
  SendMessageW(form.handle(), WM_DPICHANGED, MAKEWPARAM(before * 2, before * 2),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(form.dpi(), before * 2);
  EXPECT_EQ(fontHeight(Control::list), -MulDiv(12, before * 2, 72));
  EXPECT_EQ(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(2500, before * 2, 1440));
  RECT outer{};
  GetWindowRect(form.handle(), &outer);
  EXPECT_EQ(outer.left, 10);
  EXPECT_EQ(outer.right - outer.left, 900);
  // The twips stay what they were: the core's layout does not change.
  EXPECT_EQ(form.bounds(Control::window).width, MulDiv(900, 1440, before * 2));
}

TEST_F(WindowInput, WindowLiesInsideTheWorkArea) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT outer{};
  GetWindowRect(form.handle(), &outer);
  EXPECT_GE(outer.left, work.left);
  EXPECT_GE(outer.top, work.top);
  EXPECT_LE(outer.right, work.right);
  EXPECT_LE(outer.bottom, work.bottom);
  // 再作成 lies inside the client area, whatever the window's width.
  RECT client{};
  GetClientRect(form.handle(), &client);
  RECT button{};
  GetWindowRect(control(Control::rebuildButton), &button);
  MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&button), 2);
  EXPECT_LE(button.right, client.right);
}

TEST_F(WindowInput, UserCannotMakeTheWindowSmallerThanItsTopControls) {
  // As a drag does it: through the system, not through the form.
  SetWindowPos(form.handle(), nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOMOVE);
  RECT client{};
  GetClientRect(form.handle(), &client);
  RECT button{};
  GetWindowRect(control(Control::rebuildButton), &button);
  MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&button), 2);
  EXPECT_LE(button.right, client.right);
  RECT search{};
  GetWindowRect(control(Control::searchBox), &search);
  EXPECT_GE(search.right - search.left, MulDiv(1440, form.dpi(), 1440));
  RECT listRect{};
  GetWindowRect(list(), &listRect);
  EXPECT_GE(listRect.bottom - listRect.top, MulDiv(1440, form.dpi(), 1440) - 2);
}

// A folder where every file the program writes is there already and
// read-only: no trace, no inventory, no skip list can be written.
struct ReadOnlyFolder {
  ReadOnlyFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path = Text(temp) + L"vemdrol-readonly-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path.c_str(), nullptr);
    for (const wchar_t* name : {L"AppTrace.TXT", L"Vemdrol.Cnt", L"AppSkip.cnt"}) {
      const Text file = path + L"\\" + name;
      HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_READONLY, nullptr);
      CloseHandle(handle);
    }
  }
  ~ReadOnlyFolder() {
    for (const wchar_t* name : {L"AppTrace.TXT", L"Vemdrol.Cnt", L"AppSkip.cnt"}) {
      const Text file = path + L"\\" + name;
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(path.c_str());
  }
  Text path;
};

TEST(WindowRebuild, ReadOnlyFolderKeepsTheErrorInTheStatusLine) {
  ReadOnlyFolder folder;
  MemoryWindowServices services;
  services.folder = folder.path;
  MainWindowWin32 form(GetModuleHandleW(nullptr), services);
  ASSERT_TRUE(form.create());
  auto files = makeSystemFileSystem();
  MemoryRegistry registry;
  auto versions = makeSystemVersionResourceReader(*files);
  form.core().connect({registry, *files, *versions});
  form.core().setInventoryLoader([&form](Text&) { form.core().list().addRow(L"row"); });
  form.load();
  form.core().rebuildClick();

  ASSERT_TRUE(form.core().lastRebuild());
  EXPECT_FALSE(form.core().lastRebuild()->ok());
  const Text status = form.caption(Control::statusLabel);
  EXPECT_NE(status, L"再作成終了");
  EXPECT_TRUE(status.starts_with(L"CntWrite ")) << std::string(status.begin(), status.end());
  EXPECT_TRUE(form.enabled(Control::rebuildButton));
}

}  // namespace
}  // namespace vemdrol
