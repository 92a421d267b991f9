// Conversion between texts and the ANSI code page, used only where bytes
// cross the boundary: files, and the ANSI forms of the Windows API.
//
// On Windows the code page is the system's ANSI code page; elsewhere it is
// code page 932 (Shift_JIS as Windows defines it), the code page the program
// is written for. Both backends give the same bytes for the same text:
// - a character the code page cannot hold becomes "?" (no best-fit
//   substitutes, so that a save never writes a look-alike that reads back as
//   something else);
// - a byte sequence that is not valid in the code page becomes U+FFFD, one per
//   invalid byte or truncated double-byte character.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace vemdrol {

std::string toAnsi(TextView text);
Text fromAnsi(std::string_view bytes);

}  // namespace vemdrol
