// The main window's layout: every child's place at the window's resolution,
// made room for by its font, and what changes it (a resize, a change of
// resolution, the least size the user may drag the window to).
#include <algorithm>
#include <climits>

#include "app/control_kinds_win32.h"
#include "app/form_design.h"
#include "app/main_window_win32.h"

namespace vemdrol {

int MainWindowWin32::textWidth(Control control, TextView text) const {
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get() || text.empty()) return 0;
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

SIZE MainWindowWin32::textRoom(Control control, int width) const {
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get()) return {width, 0};
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int edge = systemMetricForDpi(SM_CYEDGE, dpi());
  if (control == Control::searchBox) return {width, metrics.tmHeight + 2 * edge + 2 * pixels(1)};
  // The frame, and the focus rectangle inside it.
  if (isButton(control)) return {width, metrics.tmHeight + 2 * edge + 4 * pixels(1)};
  // A label: its text as the static control lays it out, at least one line.
  const Text text = caption(control);
  if (text.empty()) return {width, metrics.tmHeight};
  RECT room{0, 0, std::max(width, 1), 0};
  UINT format = DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX;
  const DWORD style = styleOf(control);
  if ((style & SS_TYPEMASK) == SS_LEFT) format |= DT_WORDBREAK;
  if (style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &room, format);
  return {std::max<int>(room.right - room.left, width),
          std::max<int>(room.bottom - room.top, metrics.tmHeight)};
}

long MainWindowWin32::textWidthTwips(Control control, TextView text) const {
  if (text.empty()) return 0;
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get()) return bounds_[slot(control)].width;
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return scale_.toTwipsX(size.cx);
}

int MainWindowWin32::clientWidth() const {
  RECT client{};
  GetClientRect(window_, &client);
  return client.right - client.left;
}

std::array<RECT, controlCount> MainWindowWin32::childRects(int client) const {
  std::array<RECT, controlCount> rects{};
  for (std::size_t i = 1; i < controlCount; ++i) {
    const TwipsRect& place = bounds_[i];
    const int left = scale_.toPixelsX(place.left);
    const int top = scale_.toPixelsY(place.top);
    rects[i] = {left, top, left + scale_.toPixelsX(place.width),
                top + scale_.toPixelsY(place.height)};
  }
  if (!controls_[slot(Control::list)]) return rects;
  const auto rectOf = [&rects](Control control) -> RECT& {
    return rects[static_cast<std::size_t>(control)];
  };
  RECT& list = rectOf(Control::list);
  const int gap = pixels(2);
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    RECT& rect = rects[i];
    if (isButton(control)) {
      // A caption wider than the button widens it to the right.
      const int wide = textWidth(control, caption(control)) + 2 * pixels(8);
      rect.right = std::max<LONG>(rect.right, rect.left + wide);
    }
    if (!isTopControl(control) && !isBottomControl(control)) continue;
    const SIZE needed = textRoom(control, rect.right - rect.left);
    if (isBottomControl(control)) {
      // The bottom rows keep their bottom edge, as the resize rule places
      // them by it; marks that cannot break widen their row to the left.
      rect.top = std::min<LONG>(rect.top, rect.bottom - needed.cy);
      if (control != Control::statusLabel)
        rect.left = std::min<LONG>(rect.left, rect.right - needed.cx);
    } else if (rect.bottom - rect.top < needed.cy) {
      // Taller downward, and up toward the window's top as far as needed to
      // stay above the list.
      rect.bottom = rect.top + needed.cy;
      const int over = rect.bottom - list.top;
      if (over > 0) {
        const int up = std::min<int>(over, rect.top);
        rect.top -= up;
        rect.bottom -= up;
      }
    }
  }

  // A window narrower than the design (a small screen at a high
  // resolution) keeps the rebuild button in it: the buttons move left with
  // its right edge and the search box gives up width, down to an inch.
  RECT& rebuild = rectOf(Control::rebuildButton);
  const int rightMargin = scale_.toPixelsX(designClientSize.width) - rebuild.right;
  const int over = rebuild.right + std::max(rightMargin, gap) - client;
  if (over > 0) {
    RECT& search = rectOf(Control::searchBox);
    const int titleEnd = rectOf(Control::titleLabel).left +
                         textWidth(Control::titleLabel, caption(Control::titleLabel)) + pixels(8);
    const int shrink =
        std::max(0, std::min<int>(over, search.right - search.left - scale_.toPixelsX(1440)));
    const int slide = std::max(0, std::min<int>(over - shrink, search.left - titleEnd));
    search.left -= slide;
    search.right -= shrink + slide;
    for (Control button :
         {Control::rebuildButton, Control::searchDownButton, Control::searchUpButton}) {
      OffsetRect(&rectOf(button), -(shrink + slide), 0);
    }
  }
  // The progress rows end inside the window, the first left of the second.
  RECT& marks = rectOf(Control::stepMarks);
  const int beyond = marks.right + pixels(8) - client;
  if (beyond > 0) OffsetRect(&marks, -std::min<int>(beyond, marks.left), 0);
  RECT& counter = rectOf(Control::passMarks);
  const int overlap = counter.right + pixels(8) - marks.left;
  if (overlap > 0) OffsetRect(&counter, -std::min<int>(overlap, counter.left), 0);

  // The list gives way to controls that grew into it.
  int topEdge = 0;
  int bottomEdge = list.bottom;
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    if (isTopControl(control)) topEdge = std::max<int>(topEdge, rects[i].bottom);
    if (isBottomControl(control) && visible_[i]) {
      bottomEdge = std::min<int>(bottomEdge, rects[i].top);
    }
  }
  list.top = std::max<LONG>(list.top, topEdge);
  list.bottom = std::min<LONG>(list.bottom, bottomEdge);
  if (list.bottom < list.top) list.bottom = list.top;
  return rects;
}

void MainWindowWin32::layoutChildren() {
  const std::array<RECT, controlCount> rects = childRects(clientWidth());
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (!controls_[i]) continue;
    RECT r = rects[i];
    // The tab strip takes the top of the list's room.
    if (i == slot(Control::list)) r.top = tabs_.place(r);
    MoveWindow(controls_[i], r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  cellTips_.fitToList();
}

void MainWindowWin32::onSize(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) return;
  core_.resize();
  layoutChildren();
}

void MainWindowWin32::onMinMaxInfo(MINMAXINFO& info) {
  // The least size is for the user's dragging; the program's own placing
  // (the work area, the saved place, the system's suggestion) is obeyed.
  if (!controls_[slot(Control::list)] || placing_) return;
  // Below this size the controls above the list would be cut off: the
  // search box at its narrowest, the buttons beside it.
  const std::array<RECT, controlCount> rects = childRects(INT_MAX);
  const RECT& search = rects[slot(Control::searchBox)];
  int right = 0;
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (isTopControl(static_cast<Control>(i))) right = std::max<int>(right, rects[i].right);
  }
  const int narrowest = right - (search.right - search.left - scale_.toPixelsX(1440));
  const int rightMargin = scale_.toPixelsX(designClientSize.width) -
                          scale_.toPixelsX(designBounds(Control::rebuildButton).left +
                                           designBounds(Control::rebuildButton).width);
  const int pushedDown =
      rects[slot(Control::list)].top - scale_.toPixelsY(designBounds(Control::list).top);
  const SIZE outer = outerSizeForClient({narrowest + std::max(rightMargin, pixels(2)), 0},
                                        WS_OVERLAPPEDWINDOW, 0, dpi());
  info.ptMinTrackSize.x = outer.cx;
  // The resize rule gives the list the window's height less 2100 twips: an
  // inch of list, a header and a few rows, at the least.
  // The tab strip above the list takes its height from the list's room.
  info.ptMinTrackSize.y = scale_.toPixelsY(2100 + 1440) + std::max(pushedDown, 0) + tabs_.height();
}

void MainWindowWin32::onDpiChanged(int newDpi, const RECT& suggested) {
  listView_.syncColumnWidths();
  scale_ = TwipsScale(newDpi);
  std::array<FontHandle, controlCount> old = std::move(fonts_);
  createFonts();
  for (std::size_t i = 1; i < controlCount; ++i) {
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].get()), TRUE);
  }
  for (Control label : {Control::statusLabel, Control::titleLabel}) {
    bounds_[slot(label)].width = textWidthTwips(label, caption(label));
  }
  listView_.applyColumnWidths();
  tabs_.setFont(fonts_[slot(Control::list)].get());
  loadIcons();
  cellTips_.setMaxWidth(pixels(600));
  placing_ = true;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
  layoutChildren();
}

}  // namespace vemdrol
