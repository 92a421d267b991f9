// Drives the real main window under the window system: the controls, fonts,
// list-view and layout that a person sees, with the services kept in memory
// so that ending the program ends only the test.
#include "app/main_window_win32.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/form_design.h"
#include "app/progress.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

void pumpMessagesFor(DWORD milliseconds, const bool* until = nullptr) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds && !(until && *until)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

Text windowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

RECT childRect(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

struct MainWindowWin32Test : ::testing::Test {
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }

  void loadWithRows(int rows) {
    ASSERT_TRUE(form.create());
    form.core().setInventoryLoader([this, rows](Text& flag) {
      flag.clear();
      for (int i = 0; i < rows; ++i) {
        const std::size_t row = form.core().list().addRow(L"*.txt;*.log");
        EXPECT_TRUE(form.core().list().setCell(row, 3, L"C:\\Windows\\notepad.exe").ok());
      }
    });
    form.core().setRebuildCommand([this] { ++rebuilds; });
    form.load();
  }

  HWND list() const { return form.controlHandle(Control::list); }

  MemoryWindowServices services;
  MainWindowWin32 form{GetModuleHandleW(nullptr), services};
  TwipsScale scale;
  int rebuilds = 0;
};

TEST_F(MainWindowWin32Test, ShowsEveryControlWithItsDesignCaption) {
  loadWithRows(3);
  EXPECT_TRUE(IsWindowVisible(form.handle()));
  EXPECT_EQ(windowText(form.handle()), L"Vemdrol");
  EXPECT_EQ(windowText(form.controlHandle(Control::rebuildButton)), L"再作成");
  EXPECT_EQ(windowText(form.controlHandle(Control::searchDownButton)), L"▼");
  EXPECT_EQ(windowText(form.controlHandle(Control::searchUpButton)), L"▲");
  EXPECT_EQ(windowText(form.controlHandle(Control::titleLabel)), L"アプリケーション一覧");
  EXPECT_EQ(windowText(form.controlHandle(Control::passMarks)), L"○○○○○○○○○○");
  EXPECT_EQ(windowText(form.controlHandle(Control::stepMarks)), L"△△△△△△△△△△△△△△△△△△△△");
  // Start-up leaves the rows' count in the status line, and a label sized
  // to its text shrinks to it.
  EXPECT_EQ(windowText(form.controlHandle(Control::statusLabel)), L"3 行");
  EXPECT_GT(form.bounds(Control::statusLabel).width, 0);
  EXPECT_LT(form.bounds(Control::statusLabel).width, designBounds(Control::statusLabel).width);
  EXPECT_EQ(rebuilds, 0);
  EXPECT_FALSE(services.clipboardCleared);

  // Placed at the design positions, converted at the screen's resolution. A
  // button too low for its font's line grows, up toward the window's top
  // rather than into the list.
  const RECT button = childRect(form.handle(), form.controlHandle(Control::rebuildButton));
  const RECT listRect = childRect(form.handle(), list());
  EXPECT_EQ(button.left, scale.toPixelsX(12840));
  EXPECT_LE(button.top, scale.toPixelsY(120));
  EXPECT_GE(button.bottom - button.top, scale.toPixelsY(500));
  EXPECT_LE(button.bottom, listRect.top);
  EXPECT_EQ(button.right - button.left, scale.toPixelsX(1815));
}

TEST_F(MainWindowWin32Test, ListViewShowsTheModelsColumnsAndRows) {
  loadWithRows(3);
  const std::vector<Text> names = {L"種類", L"定義", L"アプリケーション", L"パス", L"バージョン"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(Text(text), names[i]);
    EXPECT_EQ(column.cx, scale.toPixelsX(2500));
  }
  EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), 3);

  wchar_t cell[64] = {};
  LVITEMW item{};
  item.iSubItem = 3;
  item.pszText = cell;
  item.cchTextMax = 64;
  SendMessageW(list(), LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(Text(cell), L"C:\\Windows\\notepad.exe");
  item.iSubItem = 0;
  SendMessageW(list(), LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(Text(cell), L"*.txt;*.log");

  // A rebuild of the columns empties the view along with the model.
  rebuildColumns(form.core().columns(), form.core().list());
  EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(MainWindowWin32Test, SelectionFlowsBothWaysBetweenModelAndView) {
  loadWithRows(4);
  ListModel& model = form.core().list();
  ASSERT_TRUE(model.selectOnly(1));
  EXPECT_EQ(SendMessageW(list(), LVM_GETITEMSTATE, 1, LVIS_SELECTED), LVIS_SELECTED);

  // A selection made in the view, as a click makes it, reaches the model.
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageW(list(), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));
  EXPECT_TRUE(model.selected(3));
  state.state = 0;
  SendMessageW(list(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  EXPECT_FALSE(model.selected(1));
  EXPECT_FALSE(model.selected(3));
  EXPECT_EQ(model.selectedCount(), 0u);
}

TEST_F(MainWindowWin32Test, EmptyListStartsHiddenRebuildsAndTheTimerEndsTheProgram) {
  loadWithRows(0);
  EXPECT_FALSE(IsWindowVisible(form.handle()));
  EXPECT_EQ(rebuilds, 1);
  EXPECT_FALSE(services.ended);
  // The icon in the notification area stays a while for its notification.
  pumpMessagesFor(static_cast<DWORD>(rebuiltNoticeShownFor.count()) + 5000, &services.ended);
  EXPECT_TRUE(services.ended);
}

TEST_F(MainWindowWin32Test, ResizeFollowsTheWindowAndSurvivesAShortOne) {
  loadWithRows(1);
  // 12000 by 9000 twips is a whole number of pixels at the usual resolutions.
  form.setBounds(Control::window, {0, 0, 12000, 9000});
  const TwipsRect outer = form.bounds(Control::window);
  EXPECT_EQ(outer.width, 12000);
  EXPECT_EQ(outer.height, 9000);
  const RECT listRect = childRect(form.handle(), list());
  EXPECT_EQ(listRect.right - listRect.left, scale.toPixelsX(11300));
  // The tab strip above the list takes the top of its room.
  const RECT tabs =
      childRect(form.handle(), FindWindowExW(form.handle(), nullptr, WC_TABCONTROLW, nullptr));
  EXPECT_EQ(tabs.bottom, listRect.top);
  EXPECT_EQ(listRect.bottom - tabs.top, scale.toPixelsY(6900));
  const TwipsRect status = form.bounds(Control::statusLabel);
  EXPECT_EQ(status.top, 8000 - status.height);
  EXPECT_EQ(form.bounds(Control::passMarks).top, status.top);

  form.setBounds(Control::window, {0, 0, 12000, 1800});
  EXPECT_EQ(form.bounds(Control::list).height, 0);
  EXPECT_TRUE(IsWindow(list()));

  // Minimised, the controls stay where they were.
  const TwipsRect before = form.bounds(Control::list);
  ShowWindow(form.handle(), SW_MINIMIZE);
  EXPECT_EQ(form.bounds(Control::list), before);
  ShowWindow(form.handle(), SW_RESTORE);
}

TEST_F(MainWindowWin32Test, FontsRenderTheJapaneseCaptions) {
  loadWithRows(1);
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    const Text face = form.fontFace(control);
    EXPECT_FALSE(face.empty());
    HWND handle = form.controlHandle(control);
    auto font = reinterpret_cast<HFONT>(SendMessageW(handle, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << static_cast<int>(i);
    WindowDC dc(handle);
    SelectedObject selected(dc.get(), font);
    const Text sample = L"再作成アプリケーション一覧○△▼▲種類";
    std::vector<WORD> glyphs(sample.size());
    ASSERT_NE(GetGlyphIndicesW(dc.get(), sample.c_str(), static_cast<int>(sample.size()),
                               glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS),
              GDI_ERROR);
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
      EXPECT_NE(glyphs[g], 0xFFFF)
          << "face " << std::string(face.begin(), face.end()) << " lacks character " << g;
    }
  }
}

TEST_F(MainWindowWin32Test, StatusLineIsSizedToItsText) {
  loadWithRows(1);
  form.setCaption(Control::statusLabel, L"バージョンの再作成中");
  const long width = form.bounds(Control::statusLabel).width;
  EXPECT_GT(width, 0);
  const RECT label = childRect(form.handle(), form.controlHandle(Control::statusLabel));
  EXPECT_EQ(label.right - label.left, scale.toPixelsX(width));
  form.setCaption(Control::statusLabel, L"バージョンの再作成中バージョンの再作成中");
  EXPECT_GT(form.bounds(Control::statusLabel).width, width);
}

TEST_F(MainWindowWin32Test, ProgressMarksReachTheRealLabels) {
  loadWithRows(1);
  FormScanView view(form, services);
  view.onScan(ScanEnded{});
  view.onBuild(StepReached{7, 30});
  EXPECT_EQ(windowText(form.controlHandle(Control::stepMarks)), L"▼▼▼▼△△△△△△△△△△△△△△△△");
  EXPECT_TRUE(IsWindowVisible(form.controlHandle(Control::stepMarks)));
  view.onBuild(PassesDone{3});
  EXPECT_EQ(windowText(form.controlHandle(Control::passMarks)), L"●●●○○○○○○○");
  view.onBuild(PassEnded{BuildPass::fifth});
  EXPECT_EQ(windowText(form.controlHandle(Control::statusLabel)), L"５回目の処理");
  view.onScan(ScanEnded{});
  EXPECT_FALSE(IsWindowVisible(form.controlHandle(Control::passMarks)));
}

TEST_F(MainWindowWin32Test, TooltipsNameTheSearchControls) {
  loadWithRows(1);
  HWND tips = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (Text(name) == TOOLTIPS_CLASSW) {
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tips));
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
  for (Control control : {Control::searchDownButton, Control::searchUpButton, Control::searchBox}) {
    wchar_t text[80] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form.handle();
    tool.uId = reinterpret_cast<UINT_PTR>(form.controlHandle(control));
    tool.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Text(text), designTooltip(control));
  }
}

}  // namespace
}  // namespace vemdrol
