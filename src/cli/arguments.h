// A Windows command line's arguments, split as the C runtime and
// CommandLineToArgvW split them: blanks and tabs separate arguments outside
// double quotes; 2n backslashes before a double quote stand for n
// backslashes and the quote opens or closes a quoted part; 2n + 1 stand for n
// backslashes and a literal quote; two double quotes inside a quoted part
// stand for one; other backslashes are themselves.
#pragma once

#include <vector>

#include "base/text.h"

namespace vemdrol {

// arguments: the command line without the program's own name.
std::vector<Text> splitArguments(TextView arguments);

}  // namespace vemdrol
