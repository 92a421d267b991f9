// Texts as UTF-8 bytes: the names of a Linux file system, the exports, and
// the console of the Linux programs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace vemdrol {

// Strict UTF-8: overlong forms, surrogates and code points beyond U+10FFFF
// are refused, so that every name has exactly one spelling in each
// direction.
std::optional<Text> decodeUtf8(std::string_view bytes);

// Calls take(code point) for each character of the text, in order, whatever
// the width of wchar_t: a surrogate pair is one code point, an unpaired
// surrogate is passed on as it is (0xD800 to 0xDFFF), for the caller to
// decide.
template <class Take>
void forEachCodePoint(TextView text, Take&& take) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto code = static_cast<std::uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      code &= 0xFFFF;
      if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
        const auto low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    take(code);
  }
}

// Appends one code point; a surrogate or a value past U+10FFFF becomes
// U+FFFD, so the bytes are always valid UTF-8.
void appendUtf8(std::string& bytes, std::uint32_t code);

// The text as UTF-8, unpaired surrogates as U+FFFD; NULs are kept.
std::string toUtf8(TextView text);

}  // namespace vemdrol
