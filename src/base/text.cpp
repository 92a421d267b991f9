#include "base/text.h"

#include <array>
#include <cstdint>

namespace vemdrol {
namespace {

// A run of capitals that fold by a fixed distance. With pairs set, only every
// second code of the run is a capital (the usual upper/lower alternation of
// the Latin and Cyrillic extension blocks) and its small letter follows it.
struct FoldRange {
  char32_t first;
  char32_t last;
  std::int32_t delta;
  bool pairs;
};

// Outside ASCII and Latin-1, which the table below covers. Sorted by first.
// U+0130 and U+0131 (dotted capital I, dotless small i) fold to themselves:
// neither has a one-to-one partner. Only the final sigma folds to a letter
// that is not its lower case, so that a word matches in either position.
constexpr FoldRange foldRanges[] = {
    // Latin Extended-A.
    {0x0100, 0x012F, 1, true},
    {0x0132, 0x0137, 1, true},
    {0x0139, 0x0148, 1, true},
    {0x014A, 0x0177, 1, true},
    {0x0178, 0x0178, 0x00FF - 0x0178, false},
    {0x0179, 0x017E, 1, true},
    // Greek.
    {0x0370, 0x0373, 1, true},
    {0x0376, 0x0376, 1, false},
    {0x037F, 0x037F, 0x03F3 - 0x037F, false},
    {0x0386, 0x0386, 0x03AC - 0x0386, false},
    {0x0388, 0x038A, 0x03AD - 0x0388, false},
    {0x038C, 0x038C, 0x03CC - 0x038C, false},
    {0x038E, 0x038F, 0x03CD - 0x038E, false},
    {0x0391, 0x03A1, 0x20, false},
    {0x03A3, 0x03AB, 0x20, false},
    {0x03C2, 0x03C2, 1, false},  // final sigma
    {0x03CF, 0x03CF, 0x03D7 - 0x03CF, false},
    {0x03D8, 0x03EF, 1, true},
    {0x03F4, 0x03F4, 0x03B8 - 0x03F4, false},
    {0x03F7, 0x03F7, 1, false},
    {0x03F9, 0x03F9, 0x03F2 - 0x03F9, false},
    {0x03FA, 0x03FA, 1, false},
    {0x03FD, 0x03FF, 0x037B - 0x03FD, false},
    // Cyrillic.
    {0x0400, 0x040F, 0x50, false},
    {0x0410, 0x042F, 0x20, false},
    {0x0460, 0x0481, 1, true},
    {0x048A, 0x04BF, 1, true},
    {0x04C0, 0x04C0, 0x04CF - 0x04C0, false},
    {0x04C1, 0x04CE, 1, true},
    {0x04D0, 0x04FF, 1, true},
    // Full-width Latin capitals.
    {0xFF21, 0xFF3A, 0x20, false},
};

constexpr std::array<char16_t, 256> makeLatin1Table() {
  std::array<char16_t, 256> table{};
  for (char16_t c = 0; c < 256; ++c) {
    bool capital = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    table[c] = capital ? static_cast<char16_t>(c + 0x20) : c;
  }
  return table;
}

constexpr std::array<char16_t, 256> latin1Table = makeLatin1Table();

char32_t foldRare(char32_t c) {
  // Most text beyond Latin-1 here is Japanese, which lies in the gap.
  if (c < foldRanges[0].first || (c > 0x04FF && c < 0xFF21) || c > 0xFF3A) return c;
  for (const FoldRange& r : foldRanges) {
    if (c < r.first) break;
    if (c <= r.last) {
      if (r.pairs && ((c - r.first) & 1) != 0) return c;
      return static_cast<char32_t>(static_cast<std::int32_t>(c) + r.delta);
    }
  }
  return c;
}

// The code of a character as an unsigned number, whatever the width and
// signedness of wchar_t.
inline char32_t codeOf(wchar_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    return static_cast<char16_t>(c);
  } else {
    return static_cast<char32_t>(c);
  }
}

inline char32_t fold(wchar_t c) {
  char32_t code = codeOf(c);
  if (code < 256) return latin1Table[code];
  return foldRare(code);
}

// The collation weight of one character. With 16-bit wchar_t a character
// outside the Basic Multilingual Plane is a surrogate pair; moving the
// surrogates above U+E000..U+FFFF makes UTF-16 sort in code-point order, the
// order that 32-bit wchar_t gives, so both builds sort alike.
inline std::uint32_t weight(wchar_t c) {
  if (c == L' ') return 0;
  if (c == L'\\') return 1;
  std::uint32_t code = fold(c);
  if constexpr (sizeof(wchar_t) == 2) {
    if (code >= 0xE000) {
      code -= 0x800;
    } else if (code >= 0xD800) {
      code += 0x2000;
    }
  }
  return code + 2;
}

}  // namespace

wchar_t foldCase(wchar_t c) { return static_cast<wchar_t>(fold(c)); }

Text foldCase(TextView text) {
  Text folded(text);
  for (wchar_t& c : folded) c = foldCase(c);
  return folded;
}

bool equalNoCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

int compareNoCase(TextView a, TextView b) {
  std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    std::uint32_t wa = weight(a[i]);
    std::uint32_t wb = weight(b[i]);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::size_t findNoCase(TextView haystack, TextView needle, std::size_t from) {
  if (from > haystack.size()) return notFound;
  if (needle.empty()) return from;
  if (needle.size() > haystack.size() - from) return notFound;
  const char32_t first = fold(needle[0]);
  const TextView rest = needle.substr(1);
  const std::size_t lastStart = haystack.size() - needle.size();
  for (std::size_t i = from; i <= lastStart; ++i) {
    if (fold(haystack[i]) != first) continue;
    if (equalNoCase(haystack.substr(i + 1, rest.size()), rest)) return i;
  }
  return notFound;
}

bool containsNoCase(TextView haystack, TextView needle) {
  return findNoCase(haystack, needle) != notFound;
}

bool startsWithNoCase(TextView text, TextView prefix) {
  return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithNoCase(TextView text, TextView suffix) {
  return text.size() >= suffix.size() &&
         equalNoCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace vemdrol
