// Drives search and column sort through the real window's messages: text
// typed into the search box, button clicks, a click on a column header, and
// reads the selection and the order back from the list-view control.
#include <gtest/gtest.h>

#include <string>

#include "app/main_window_win32.h"
#include "os/memory/window.h"
#include "win32/window_test_support.h"

namespace vemdrol {
namespace {

struct WindowSearch : ::testing::Test {
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    ASSERT_TRUE(form.create());
    form.core().setInventoryLoader([this](Text&) {
      for (int i = 0; i < 200; ++i) {
        const std::wstring number = std::to_wstring(1000 + i);
        const std::size_t row = form.core().list().addRow(L"row" + number);
        EXPECT_TRUE(form.core().list().setCell(row, 3, L"C:\\dir\\file" + number + L".exe").ok());
        if (i == 40 || i == 150) {
          EXPECT_TRUE(form.core().list().setCell(row, 2, L"Needle App").ok());
        }
      }
    });
    form.load();
  }
  HWND control(Control c) const { return form.controlHandle(c); }
  HWND list() const { return control(Control::list); }
  void click(Control button) { SendMessageW(control(button), BM_CLICK, 0, 0); }
  int selectedRow() const {
    return static_cast<int>(
        SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }

  MemoryWindowServices services;
  MainWindowWin32 form{GetModuleHandleW(nullptr), services};
};

TEST_F(WindowSearch, TypedWordAndButtonsSelectAndScrollToTheHits) {
  SendMessageW(control(Control::searchBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"needle"));
  click(Control::searchDownButton);
  EXPECT_EQ(selectedRow(), 40);
  EXPECT_EQ(SendMessageW(list(), LVM_GETTOPINDEX, 0, 0), 40);
  EXPECT_TRUE(SendMessageW(list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

  click(Control::searchDownButton);
  EXPECT_EQ(selectedRow(), 150);
  EXPECT_EQ(SendMessageW(list(), LVM_GETNEXTITEM, 150, LVNI_SELECTED), -1);

  services.answers = {true};
  click(Control::searchDownButton);
  ASSERT_EQ(services.questions.size(), 1u);
  EXPECT_EQ(services.questions[0].title, L"Vemdrol");
  click(Control::searchUpButton);  // after Yes downward, upward starts at position 0
  EXPECT_EQ(services.questions.size(), 2u);
  click(Control::searchUpButton);
  EXPECT_EQ(selectedRow(), 150);

  // Typing clears the selection and starts again from the top.
  SendMessageW(control(Control::searchBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"needle app"));
  EXPECT_EQ(selectedRow(), -1);
  click(Control::searchDownButton);
  EXPECT_EQ(selectedRow(), 40);
}

TEST_F(WindowSearch, EmptyWordShowsTheMessage) {
  click(Control::searchDownButton);
  wchar_t status[64] = {};
  GetWindowTextW(control(Control::statusLabel), status, 64);
  EXPECT_EQ(Text(status), L"検索キーの指定がありません");
}

TEST_F(WindowSearch, HeaderClicksSortThroughTheListView) {
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  RECT pathHeader{};
  ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&pathHeader)));
  const LPARAM point = MAKELPARAM((pathHeader.left + pathHeader.right) / 2,
                                  (pathHeader.top + pathHeader.bottom) / 2);
  auto clickHeader = [&] {
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(header, WM_LBUTTONUP, 0, point);
  };

  clickHeader();
  EXPECT_EQ(listItemText(list(), 0, 3), L"C:\\dir\\file1199.exe");
  EXPECT_EQ(listItemText(list(), 199, 0), L"row1000");
  clickHeader();
  EXPECT_EQ(listItemText(list(), 0, 3), L"C:\\dir\\file1000.exe");
  EXPECT_EQ(form.core().list().sortKey(), 3u);
}

}  // namespace
}  // namespace vemdrol
