// The progress procedure over the main window's two rows of marks, and the
// builder's display built on it.
#pragma once

#include <array>
#include <optional>

#include "files/status_line.h"
#include "os/window.h"
#include "scan/scan.h"

namespace vemdrol {

// Writes marks into Label9 and Label11. A caption keeps its length; only its
// leading marks change, and the label is repainted only when its caption
// really changes, so that calls in tight loops cost a comparison. Only this
// procedure writes those two captions, so it keeps a copy of each and does
// not ask the window for it on every call.
class ProgressRows {
 public:
  explicit ProgressRows(Form& form) : form_(form) {}

  void progress(TextView row, double total, TextView mark, double current, double count);

 private:
  Form& form_;
  std::array<std::optional<Text>, 2> captions_;
};

// The status line of the main window, Label1.
class FormStatusLine final : public StatusLine {
 public:
  explicit FormStatusLine(Form& form) : form_(form) {}
  void showStatus(TextView text) override;

 private:
  Form& form_;
};

// The scan's display on the main window; its events run through the
// window's own queue.
class FormBuildDisplay final : public ScanObserver {
 public:
  FormBuildDisplay(Form& form, WindowServices& services)
      : form_(form), services_(services), rows_(form) {}

  void showStatus(TextView text) override;
  void progress(TextView row, double total, TextView mark, double current, double count) override;
  void setBusy(bool busy) override;
  void showProgressRows(bool visible) override;
  void letEventsRun() override;

 private:
  Form& form_;
  WindowServices& services_;
  ProgressRows rows_;
};

}  // namespace vemdrol
