// What the inventory builder reports while it works, apart from any window:
// how far its passes and the steps within a pass are, which pass ended, and
// when it starts and ends. The window turns these into its rows of marks, its
// status line and its busy pointer; a run without a window may ignore them.
#pragma once

#include <variant>

#include "files/failure_report.h"

namespace vemdrol {

// The points at which the builder names what it has done: the end of each of
// its nine passes, the fifth once more after the sort that its end makes,
// and the final step that follows the last pass or a failure.
enum class BuildPass {
  first,
  second,
  third,
  fourth,
  fifth,
  fifthSorted,
  sixth,
  seventh,
  eighth,
  ninth,
  closing,
};

// The builder starts: it is busy until it ends.
struct BuildStarted {};
// The builder is done: it is busy no more.
struct BuildEnded {};
// The final step begins, after the last pass or a failure: the passes are
// over, whatever the final step itself still reports.
struct BuildFinishing {};

// How far the passes are, in tenths: 2 once the roots are in, one more after
// each of the first eight passes.
struct PassesDone {
  int tenths = 0;
};
// The passes' count starts afresh (at the start and after the ninth pass).
struct PassesReset {};

// The step within a pass: entry step of the entries up to index last, as the
// pass counts them (last may grow while a pass appends, and is -1 for none).
struct StepReached {
  long long step = 0;
  long long last = 0;
};
// The steps' count starts afresh, for the next pass or the next walk.
struct StepsReset {};

// A pass, or the step after it, has ended.
struct PassEnded {
  BuildPass pass = BuildPass::first;
};

using BuildEvent = std::variant<BuildStarted, BuildEnded, BuildFinishing, PassesDone, PassesReset,
                                StepReached, StepsReset, PassEnded>;

class BuildReport : public FailureReport {
 public:
  // Called as each event happens, in order; a window draws what it shows at
  // once, as its event loop may be busy until the build ends.
  virtual void onBuild(const BuildEvent& event) = 0;
};

}  // namespace vemdrol
