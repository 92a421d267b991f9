// The main window as the Form its procedures see: captions, visibility,
// places in twips, pointers and the end timer, on the real controls.
#include "app/control_kinds_win32.h"
#include "app/main_window_win32.h"

namespace vemdrol {

namespace {

HCURSOR cursorOf(Pointer pointer) {
  return LoadCursorW(nullptr, pointer == Pointer::hourglass ? IDC_WAIT : IDC_ARROW);
}

}  // namespace

Text MainWindowWin32::caption(Control control) const {
  const HWND handle = controlHandle(control);
  const int length = GetWindowTextLengthW(handle);
  if (length <= 0) return Text();
  Text text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(handle, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void MainWindowWin32::setCaption(Control control, TextView text) {
  const Text owned(text);
  SetWindowTextW(controlHandle(control), owned.c_str());
  if (isAutoSizedLabel(control)) {
    bounds_[slot(control)].width = textWidthTwips(control, text);
    layoutChildren();
  } else if (isBottomControl(control)) {
    // A caption that needs more lines makes its label taller.
    layoutChildren();
  }
}

void MainWindowWin32::repaint(Control control) {
  RedrawWindow(controlHandle(control), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool MainWindowWin32::visible(Control control) const { return visible_[slot(control)]; }

void MainWindowWin32::setVisible(Control control, bool visible) {
  visible_[slot(control)] = visible;
  ShowWindow(controlHandle(control), visible ? SW_SHOW : SW_HIDE);
}

bool MainWindowWin32::enabled(Control control) const {
  return IsWindowEnabled(controlHandle(control)) != FALSE;
}

void MainWindowWin32::setEnabled(Control control, bool enabled) {
  EnableWindow(controlHandle(control), enabled ? TRUE : FALSE);
}

TwipsRect MainWindowWin32::bounds(Control control) const {
  if (control != Control::window) return bounds_[slot(control)];
  RECT outer{};
  GetWindowRect(window_, &outer);
  return {scale_.toTwipsX(outer.left), scale_.toTwipsY(outer.top),
          scale_.toTwipsX(outer.right - outer.left), scale_.toTwipsY(outer.bottom - outer.top)};
}

void MainWindowWin32::setBounds(Control control, const TwipsRect& place) {
  if (control == Control::window) {
    // Moving the window sends a resize event, which lays the children out.
    placing_ = true;
    SetWindowPos(window_, nullptr, scale_.toPixelsX(place.left), scale_.toPixelsY(place.top),
                 scale_.toPixelsX(place.width), scale_.toPixelsY(place.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    placing_ = false;
    return;
  }
  bounds_[slot(control)] = place;
  layoutChildren();
}

bool MainWindowWin32::minimized() const { return IsIconic(window_) != FALSE; }

bool MainWindowWin32::maximized() const {
  if (!IsWindowVisible(window_)) return maximizeOnShow_;
  if (IsZoomed(window_)) return true;
  // Minimised from maximised, it comes back maximised.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  return IsIconic(window_) && GetWindowPlacement(window_, &placement) &&
         (placement.flags & WPF_RESTORETOMAXIMIZED);
}

void MainWindowWin32::setMaximized(bool maximized) {
  maximizeOnShow_ = maximized;
  if (IsWindowVisible(window_)) ShowWindow(window_, maximized ? SW_MAXIMIZE : SW_RESTORE);
}

TwipsRect MainWindowWin32::restoredBounds() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(window_, &placement)) return bounds(Control::window);
  RECT normal = placement.rcNormalPosition;
  // The placement counts from the work area's corner, the rest from the
  // screen's.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &monitor)) {
    OffsetRect(&normal, monitor.rcWork.left - monitor.rcMonitor.left,
               monitor.rcWork.top - monitor.rcMonitor.top);
  }
  return {scale_.toTwipsX(normal.left), scale_.toTwipsY(normal.top),
          scale_.toTwipsX(normal.right - normal.left), scale_.toTwipsY(normal.bottom - normal.top)};
}

TwipsRect MainWindowWin32::workArea() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
    area = monitor.rcWork;
  }
  return {scale_.toTwipsX(area.left), scale_.toTwipsY(area.top),
          scale_.toTwipsX(area.right - area.left), scale_.toTwipsY(area.bottom - area.top)};
}

void MainWindowWin32::setPointer(Control control, Pointer pointer) {
  pointers_[slot(control)] = pointer;
  POINT cursor{};
  if (GetCursorPos(&cursor) && WindowFromPoint(cursor) == controlHandle(control)) {
    SetCursor(cursorOf(pointer));
  }
}

void MainWindowWin32::setEndTimer(unsigned milliseconds) {
  if (milliseconds == 0) {
    KillTimer(window_, endTimerId);
  } else {
    SetTimer(window_, endTimerId, milliseconds, nullptr);
  }
}

long MainWindowWin32::addListExtendedStyle(unsigned long bits) {
  return listView_.addExtendedStyle(bits);
}

bool MainWindowWin32::onSetCursor(HWND under) {
  for (std::size_t i = 0; i < controlCount; ++i) {
    if (controlHandle(static_cast<Control>(i)) == under && pointers_[i] != Pointer::standard) {
      SetCursor(cursorOf(pointers_[i]));
      return true;
    }
  }
  return false;
}

}  // namespace vemdrol
