// The tab strip of the real main window: its two tabs above the list, and a
// change of tab that shows the other list's columns and rows in the same
// list control, the program files' list as it was when it comes back.
#include <gtest/gtest.h>

#include "app/main_window_win32.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

Text tabCaption(HWND tabs, int index) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return text;
}

std::vector<Text> headers(HWND list) {
  std::vector<Text> names;
  for (int i = 0;; ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 64;
    if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i),
                      reinterpret_cast<LPARAM>(&column)))
      break;
    names.emplace_back(text);
  }
  return names;
}

Text cell(HWND list, int row, int column) {
  wchar_t text[128] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 128;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

// A click on a tab, as the control tells its parent of it.
void clickTab(HWND window, HWND tabs, int index) {
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(window, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

TEST(ListTabsWin32, TheTabsSwitchTheListControlBetweenProgramFilesAndApps) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  MemoryWindowServices services;
  MainWindowWin32 form{GetModuleHandleW(nullptr), services};
  ASSERT_TRUE(form.create());
  form.core().setInventoryLoader([&form](Text& flag) {
    flag.clear();
    form.core().list().addRow({L"*.txt", L"txtfile", L"", L"C:\\w\\notepad.exe", L"6.1"});
    InstalledApp editor;
    editor.name = L"エディター ©";
    editor.version = L"2.1";
    editor.size = 2048;
    InstalledApp hidden = editor;
    hidden.name = L"更新プログラム";
    hidden.hidden = true;
    form.core().appsTab().setApps({editor, hidden});
  });
  form.load();
  const HWND list = form.controlHandle(Control::list);
  const HWND tabs = FindWindowExW(form.handle(), nullptr, WC_TABCONTROLW, nullptr);
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(tabCaption(tabs, 0), L"プログラム ファイル");
  EXPECT_EQ(tabCaption(tabs, 1), L"アプリ");
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
  // The strip lies right above the list, as wide as it.
  RECT strip{};
  RECT rows{};
  GetWindowRect(tabs, &strip);
  GetWindowRect(list, &rows);
  EXPECT_EQ(strip.bottom, rows.top);
  EXPECT_EQ(strip.left, rows.left);
  EXPECT_EQ(strip.right, rows.right);
  EXPECT_GT(strip.bottom - strip.top, 0);
  const std::vector<Text> programHeaders = headers(list);

  clickTab(form.handle(), tabs, 1);
  EXPECT_EQ(form.core().shownTab(), ListTab::apps);
  EXPECT_EQ(headers(list), (std::vector<Text>{L"名前", L"バージョン", L"発行元", L"インストール日",
                                              L"サイズ", L"場所", L"対象", L"種類"}));
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(cell(list, 0, 0), L"エディター ©");
  EXPECT_EQ(cell(list, 0, 4), L"2048");

  clickTab(form.handle(), tabs, 0);
  EXPECT_EQ(form.core().shownTab(), ListTab::programFiles);
  EXPECT_EQ(headers(list), programHeaders);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(cell(list, 0, 3), L"C:\\w\\notepad.exe");
}

}  // namespace
}  // namespace vemdrol
