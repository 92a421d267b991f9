#include "app/layout.h"

#include <algorithm>
#include <cmath>

namespace vemdrol {

namespace {

// Rounds half to even, as the classic integer conversion does.
long roundToWhole(double value) { return static_cast<long>(std::nearbyint(value)); }

}  // namespace

TwipsRect centredOnScreen(const TwipsRect& window, TwipsSize screen) {
  TwipsRect placed = window;
  placed.left = roundToWhole(static_cast<double>(screen.width) - window.width) / 2;
  placed.top = roundToWhole(static_cast<double>(screen.height) - window.height) / 2;
  return placed;
}

TwipsRect fittedToWorkArea(const TwipsRect& window, const TwipsRect& workArea) {
  TwipsRect fitted = window;
  fitted.width = std::min(fitted.width, workArea.width);
  fitted.height = std::min(fitted.height, workArea.height);
  const auto inside = [](long position, long size, long start, long length) {
    if (position + size > start + length) position = start + length - size;
    return std::max(position, start);
  };
  fitted.left = inside(fitted.left, fitted.width, workArea.left, workArea.width);
  fitted.top = inside(fitted.top, fitted.height, workArea.top, workArea.height);
  return fitted;
}

void applyResizeLayout(Form& form) {
  if (form.minimized()) return;
  const TwipsRect window = form.bounds(Control::window);
  // The comparisons are made in single precision, as the form layer does.
  const float height = static_cast<float>(window.height);
  const float width = static_cast<float>(window.width);

  TwipsRect list = form.bounds(Control::list);
  if (height - 1400.0f > 0.0f) {
    // Between 1400 and 2100 the rule gives a negative height; a control
    // cannot be that small, so it stays at zero.
    list.height = window.height - 2100 > 0 ? window.height - 2100 : 0;
  }
  if (width - 700.0f > 0.0f) list.width = window.width - 700;
  form.setBounds(Control::list, list);

  if (height - 1400.0f > 0.0f) {
    TwipsRect status = form.bounds(Control::statusLabel);
    status.top = window.height - 1000 - status.height;
    form.setBounds(Control::statusLabel, status);
    for (Control row : {Control::passMarks, Control::stepMarks}) {
      TwipsRect marks = form.bounds(row);
      marks.top = status.top;
      form.setBounds(row, marks);
    }
  }
}

}  // namespace vemdrol
