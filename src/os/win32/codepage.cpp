// The system's ANSI code page through the Windows conversion functions.
//
// Each direction first converts the whole text in one call and looks at what
// Windows reports; only when something went wrong does it go character by
// character, so that the rules of codepage.h hold exactly without slowing
// down ordinary text.
#include "os/codepage.h"

#include <climits>

#include "os/win32/windows.h"

namespace vemdrol {
namespace {

constexpr wchar_t replacement = 0xFFFD;

// Code page 932 as Windows has it maps the unassigned single bytes 0xA0 and
// 0xFD to 0xFF to the private-use characters U+F8F0 to U+F8F3 (or, on some
// systems, rejects them). They are no characters of the code page, so they
// read as invalid bytes and the private-use characters save as "?", the same
// on every system and in the iconv backend.
bool isPrivateByteCharacter(wchar_t c) { return c >= 0xF8F0 && c <= 0xF8F3; }

// One character's bytes by the code page's own table, or false when the
// bytes are not a valid character.
bool decodeOne(const char* bytes, int length, wchar_t& c) {
  wchar_t out[2];
  int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, length, out, 2);
  if (n != 1 || isPrivateByteCharacter(out[0])) return false;
  c = out[0];
  return true;
}

Text decodeStepwise(std::string_view bytes) {
  Text text;
  text.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    wchar_t c = replacement;
    std::size_t length = 1;
    if (b < 0x80) {
      c = static_cast<wchar_t>(b);
    } else if (!IsDBCSLeadByteEx(CP_ACP, b)) {
      if (!decodeOne(bytes.data() + i, 1, c)) c = replacement;
    } else if (i + 1 < bytes.size() && decodeOne(bytes.data() + i, 2, c)) {
      length = 2;
    } else {
      // A lead byte whose pair is no character: one replacement, and on from
      // the very next byte, so that a stray lead byte never swallows the
      // comma or quote after it.
      c = replacement;
    }
    text.push_back(c);
    i += length;
  }
  return text;
}

// Appends the bytes of the one character at text[i] (two code units for a
// surrogate pair), or "?" when the code page has no exact equivalent.
// Returns the number of code units taken.
std::size_t encodeOne(TextView text, std::size_t i, std::string& bytes) {
  int units = 1;
  if (i + 1 < text.size() && IS_HIGH_SURROGATE(text[i]) && IS_LOW_SURROGATE(text[i + 1])) {
    units = 2;
  }
  char out[8];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data() + i, units, out, sizeof out,
                              nullptr, &usedDefault);
  if (n <= 0 || usedDefault || isPrivateByteCharacter(text[i])) {
    bytes.push_back('?');
  } else {
    bytes.append(out, static_cast<std::size_t>(n));
  }
  return static_cast<std::size_t>(units);
}

std::string encodeStepwise(TextView text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] < 0x80) {
      bytes.push_back(static_cast<char>(text[i]));
      i += 1;
    } else {
      i += encodeOne(text, i, bytes);
    }
  }
  return bytes;
}

}  // namespace

Text fromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (bytes.size() > INT_MAX) return decodeStepwise(bytes);
  // Never more UTF-16 code units than bytes.
  Text text(bytes.size(), L'\0');
  int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                              static_cast<int>(bytes.size()), text.data(),
                              static_cast<int>(text.size()));
  if (n <= 0) return decodeStepwise(bytes);
  text.resize(static_cast<std::size_t>(n));
  for (wchar_t c : text) {
    if (isPrivateByteCharacter(c)) return decodeStepwise(bytes);
  }
  return text;
}

std::string toAnsi(TextView text) {
  if (text.empty()) return {};
  if (text.size() > INT_MAX / 2) return encodeStepwise(text);
  for (wchar_t c : text) {
    if (isPrivateByteCharacter(c)) return encodeStepwise(text);
  }
  // A double-byte code page never needs more than two bytes per code unit.
  std::string bytes(text.size() * 2, '\0');
  BOOL usedDefault = FALSE;
  int n =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          bytes.data(), static_cast<int>(bytes.size()), nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return encodeStepwise(text);
  bytes.resize(static_cast<std::size_t>(n));
  return bytes;
}

}  // namespace vemdrol
