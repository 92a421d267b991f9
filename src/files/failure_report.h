// How a procedure reports a failure while it works: as a value, the procedure
// it came from and its error. The window words it in its status line, the
// command line on the console; nothing below them builds the sentence.
#pragma once

#include "base/error.h"

namespace vemdrol {

// The procedures that report a failure as it happens and go on (or end) as
// their callers expect.
enum class Procedure {
  // The scan as a whole: the error that cut it short.
  scan,
  // The inventory builder, which ends with the entries it has.
  buildInventory,
  // One registry key listed into the inventory; the listing of that key ends.
  listKey,
  // The step after each pass of the builder; the builder goes on.
  endPass,
  // The saved rows loaded at start-up; the load ends.
  loadInventory,
  // The rows and the skip list saved to the program's folder.
  saveInventory,
};

struct Failure {
  Procedure procedure = Procedure::scan;
  Error error;
};

class FailureReport {
 public:
  virtual ~FailureReport() = default;

  // Called at the moment of the failure: a window shows it at once, the
  // event loop may be busy until the caller's work ends.
  virtual void failed(const Failure& failure) = 0;
};

}  // namespace vemdrol
