// Where a procedure shows what it is doing and what went wrong: the main
// window's status line, or the console of a run without a window.
#pragma once

#include "base/text.h"

namespace vemdrol {

class StatusLine {
 public:
  virtual ~StatusLine() = default;

  // Sets the status text and draws it at once: the event loop may be busy
  // until the caller's work ends.
  virtual void showStatus(TextView text) = 0;
};

}  // namespace vemdrol
