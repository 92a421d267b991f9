#include "app/memory_form.h"

namespace vemdrol {

MemoryForm::MemoryForm(TwipsSize outerSize) {
  state(Control::window).bounds = {0, 0, outerSize.width, outerSize.height};
}

const MemoryForm::State& MemoryForm::state(Control control) const {
  return controls_[static_cast<std::size_t>(control)];
}

MemoryForm::State& MemoryForm::state(Control control) {
  return controls_[static_cast<std::size_t>(control)];
}

Text MemoryForm::caption(Control control) const { return state(control).caption; }

void MemoryForm::setCaption(Control control, TextView text) { state(control).caption = text; }

void MemoryForm::repaint(Control control) { ++state(control).repaints; }

bool MemoryForm::visible(Control control) const { return state(control).visible; }

void MemoryForm::setVisible(Control control, bool visible) { state(control).visible = visible; }

bool MemoryForm::enabled(Control control) const { return state(control).enabled; }

void MemoryForm::setEnabled(Control control, bool enabled) { state(control).enabled = enabled; }

TwipsRect MemoryForm::bounds(Control control) const { return state(control).bounds; }

void MemoryForm::setBounds(Control control, const TwipsRect& bounds) {
  state(control).bounds = bounds;
}

void MemoryForm::setPointer(Control control, Pointer pointer) { state(control).pointer = pointer; }

std::size_t MemoryForm::repaintCount(Control control) const { return state(control).repaints; }

Pointer MemoryForm::pointer(Control control) const { return state(control).pointer; }

}  // namespace vemdrol
