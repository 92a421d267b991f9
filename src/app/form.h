// The main window as the program's procedures see it: its controls and what
// they may be asked and told (Form). The Windows main window is the real one
// (app/main_window_win32.h); the tests' in-memory form records what the
// procedures did, so that start-up, layout and the search run without a
// window.
#pragma once

#include <cstddef>

#include "base/text.h"
#include "os/window.h"

namespace vemdrol {

// The main window and its controls, by their roles.
enum class Control : std::size_t {
  // The main window itself.
  window,
  // The list of the inventory's rows.
  list,
  // 再作成: rebuilds the inventory.
  rebuildButton,
  // ▼ and ▲: search downward and upward.
  searchDownButton,
  searchUpButton,
  // The word searched for.
  searchBox,
  // What the program is doing, or what went wrong; sized to its text.
  statusLabel,
  // アプリケーション一覧; sized to its text.
  titleLabel,
  // The ten marks of the builder's passes.
  passMarks,
  // The twenty marks of the steps within a pass.
  stepMarks,
};
inline constexpr std::size_t controlCount = 10;

class Form {
 public:
  virtual ~Form() = default;

  // Caption of a label or button, text of the text box, title of the form.
  virtual Text caption(Control control) const = 0;
  // Labels sized to their text (the status and title labels) change width
  // with the caption.
  virtual void setCaption(Control control, TextView text) = 0;
  // Draws the control at once, for progress shown while the event loop is
  // busy.
  virtual void repaint(Control control) = 0;

  virtual bool visible(Control control) const = 0;
  virtual void setVisible(Control control, bool visible) = 0;
  virtual bool enabled(Control control) const = 0;
  virtual void setEnabled(Control control, bool enabled) = 0;

  // For the window its outer frame in screen coordinates; for every control
  // its place in the form's client area.
  virtual TwipsRect bounds(Control control) const = 0;
  virtual void setBounds(Control control, const TwipsRect& bounds) = 0;
  virtual bool minimized() const = 0;
  // Whether the window is maximised; set before the window is shown, it is shown
  // maximised.
  virtual bool maximized() const = 0;
  virtual void setMaximized(bool maximized) = 0;
  // Where the window stands when it is neither maximised nor minimised, in screen
  // twips.
  virtual TwipsRect restoredBounds() const = 0;
  // The work area (the screen less the task bar) of the monitor the window is on,
  // in screen twips.
  virtual TwipsRect workArea() const = 0;

  virtual void setPointer(Control control, Pointer pointer) = 0;
  // The timer that ends an unattended run: an interval of 0 stops it;
  // otherwise it fires every interval.
  virtual void setEndTimer(unsigned milliseconds) = 0;

  // Adds style bits to the list control's extended style (0x20: a selected
  // row is highlighted across all its columns) and returns what the control
  // answered.
  virtual long addListExtendedStyle(unsigned long bits) = 0;
};

}  // namespace vemdrol
