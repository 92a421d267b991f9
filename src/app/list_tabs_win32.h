// The tab strip above the main window's list: プログラム ファイル and アプリ
// (app/apps_tab.h). It takes the top of the room the layout gives the list,
// so that the core's layout and the program files' list stay as they were.
#pragma once

#include <optional>

#include "app/apps_tab.h"
#include "os/win32/windows.h"

namespace vemdrol {

class ListTabsWin32 {
 public:
  ListTabsWin32() = default;
  ListTabsWin32(const ListTabsWin32&) = delete;
  ListTabsWin32& operator=(const ListTabsWin32&) = delete;

  // The strip as a child of the window, with its tabs, the first chosen.
  void create(HWND parent, HINSTANCE instance, int id, HFONT font);
  HWND handle() const { return strip_; }
  void setFont(HFONT font);
  // The height of the strip, which the list's room gives up.
  LONG height() const;
  // Places the strip at the top of the list's room; returns the list's new
  // top, below the strip.
  LONG place(const RECT& listRoom);
  // The tab chosen, for the strip's notification of a change.
  std::optional<ListTab> chosen(const NMHDR& header) const;
  // Chooses a tab as the user would, without a notification.
  void choose(ListTab tab);

 private:
  HWND strip_ = nullptr;
};

}  // namespace vemdrol
