#include "app/cell_tips_win32.h"

namespace vemdrol {

namespace {

constexpr UINT_PTR listSubclassId = 1;
// The one tool of the tooltip: the list control's client area.
constexpr UINT_PTR listTool = 1;

}  // namespace

void CellTips::watch(HWND list) {
  watched_ = list;
  SetWindowSubclass(list, listProc, listSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CellTips::stopWatching() {
  if (watched_) RemoveWindowSubclass(watched_, listProc, listSubclassId);
  watched_ = nullptr;
}

LRESULT CALLBACK CellTips::listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR tips) {
  if (message == WM_MOUSEMOVE) {
    reinterpret_cast<CellTips*>(tips)->onMouseMove(
        {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

void CellTips::create(HWND owner, HINSTANCE instance, int maxWidth) {
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
  if (!tips_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = list_.handle();
  tool.uId = listTool;
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  setMaxWidth(maxWidth);
}

void CellTips::setMaxWidth(int maxWidth) {
  if (tips_) SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, maxWidth);
}

void CellTips::fitToList() {
  if (!tips_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = list_.handle();
  tool.uId = listTool;
  GetClientRect(tool.hwnd, &tool.rect);
  SendMessageW(tips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CellTips::onMouseMove(POINT point) {
  if (!tips_) return;
  const HWND list = list_.handle();
  LVHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  const std::pair<int, int> cell{hit.iItem, hit.iSubItem};
  if (cell == cell_) return;
  cell_ = cell;
  text_ = list_.cutOffTextAt(point);
  // A new cell: the old tip goes, and the new one shows after the usual
  // pause, if its text is cut off.
  SendMessageW(tips_, TTM_POP, 0, 0);
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = list;
  tool.uId = listTool;
  tool.lpszText = const_cast<wchar_t*>(text_.c_str());
  SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tips_, TTM_ACTIVATE, text_.empty() ? FALSE : TRUE, 0);
}

}  // namespace vemdrol
