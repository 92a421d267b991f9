// The main window as designed: where each control stands, its caption and its
// tooltip. The Windows main window is built from this table, and tests put an
// in-memory form into the same state.
#pragma once

#include <optional>
#include <vector>

#include "app/form.h"

namespace vemdrol {

// Client area of the main window at design time.
inline constexpr TwipsSize designClientSize{15240, 9315};

// Design-time place of a child control in the client area. For the status
// label, which is sized to its text, the width is that of its design-time
// caption's placeholder and is replaced as soon as the caption changes.
TwipsRect designBounds(Control control);

// Design-time caption (title of the form, text of the text box).
TextView designCaption(Control control);

// Tooltip text, empty for controls without one.
TextView designTooltip(Control control);

// Design-time font of a control. The faces are those of a Japanese Windows
// system; where one is not installed the window layer falls back to another
// Japanese face (fontFallbacks).
struct FontDesign {
  const wchar_t* face;
  double points;
  bool bold;
};
FontDesign designFont(Control control);

// Faces to try, in order, when a design face is missing: the same style
// first (明朝 or ゴシック), then any Japanese face that renders the captions.
const std::vector<const wchar_t*>& fontFallbacks(const wchar_t* face);

// Text colour as 0x00BBGGRR, or nothing for the system's window text.
std::optional<unsigned long> designTextColour(Control control);

// Puts every control at its design-time place and caption; the form keeps its
// own outer size.
void applyDesign(Form& form);

}  // namespace vemdrol
