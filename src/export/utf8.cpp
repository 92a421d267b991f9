#include "export/utf8.h"

#include <type_traits>

namespace vemdrol {

namespace {

constexpr char32_t replacement = 0xFFFD;

char32_t unitAt(TextView text, std::size_t i) {
  // wchar_t is signed where it is 32 bits wide; a negative value must not
  // pass for a small code point.
  return static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
}

}  // namespace

char32_t nextCodePoint(TextView text, std::size_t& i) {
  const char32_t code = unitAt(text, i++);
  if (code > 0x10FFFF) return replacement;
  if (code >= 0xD800 && code <= 0xDBFF && i < text.size()) {
    const char32_t low = unitAt(text, i);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++i;
      return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return code;
}

void appendUtf8(std::string& bytes, char32_t code) {
  if (isSurrogate(code) || code > 0x10FFFF) code = replacement;
  if (code < 0x80) {
    bytes.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void appendUtf8(std::string& bytes, TextView text) {
  for (std::size_t i = 0; i < text.size();) appendUtf8(bytes, nextCodePoint(text, i));
}

}  // namespace vemdrol
