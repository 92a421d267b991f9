#include "app/progress.h"

#include <cmath>

namespace vemdrol {

void ProgressRows::progress(TextView row, double total, TextView mark, double current,
                            double count) {
  double marks = count == 0 ? total : std::floor(total * current / count);
  if (marks > total) marks = total;
  // No lower bound: zero or fewer marks write nothing (the caption stays),
  // but the row is still made visible below.
  // Clamped before the conversion, which is undefined for huge values; the
  // caption's length caps it further below.
  if (marks > 1e9) marks = 1e9;
  std::size_t n = marks > 0 ? static_cast<std::size_t>(marks) : 0;

  Control label;
  std::size_t slot;
  if (equalNoCase(row, L"Label9")) {
    label = Control::Label9;
    slot = 0;
  } else if (equalNoCase(row, L"Label11")) {
    label = Control::Label11;
    slot = 1;
  } else {
    return;
  }

  if (!form_.visible(label)) form_.setVisible(label, true);

  if (!captions_[slot]) captions_[slot] = form_.caption(label);
  Text& caption = *captions_[slot];
  // A caption keeps its length, whatever total a caller passes.
  const std::size_t fits = mark.empty() ? 0 : caption.size() / mark.size();
  if (n > fits) n = fits;
  const std::size_t length = n * mark.size();
  bool same = true;
  for (std::size_t i = 0; same && i < length; ++i) {
    same = foldCase(caption[i]) == foldCase(mark[i % mark.size()]);
  }
  if (same) return;

  Text updated;
  updated.reserve(caption.size());
  for (std::size_t i = 0; i < n; ++i) updated += mark;
  updated.append(caption, length, Text::npos);
  caption = std::move(updated);
  form_.setCaption(label, caption);
  form_.repaint(label);
}

void FormStatusLine::showStatus(TextView text) { form_.setCaption(Control::Label1, text); }

void FormBuildDisplay::showStatus(TextView text) {
  form_.setCaption(Control::Label1, text);
  form_.repaint(Control::Label1);
}

void FormBuildDisplay::progress(TextView row, double total, TextView mark, double current,
                                double count) {
  rows_.progress(row, total, mark, current, count);
}

void FormBuildDisplay::setBusy(bool busy) {
  services_.setScreenPointer(busy ? Pointer::hourglass : Pointer::standard);
}

void FormBuildDisplay::showProgressRows(bool visible) {
  form_.setVisible(Control::Label9, visible);
  form_.setVisible(Control::Label11, visible);
}

void FormBuildDisplay::letEventsRun() { services_.runPendingEvents(); }

}  // namespace vemdrol
