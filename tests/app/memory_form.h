// An in-memory main window for tests: it keeps what the window's procedures
// set, so that they run without a window system.
#pragma once

#include <array>

#include "app/form.h"

namespace vemdrol {

class MemoryForm : public Form {
 public:
  // Controls start visible and enabled, with no caption and no size; the
  // form's outer window stands at (0, 0) with the given size.
  explicit MemoryForm(TwipsSize outerSize = {15480, 9945});

  Text caption(Control control) const override;
  void setCaption(Control control, TextView text) override;
  void repaint(Control control) override;
  bool visible(Control control) const override;
  void setVisible(Control control, bool visible) override;
  bool enabled(Control control) const override;
  void setEnabled(Control control, bool enabled) override;
  TwipsRect bounds(Control control) const override;
  void setBounds(Control control, const TwipsRect& bounds) override;
  bool minimized() const override { return minimized_; }
  bool maximized() const override { return maximized_; }
  void setMaximized(bool maximized) override { maximized_ = maximized; }
  TwipsRect restoredBounds() const override { return bounds(Control::window); }
  TwipsRect workArea() const override { return workArea_; }
  void setPointer(Control control, Pointer pointer) override;
  void setEndTimer(unsigned milliseconds) override { endTimer_ = milliseconds; }
  long addListExtendedStyle(unsigned long bits) override {
    listExtendedStyle_ |= bits;
    return 1;
  }

  void setMinimized(bool minimized) { minimized_ = minimized; }
  void setWorkArea(const TwipsRect& area) { workArea_ = area; }
  unsigned endTimerInterval() const { return endTimer_; }
  unsigned long listExtendedStyle() const { return listExtendedStyle_; }
  std::size_t repaintCount(Control control) const;
  Pointer pointer(Control control) const;

 private:
  struct State {
    Text caption;
    TwipsRect bounds;
    bool visible = true;
    bool enabled = true;
    std::size_t repaints = 0;
    Pointer pointer = Pointer::standard;
  };
  const State& state(Control control) const;
  State& state(Control control);

  std::array<State, controlCount> controls_;
  bool minimized_ = false;
  bool maximized_ = false;
  TwipsRect workArea_{0, 0, 19200, 14400};
  unsigned endTimer_ = 0;
  unsigned long listExtendedStyle_ = 0;
};

}  // namespace vemdrol
