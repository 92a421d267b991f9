// Texts as UTF-8 bytes: the names of a Linux file system, the exports, and
// the console of the Linux programs, the same on every platform whatever the
// width of wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/text.h"

namespace vemdrol {

// Strict UTF-8: overlong forms, surrogates and code points beyond U+10FFFF
// are refused, so that every name has exactly one spelling in each
// direction.
std::optional<Text> decodeUtf8(std::string_view bytes);

inline constexpr char32_t replacementCharacter = 0xFFFD;

inline bool isSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

// The code point that starts at text[i]; i moves past it. A high surrogate
// followed by a low one is one code point, whether wchar_t is 16 bits wide
// (Windows) or 32 (a text decoded elsewhere may still hold a pair as two
// characters), so both builds read the same text the same way. An unpaired
// surrogate comes back as itself, for the caller to write as it can; a value
// that is no code point at all (past U+10FFFF) as U+FFFD.
inline char32_t nextCodePoint(TextView text, std::size_t& i) {
  // wchar_t is signed where it is 32 bits wide; a negative value must not
  // pass for a small code point.
  using Unit = std::make_unsigned_t<wchar_t>;
  const char32_t code = static_cast<Unit>(text[i++]);
  if (code < 0xD800) return code;
  if (code > 0x10FFFF) return replacementCharacter;
  if (code <= 0xDBFF && i < text.size()) {
    const char32_t low = static_cast<Unit>(text[i]);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++i;
      return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return code;
}

// Appends the UTF-8 bytes of a code point; a surrogate, which UTF-8 cannot
// hold, becomes U+FFFD.
inline void appendUtf8(std::string& bytes, char32_t code) {
  if (code < 0x80) {
    bytes.push_back(static_cast<char>(code));
    return;
  }
  if (isSurrogate(code) || code > 0x10FFFF) code = replacementCharacter;
  char buffer[4];
  std::size_t length;
  if (code < 0x800) {
    buffer[0] = static_cast<char>(0xC0 | (code >> 6));
    length = 2;
  } else if (code < 0x10000) {
    buffer[0] = static_cast<char>(0xE0 | (code >> 12));
    buffer[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    length = 3;
  } else {
    buffer[0] = static_cast<char>(0xF0 | (code >> 18));
    buffer[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    buffer[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    length = 4;
  }
  buffer[length - 1] = static_cast<char>(0x80 | (code & 0x3F));
  bytes.append(buffer, length);
}

// The whole text as UTF-8, an unpaired surrogate as U+FFFD.
inline void appendUtf8(std::string& bytes, TextView text) {
  for (std::size_t i = 0; i < text.size();) appendUtf8(bytes, nextCodePoint(text, i));
}

// The text as UTF-8, an unpaired surrogate as U+FFFD; NULs are kept.
inline std::string toUtf8(TextView text) {
  std::string bytes;
  bytes.reserve(text.size());
  appendUtf8(bytes, text);
  return bytes;
}

}  // namespace vemdrol
