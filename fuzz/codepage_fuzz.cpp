// Decodes arbitrary bytes and checks the code page rules that callers rely
// on: nothing crashes, no character appears from nowhere, and what was
// decoded saves and reads back the same, invalid bytes as "?".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "os/codepage.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vemdrol::Text text = vemdrol::fromAnsi(bytes);
  check(text.size() <= size);

  // A byte below 0x40 is never the second byte of a character, so each one
  // comes through as itself and in order: decoding never loses or invents a
  // comma, quote or line end.
  std::wstring low;
  for (unsigned char b : bytes) {
    if (b < 0x40) low.push_back(static_cast<wchar_t>(b));
  }
  std::wstring lowOut;
  for (wchar_t c : text) {
    check(!(c >= 0xD800 && c <= 0xDFFF));
    if (c >= 0 && c < 0x40) lowOut.push_back(c);
  }
  check(low == lowOut);

  const std::string saved = vemdrol::toAnsi(text);
  check(saved.size() <= 2 * text.size());
  vemdrol::Text expected = text;
  for (wchar_t& c : expected) {
    if (c == 0xFFFD) c = L'?';
  }
  check(vemdrol::fromAnsi(saved) == expected);
  check(vemdrol::toAnsi(expected) == saved);
  return 0;
}
