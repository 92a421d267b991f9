// The character filter applied to every cell before it is saved, so that a
// saved field never holds a double quote or a line break.
#pragma once

#include "base/text.h"

namespace vemdrol {

// A copy of text, same length, in which every control character (code below
// 32: tab, CR, LF, ...) is "!", and every other character that equals,
// ignoring case, a character of from is replaced by the character at the same
// position of to (the first match in from counts; kept when to is shorter).
Text translateChars(TextView text, TextView from, TextView to);

}  // namespace vemdrol
