// The main window of the Windows build, the real one with its controls.
// It shows the core's state and forwards its events to MainWindow; the list
// control (app/list_view_win32.h) draws the rows of the core's ListModel,
// with the cell tooltips over it (app/cell_tips_win32.h).
//
// Positions are the core's twips, converted at the dots per inch of the
// monitor the window is on, and again when it moves to another one. Where a
// font needs more room than the twips give, the real control is made taller
// here (app/form_design.h keeps the design, app/layout.h the resize rule).
//
// The window's procedure only dispatches; the handlers of its creation and
// events are in main_window_win32.cpp, the layout in
// main_window_layout_win32.cpp, the Form interface in
// main_window_form_win32.cpp, the keys and menus in
// main_window_keys_win32.cpp.
#pragma once

#include <array>
#include <optional>

#include "app/cell_tips_win32.h"
#include "app/form.h"
#include "app/list_tabs_win32.h"
#include "app/list_view_win32.h"
#include "app/main_window.h"
#include "os/win32/gdi.h"
#include "os/win32/windows.h"

namespace vemdrol {

// Posted by the detail worker's thread when it has read details.
inline constexpr UINT detailsReadyMessage = WM_APP + 1;

class MainWindowWin32 final : public Form {
 public:
  MainWindowWin32(HINSTANCE instance, WindowServices& services);
  ~MainWindowWin32() override;
  MainWindowWin32(const MainWindowWin32&) = delete;
  MainWindowWin32& operator=(const MainWindowWin32&) = delete;

  // Creates the window and its controls, still hidden.
  Status create();
  // The load event: start-up, then the window is shown unless start-up chose
  // to keep it hidden; the search box has the focus.
  void load();

  // The keys of the window (F3, Ctrl+F, Enter in the search box and in the
  // list, Ctrl+C, Ctrl+A) and Tab between the controls. Every message the
  // program's loop takes goes here first; true when it was handled.
  bool translateMessage(MSG& message);

  HWND handle() const { return window_; }
  HWND controlHandle(Control control) const;
  MainWindow& core() { return core_; }
  // Shows a tab's list as a click on the tab does.
  void showTab(ListTab tab) {
    tabs_.choose(tab);
    core_.showTab(tab);
  }
  // The face actually used for a control's font, after any fallback.
  Text fontFace(Control control) const;
  int dpi() const { return scale_.dpiY(); }
  // The whole text of the list's cell at a point of the list's client area
  // when the column is too narrow for it; "" otherwise. The tooltip over the
  // list shows it.
  Text cutOffTextAt(POINT point) const { return listView_.cutOffTextAt(point); }
  // The model's column that the list control shows at a place, from 0.
  std::optional<std::size_t> modelColumn(int viewColumn) const {
    return listView_.modelColumn(viewColumn);
  }

  // Form
  Text caption(Control control) const override;
  void setCaption(Control control, TextView text) override;
  void repaint(Control control) override;
  bool visible(Control control) const override;
  void setVisible(Control control, bool visible) override;
  bool enabled(Control control) const override;
  void setEnabled(Control control, bool enabled) override;
  TwipsRect bounds(Control control) const override;
  void setBounds(Control control, const TwipsRect& bounds) override;
  bool minimized() const override;
  bool maximized() const override;
  void setMaximized(bool maximized) override;
  TwipsRect restoredBounds() const override;
  TwipsRect workArea() const override;
  void setPointer(Control control, Pointer pointer) override;
  void setEndTimer(unsigned milliseconds) override;
  long addListExtendedStyle(unsigned long bits) override;

 private:
  static constexpr UINT_PTR endTimerId = 1;

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  LRESULT onCreate();
  void onSize(WPARAM kind);
  void onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onNotify(const NMHDR& header);
  void onEndTimer();
  void onDetailsReady();
  LRESULT onColour(HDC dc, HWND control);
  bool onSetCursor(HWND under);
  bool onContextMenu(HWND from, POINT at);
  void onActivate(WPARAM state);
  void onSetFocus();
  void onMinMaxInfo(MINMAXINFO& info);
  void onDpiChanged(int dpi, const RECT& suggested);
  void onClose();
  void onDestroy();
  bool onKey(HWND target, WPARAM key);

  void createChildren();
  void createFonts();
  void loadIcons();
  void addTooltips();
  // Places every child at its bounds; the one place that moves controls.
  void layoutChildren();
  // The children's places in pixels in a client area of the given width,
  // made large enough for their fonts.
  std::array<RECT, controlCount> childRects(int clientWidth) const;
  int clientWidth() const;
  // The room a control's text needs at the given width.
  SIZE textRoom(Control control, int width) const;
  int textWidth(Control control, TextView text) const;
  // Width of a label that is sized to its text.
  long textWidthTwips(Control control, TextView text) const;
  std::size_t slot(Control control) const { return static_cast<std::size_t>(control); }
  int pixels(int pixelsAt96) const { return MulDiv(pixelsAt96, scale_.dpiY(), 96); }

  HINSTANCE instance_;
  WindowServices& services_;
  MainWindow core_;
  TwipsScale scale_;
  ListViewWin32 listView_{core_, scale_};
  CellTips cellTips_{listView_};
  ListTabsWin32 tabs_;
  HWND window_ = nullptr;
  HWND tooltips_ = nullptr;
  std::array<HWND, controlCount> controls_{};
  std::array<TwipsRect, controlCount> bounds_{};
  std::array<bool, controlCount> visible_{};
  std::array<Pointer, controlCount> pointers_{};
  std::array<FontHandle, controlCount> fonts_;
  std::array<Text, controlCount> fontFaces_;
  IconHandle bigIcon_;
  IconHandle smallIcon_;
  HWND lastFocus_ = nullptr;
  bool maximizeOnShow_ = false;
  // While the program itself moves the window.
  bool placing_ = false;
  bool destroying_ = false;
};

// Brings the window of the copy of the program that works in the folder to
// the front; false when no such copy shows a window.
bool showRunningCopy(TextView folder);

}  // namespace vemdrol
