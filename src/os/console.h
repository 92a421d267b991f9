// The console a program without a window speaks through: the one it was
// started from, or its standard output and error where those go to a file or
// a pipe. Nothing is written when there is neither.
#pragma once

#include <memory>
#include <string_view>

#include "base/text.h"

namespace vemdrol {

class Console {
 public:
  virtual ~Console() = default;

  // One line for the user, to standard output or to standard error.
  virtual void writeLine(TextView line, bool error = false) = 0;
};

// The console of this process. On Windows a program with a window has no
// console of its own: it attaches to its parent's when it writes to a
// terminal, and writes the ANSI code page where its output is redirected.
std::unique_ptr<Console> attachConsole();

}  // namespace vemdrol
