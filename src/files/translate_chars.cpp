#include "files/translate_chars.h"

#include <cstdint>

namespace vemdrol {

Text translateChars(TextView text, TextView from, TextView to) {
  Text result(text);
  for (wchar_t& c : result) {
    // Through an unsigned type, so that it means the same for the signed
    // 32-bit and the unsigned 16-bit wchar_t.
    if (static_cast<std::uint32_t>(c) < 32) {
      c = L'!';
      continue;
    }
    const wchar_t folded = foldCase(c);
    for (std::size_t k = 0; k < from.size(); ++k) {
      if (foldCase(from[k]) != folded) continue;
      if (k < to.size()) c = to[k];
      break;
    }
  }
  return result;
}

}  // namespace vemdrol
