// Conversion between texts and the ANSI code page, used only where bytes
// cross the boundary: files, and the ANSI forms of the Windows API.
//
// On Windows the code page is the system's ANSI code page; elsewhere it is
// code page 932 (Shift_JIS as Windows defines it), the code page the program
// is written for. Both backends give the same bytes for the same text:
// - a character the code page cannot hold becomes "?" (no best-fit
//   substitutes, so that a save never writes a look-alike that reads back as
//   something else): "¥" is "?", never 0x5C. One "?" per character: a
//   surrogate pair is one character, an unpaired surrogate is one too;
// - a byte sequence that is not valid in the code page becomes U+FFFD, one per
//   invalid byte or truncated double-byte character. Decoding goes from the
//   first byte to the last: a lead byte together with the next byte either is
//   a character, or the lead byte alone gives one U+FFFD and decoding goes on
//   at the very next byte. So a lead byte at the end of the data, or before a
//   comma, quote or line end, never takes that byte with it;
// - in code page 932, 0x5C is "\" and 0x7E is "~" both ways, 0x80 is U+0080
//   both ways, and the unassigned bytes 0xA0 and 0xFD to 0xFF are invalid
//   (Windows would give them the private-use characters U+F8F0 to U+F8F3,
//   which therefore save as "?");
// - NUL characters and bytes pass through like any other.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace vemdrol {

std::string toAnsi(TextView text);
Text fromAnsi(std::string_view bytes);

}  // namespace vemdrol
