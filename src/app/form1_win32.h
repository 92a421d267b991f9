// The main window of the Windows build: the real Form1 with its controls.
// It shows the core's state and forwards its events to MainWindow; the list
// control is a virtual list-view that draws the rows of the core's ListModel.
#pragma once

#include <array>

#include "app/main_window.h"
#include "platform/gdi_win32.h"
#include "platform/win32.h"
#include "platform/window.h"

namespace vemdrol {

class Form1 final : public Form, private ListObserver {
 public:
  Form1(HINSTANCE instance, WindowServices& services);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Creates the window and its controls, still hidden.
  Status create();
  // The load event: start-up, then the window is shown unless start-up chose
  // to keep it hidden.
  void load();

  HWND handle() const { return window_; }
  HWND controlHandle(Control control) const;
  MainWindow& core() { return core_; }
  // The face actually used for a control's font, after any fallback.
  Text fontFace(Control control) const;

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
  void setPointer(Control control, Pointer pointer) override;
  void setTimerInterval(unsigned milliseconds) override;
  long addListExtendedStyle(unsigned long bits) override;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  LRESULT onCreate();
  void onSize(WPARAM kind);
  void onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onNotify(const NMHDR& header);
  void onTimer();
  LRESULT onColour(HDC dc, HWND control);
  bool onSetCursor(HWND under);

  void createChildren();
  void createFonts();
  void addTooltips();
  // Places every child at its bounds; the one place that moves controls.
  void layoutChildren();
  // Width of a label that is sized to its text.
  long textWidthTwips(Control control, TextView text) const;
  static bool isAutoSizedLabel(Control control);
  std::size_t slot(Control control) const { return static_cast<std::size_t>(control); }

  // ListObserver: keeps the list-view in step with the model.
  void columnsChanged() override;
  void rowsAdded() override;
  void rowsChanged() override;
  void cellChanged(std::size_t row) override;
  void selectionChanged(std::size_t row) override;
  void bringIntoView(std::size_t row) override;
  void showSelection(std::size_t row, bool selected);
  void takeSelectionFromView(int first, int last);

  HINSTANCE instance_;
  MainWindow core_;
  TwipsScale scale_;
  HWND window_ = nullptr;
  HWND tooltips_ = nullptr;
  std::array<HWND, controlCount> controls_{};
  std::array<TwipsRect, controlCount> bounds_{};
  std::array<bool, controlCount> visible_{};
  std::array<Pointer, controlCount> pointers_{};
  std::array<FontHandle, controlCount> fonts_;
  std::array<Text, controlCount> fontFaces_;
  // While the view is being told about the model's selection, its change
  // notifications are echoes and must not flow back.
  bool syncingSelection_ = false;
  bool destroying_ = false;
};

}  // namespace vemdrol
