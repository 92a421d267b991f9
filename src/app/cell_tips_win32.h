// The tooltip over the main window's list that shows a cell's whole text
// where its column cuts it off: it follows the mouse from cell to cell and
// shows, after the usual pause, only for a cell whose text is cut.
#pragma once

#include <utility>

#include "app/list_view_win32.h"

namespace vemdrol {

class CellTips {
 public:
  explicit CellTips(const ListViewWin32& list) : list_(list) {}
  CellTips(const CellTips&) = delete;
  CellTips& operator=(const CellTips&) = delete;

  // Follows the mouse over the list control, from the moment it is made.
  void watch(HWND list);
  // Makes the tooltip, owned by the main window; until then the mouse is
  // followed for nothing.
  void create(HWND owner, HINSTANCE instance, int maxWidth);
  // The list control's whole client area is the tooltip's, after each
  // layout.
  void fitToList();
  void setMaxWidth(int maxWidth);
  // The list control is going: the mouse is followed no more.
  void stopWatching();

 private:
  static LRESULT CALLBACK listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR tips);
  void onMouseMove(POINT point);

  const ListViewWin32& list_;
  HWND watched_ = nullptr;
  HWND tips_ = nullptr;
  // The cell under the mouse and its tooltip text.
  std::pair<int, int> cell_{-1, -1};
  Text text_;
};

}  // namespace vemdrol
