// What the tests of the real window share: reading the list's cells, running
// the messages waiting for the window's thread, and choosing from a menu the
// window opens in a loop of its own.
#pragma once

#include <utility>
#include <vector>

#include "app/main_window_win32.h"

namespace vemdrol {

inline Text listItemText(HWND list, int row, int column) {
  wchar_t text[128] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 128;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

// The form's own keys first, as the program's message loop does.
inline void pumpFormMessages(MainWindowWin32& form) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (form.translateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Chooses with these keys from the next menu opened: the menu's loop reads
// the thread's queue, so a thread timer posts them once it runs.
inline void chooseFromNextMenu(HWND owner, std::vector<WPARAM> keys) {
  static std::vector<WPARAM> pending;
  static HWND to = nullptr;
  pending = std::move(keys);
  to = owner;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    for (WPARAM key : pending) {
      PostMessageW(to, WM_KEYDOWN, key, 0);
      PostMessageW(to, WM_KEYUP, key, 0);
    }
  });
}

}  // namespace vemdrol
