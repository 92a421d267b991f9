// A builder display for tests: keeps the status texts and the last marks.
#pragma once

#include <vector>

#include "inventory/build_display.h"

namespace vemdrol::testing {

struct RecordingDisplay : BuildDisplay {
  void showStatus(TextView text) override { statuses.emplace_back(text); }
  void progress(TextView, double, TextView, double, double) override { ++progressCalls; }
  void setBusy(bool value) override {
    busy = value;
    ++busyChanges;
  }
  void showProgressRows(bool visible) override { rowsVisible = visible; }

  std::vector<Text> statuses;
  std::size_t progressCalls = 0;
  bool busy = false;
  int busyChanges = 0;
  bool rowsVisible = true;
};

}  // namespace vemdrol::testing
