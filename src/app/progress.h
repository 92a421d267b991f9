// How the main window shows a scan: its events as the two rows of progress
// marks, the status line and the busy pointer, and failures in the status
// line. Only the window knows these marks and words; the scan reports typed
// events (scan/scan.h, inventory/build_events.h).
#pragma once

#include <array>
#include <optional>

#include "app/form.h"
#include "files/failure_report.h"
#include "scan/scan.h"

namespace vemdrol {

// The status line's last word of a rebuild that ended well.
inline constexpr TextView rebuildFinishedText = L"再作成終了";

// The two rows of marks: ten for the builder's passes, twenty for the steps
// within a pass.
enum class MarkRow { passes, steps };

// Writes marks into a row: the first floor(total * current / count) marks
// become mark (all of them when count is 0). A caption keeps its length;
// only its leading marks change, and the row is repainted only when its
// caption really changes, so that calls in tight loops cost a comparison.
// Only this procedure writes those two captions, so it keeps a copy of each
// and does not ask the window for it on every call.
class ProgressRows {
 public:
  explicit ProgressRows(Form& form) : form_(form) {}

  void progress(MarkRow row, double total, TextView mark, double current, double count);

 private:
  Form& form_;
  std::array<std::optional<Text>, 2> captions_;
};

// The failures of the load at start-up, in the status line; the window
// paints it when start-up is done.
class FormFailureReport final : public FailureReport {
 public:
  explicit FormFailureReport(Form& form) : form_(form) {}
  void failed(const Failure& failure) override;

 private:
  Form& form_;
};

// A scan on the main window: each event drawn at once, as the event loop is
// busy until the scan ends; the window's queued events run where the scan
// lets them.
class FormScanView final : public ScanObserver {
 public:
  FormScanView(Form& form, WindowServices& services)
      : form_(form), services_(services), rows_(form) {}

  void failed(const Failure& failure) override;
  void onBuild(const BuildEvent& event) override;
  void onScan(const ScanEvent& event) override;
  void letEventsRun() override;

 private:
  void showStatus(TextView text);
  void showRows(bool visible);

  Form& form_;
  WindowServices& services_;
  ProgressRows rows_;
};

}  // namespace vemdrol
