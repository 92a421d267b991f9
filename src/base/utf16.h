// Texts stored as UTF-16 little-endian bytes, as the Windows registry and
// version resources keep them, whatever the width of wchar_t here.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace vemdrol {

// Decodes UTF-16LE bytes. A trailing odd byte is ignored; surrogate pairs
// become one character where wchar_t is 32 bits wide, and an unpaired
// surrogate is kept as it is (it saves as "?" like any character the code
// page cannot hold). NULs are kept: callers decide where a text ends.
Text fromUtf16Le(std::string_view bytes);

// Encodes a text as UTF-16LE bytes, without a terminating NUL.
std::string toUtf16Le(TextView text);

// The same between texts and UTF-16 code units held as such.
Text fromUtf16(std::u16string_view units);
std::u16string toUtf16(TextView text);

}  // namespace vemdrol
