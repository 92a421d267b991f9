// What the inventory builder shows while it works, apart from any window: the
// status line, the two rows of progress marks and the busy pointer. The main
// window provides the real one; tests record or inspect what was shown.
#pragma once

#include "base/text.h"
#include "files/status_line.h"

namespace vemdrol {

class BuildDisplay : public StatusLine {
 public:
  // The progress procedure: row "Label9" (ten pass marks) or "Label11" (twenty
  // step marks), compared ignoring case; the first floor(total * current /
  // count) marks become mark (all of them when count is 0).
  virtual void progress(TextView row, double total, TextView mark, double current,
                        double count) = 0;

  // The screen-wide hourglass while the builder runs.
  virtual void setBusy(bool busy) = 0;

  // Shows or hides both rows of marks.
  virtual void showProgressRows(bool visible) = 0;
};

}  // namespace vemdrol
