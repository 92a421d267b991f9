// The main window's keys (search, copy, select, properties, the menu key),
// Tab between its controls and the list's context menus.
#include "app/list_commands.h"
#include "app/main_window_win32.h"

namespace vemdrol {

namespace {

struct MenuTraits {
  using Type = HMENU;
  static Type empty() { return nullptr; }
  static bool valid(Type menu) { return menu != nullptr; }
  static BOOL close(Type menu) { return DestroyMenu(menu); }
};

UniqueWin32Handle<MenuTraits> menuOf(const std::vector<MenuEntry>& entries) {
  UniqueWin32Handle<MenuTraits> menu(CreatePopupMenu());
  for (const MenuEntry& entry : entries) {
    if (entry.command == 0) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    Text caption = entry.caption;
    if (!entry.shortcut.empty()) caption += L"\t" + entry.shortcut;
    UINT flags = MF_STRING;
    if (!entry.enabled) flags |= MF_GRAYED;
    if (entry.checked) flags |= MF_CHECKED;
    AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(entry.command), caption.c_str());
  }
  return menu;
}

}  // namespace

bool MainWindowWin32::translateMessage(MSG& message) {
  if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
  if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
      onKey(message.hwnd, message.wParam)) {
    return true;
  }
  // The menu keys' release too: the menu is open already, and the system
  // would open it a second time.
  if ((message.message == WM_KEYUP || message.message == WM_SYSKEYUP) &&
      (message.wParam == VK_APPS || message.wParam == VK_F10) &&
      message.hwnd == controls_[slot(Control::list)]) {
    return true;
  }
  // Tab and Shift+Tab between the controls, Enter and Space on a button.
  return IsDialogMessageW(window_, &message) != FALSE;
}

bool MainWindowWin32::onKey(HWND target, WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (GetKeyState(VK_MENU) < 0) return false;
  const HWND list = controls_[slot(Control::list)];
  const HWND search = controls_[slot(Control::searchBox)];
  const auto searchOn = [this](bool down) {
    if (down) {
      core_.searchDownClick();
    } else {
      core_.searchUpClick();
    }
  };
  if (key == VK_F3 && !control) {
    searchOn(!shift);
    return true;
  }
  if (target == list && !control && (key == VK_APPS || (key == VK_F10 && shift))) {
    onContextMenu(list, {-1, -1});
    return true;
  }
  if (key == 'F' && control && !shift) {
    SetFocus(search);
    SendMessageW(search, EM_SETSEL, 0, -1);
    return true;
  }
  if (key == VK_RETURN && !control && target == search) {
    searchOn(!shift);
    return true;
  }
  if (key == VK_RETURN && !control && !shift && target == list) {
    core_.listCommand(static_cast<int>(ListCommand::showProperties), listView_.focusedRow());
    return true;
  }
  if (key == 'A' && control && !shift && target == search) {
    SendMessageW(search, EM_SETSEL, 0, -1);
    return true;
  }
  if (control && !shift && target == list && (key == 'C' || key == 'A')) {
    core_.listCommand(static_cast<int>(key == 'C' ? ListCommand::copyRows : ListCommand::selectAll),
                      listView_.focusedRow());
    return true;
  }
  return false;
}

bool MainWindowWin32::onContextMenu(HWND from, POINT at) {
  const HWND list = controls_[slot(Control::list)];
  const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (from != list && from != header) return false;
  const bool byKey = at.x == -1 && at.y == -1;
  bool onHeader = from == header;
  if (!byKey && !onHeader && header) {
    RECT headerRect{};
    GetWindowRect(header, &headerRect);
    onHeader = PtInRect(&headerRect, at) != FALSE;
  }
  if (byKey) {
    // From the keyboard: below the focused row, or at the list's corner.
    RECT row{};
    const std::optional<std::size_t> focused = listView_.focusedRow();
    row.left = LVIR_LABEL;
    if (focused && SendMessageW(list, LVM_GETITEMRECT, *focused, reinterpret_cast<LPARAM>(&row))) {
      at = {row.left, row.bottom};
    } else {
      at = {0, 0};
    }
    ClientToScreen(list, &at);
  }
  const UniqueWin32Handle<MenuTraits> menu =
      menuOf(onHeader ? core_.columnMenu() : core_.rowMenu(listView_.focusedRow()));
  const int chosen =
      TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, window_, nullptr);
  if (chosen != 0) core_.listCommand(chosen, listView_.focusedRow());
  return true;
}

}  // namespace vemdrol
