#include "app/list_tabs_win32.h"

#include <algorithm>

namespace vemdrol {

void ListTabsWin32::create(HWND parent, HINSTANCE instance, int id, HFONT font) {
  strip_ = CreateWindowExW(
      0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_TABS | TCS_FOCUSNEVER,
      0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!strip_) return;
  setFont(font);
  for (std::size_t i = 0; i < listTabCaptions.size(); ++i) {
    // The captions are literals; the control copies them.
    Text caption(listTabCaptions[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(strip_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

void ListTabsWin32::setFont(HFONT font) {
  if (strip_) SendMessageW(strip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

LONG ListTabsWin32::height() const {
  if (!strip_) return 0;
  // The strip's height is that of its tabs alone: the control tells the
  // room its own display area would leave, which the list takes instead.
  RECT area{0, 0, 1000, 0};
  SendMessageW(strip_, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
  return std::max<LONG>(-area.top, 1);
}

LONG ListTabsWin32::place(const RECT& listRoom) {
  if (!strip_) return listRoom.top;
  const LONG height = this->height();
  MoveWindow(strip_, listRoom.left, listRoom.top, listRoom.right - listRoom.left, height, TRUE);
  return std::min(listRoom.top + height, listRoom.bottom);
}

std::optional<ListTab> ListTabsWin32::chosen(const NMHDR& header) const {
  if (header.hwndFrom != strip_ || header.code != static_cast<UINT>(TCN_SELCHANGE)) {
    return std::nullopt;
  }
  const auto index = SendMessageW(strip_, TCM_GETCURSEL, 0, 0);
  return index == 1 ? ListTab::apps : ListTab::programFiles;
}

void ListTabsWin32::choose(ListTab tab) {
  if (strip_) SendMessageW(strip_, TCM_SETCURSEL, tab == ListTab::apps ? 1 : 0, 0);
}

}  // namespace vemdrol
