#include "os/sha256.h"

namespace vemdrol {

Text sha256Text(const Sha256Digest& digest) {
  static constexpr wchar_t digits[] = L"0123456789abcdef";
  Text text;
  text.reserve(2 * digest.size());
  for (const std::uint8_t byte : digest) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 0xF]);
  }
  return text;
}

}  // namespace vemdrol
