#include "formats/registry/registry_names.h"

#include <array>
#include <cstdint>
#include <utility>

namespace vemdrol {
namespace {

// A run of capitals whose small letters lie delta code units away. With
// pairs set, only every second unit of the run is a capital (the
// alternating capital/small layout of the Latin and Cyrillic extensions).
struct CaseRange {
  char16_t first;
  char16_t last;
  std::int32_t delta;
  bool pairs;
};

// Every one-to-one case pair of the Basic Multilingual Plane in the system's
// case table, by capital. Read off Wine's RtlUpcaseUnicodeChar and
// RtlDowncaseUnicodeChar, and checked against which single-character subkey
// names its registry merges and the order it lists them in.
constexpr CaseRange caseRanges[] = {
    {0x0041, 0x005A, 32, false},     {0x00C0, 0x00D6, 32, false},
    {0x00D8, 0x00DE, 32, false},     {0x0100, 0x012E, 1, true},
    {0x0132, 0x0136, 1, true},       {0x0139, 0x0147, 1, true},
    {0x014A, 0x0176, 1, true},       {0x0178, 0x0178, -121, false},
    {0x0179, 0x017D, 1, true},       {0x0181, 0x0181, 210, false},
    {0x0182, 0x0184, 1, true},       {0x0186, 0x0186, 206, false},
    {0x0187, 0x0187, 1, false},      {0x0189, 0x018A, 205, false},
    {0x018B, 0x018B, 1, false},      {0x018E, 0x018E, 79, false},
    {0x018F, 0x018F, 202, false},    {0x0190, 0x0190, 203, false},
    {0x0191, 0x0191, 1, false},      {0x0193, 0x0193, 205, false},
    {0x0194, 0x0194, 207, false},    {0x0196, 0x0196, 211, false},
    {0x0197, 0x0197, 209, false},    {0x0198, 0x0198, 1, false},
    {0x019C, 0x019C, 211, false},    {0x019D, 0x019D, 213, false},
    {0x019F, 0x019F, 214, false},    {0x01A0, 0x01A4, 1, true},
    {0x01A6, 0x01A6, 218, false},    {0x01A7, 0x01A7, 1, false},
    {0x01A9, 0x01A9, 218, false},    {0x01AC, 0x01AC, 1, false},
    {0x01AE, 0x01AE, 218, false},    {0x01AF, 0x01AF, 1, false},
    {0x01B1, 0x01B2, 217, false},    {0x01B3, 0x01B5, 1, true},
    {0x01B7, 0x01B7, 219, false},    {0x01B8, 0x01B8, 1, false},
    {0x01BC, 0x01BC, 1, false},      {0x01C4, 0x01C4, 2, false},
    {0x01C7, 0x01C7, 2, false},      {0x01CA, 0x01CA, 2, false},
    {0x01CD, 0x01DB, 1, true},       {0x01DE, 0x01EE, 1, true},
    {0x01F1, 0x01F1, 2, false},      {0x01F4, 0x01F4, 1, false},
    {0x01F6, 0x01F6, -97, false},    {0x01F7, 0x01F7, -56, false},
    {0x01F8, 0x021E, 1, true},       {0x0220, 0x0220, -130, false},
    {0x0222, 0x0232, 1, true},       {0x023A, 0x023A, 10795, false},
    {0x023B, 0x023B, 1, false},      {0x023D, 0x023D, -163, false},
    {0x023E, 0x023E, 10792, false},  {0x0241, 0x0241, 1, false},
    {0x0243, 0x0243, -195, false},   {0x0244, 0x0244, 69, false},
    {0x0245, 0x0245, 71, false},     {0x0246, 0x024E, 1, true},
    {0x0370, 0x0372, 1, true},       {0x0376, 0x0376, 1, false},
    {0x037F, 0x037F, 116, false},    {0x0386, 0x0386, 38, false},
    {0x0388, 0x038A, 37, false},     {0x038C, 0x038C, 64, false},
    {0x038E, 0x038F, 63, false},     {0x0391, 0x03A1, 32, false},
    {0x03A3, 0x03AB, 32, false},     {0x03CF, 0x03CF, 8, false},
    {0x03D8, 0x03EE, 1, true},       {0x03F7, 0x03F7, 1, false},
    {0x03F9, 0x03F9, -7, false},     {0x03FA, 0x03FA, 1, false},
    {0x03FD, 0x03FF, -130, false},   {0x0400, 0x040F, 80, false},
    {0x0410, 0x042F, 32, false},     {0x0460, 0x0480, 1, true},
    {0x048A, 0x04BE, 1, true},       {0x04C0, 0x04C0, 15, false},
    {0x04C1, 0x04CD, 1, true},       {0x04D0, 0x052E, 1, true},
    {0x0531, 0x0556, 48, false},     {0x10A0, 0x10C5, 7264, false},
    {0x10C7, 0x10C7, 7264, false},   {0x10CD, 0x10CD, 7264, false},
    {0x13A0, 0x13EF, 38864, false},  {0x13F0, 0x13F5, 8, false},
    {0x1C90, 0x1CBA, -3008, false},  {0x1CBD, 0x1CBF, -3008, false},
    {0x1E00, 0x1E94, 1, true},       {0x1EA0, 0x1EFE, 1, true},
    {0x1F08, 0x1F0F, -8, false},     {0x1F18, 0x1F1D, -8, false},
    {0x1F28, 0x1F2F, -8, false},     {0x1F38, 0x1F3F, -8, false},
    {0x1F48, 0x1F4D, -8, false},     {0x1F59, 0x1F5F, -8, true},
    {0x1F68, 0x1F6F, -8, false},     {0x1F88, 0x1F8F, -8, false},
    {0x1F98, 0x1F9F, -8, false},     {0x1FA8, 0x1FAF, -8, false},
    {0x1FB8, 0x1FB9, -8, false},     {0x1FBA, 0x1FBB, -74, false},
    {0x1FBC, 0x1FBC, -9, false},     {0x1FC8, 0x1FCB, -86, false},
    {0x1FCC, 0x1FCC, -9, false},     {0x1FD8, 0x1FD9, -8, false},
    {0x1FDA, 0x1FDB, -100, false},   {0x1FE8, 0x1FE9, -8, false},
    {0x1FEA, 0x1FEB, -112, false},   {0x1FEC, 0x1FEC, -7, false},
    {0x1FF8, 0x1FF9, -128, false},   {0x1FFA, 0x1FFB, -126, false},
    {0x1FFC, 0x1FFC, -9, false},     {0x2132, 0x2132, 28, false},
    {0x2160, 0x216F, 16, false},     {0x2183, 0x2183, 1, false},
    {0x24B6, 0x24CF, 26, false},     {0x2C00, 0x2C2F, 48, false},
    {0x2C60, 0x2C60, 1, false},      {0x2C62, 0x2C62, -10743, false},
    {0x2C63, 0x2C63, -3814, false},  {0x2C64, 0x2C64, -10727, false},
    {0x2C67, 0x2C6B, 1, true},       {0x2C6D, 0x2C6D, -10780, false},
    {0x2C6E, 0x2C6E, -10749, false}, {0x2C6F, 0x2C6F, -10783, false},
    {0x2C70, 0x2C70, -10782, false}, {0x2C72, 0x2C72, 1, false},
    {0x2C75, 0x2C75, 1, false},      {0x2C7E, 0x2C7F, -10815, false},
    {0x2C80, 0x2CE2, 1, true},       {0x2CEB, 0x2CED, 1, true},
    {0x2CF2, 0x2CF2, 1, false},      {0xA640, 0xA66C, 1, true},
    {0xA680, 0xA69A, 1, true},       {0xA722, 0xA72E, 1, true},
    {0xA732, 0xA76E, 1, true},       {0xA779, 0xA77B, 1, true},
    {0xA77D, 0xA77D, -35332, false}, {0xA77E, 0xA786, 1, true},
    {0xA78B, 0xA78B, 1, false},      {0xA78D, 0xA78D, -42280, false},
    {0xA790, 0xA792, 1, true},       {0xA796, 0xA7A8, 1, true},
    {0xA7AA, 0xA7AA, -42308, false}, {0xA7AB, 0xA7AB, -42319, false},
    {0xA7AC, 0xA7AC, -42315, false}, {0xA7AD, 0xA7AD, -42305, false},
    {0xA7AE, 0xA7AE, -42308, false}, {0xA7B0, 0xA7B0, -42258, false},
    {0xA7B1, 0xA7B1, -42282, false}, {0xA7B2, 0xA7B2, -42261, false},
    {0xA7B3, 0xA7B3, 928, false},    {0xA7B4, 0xA7C2, 1, true},
    {0xA7C4, 0xA7C4, -48, false},    {0xA7C5, 0xA7C5, -42307, false},
    {0xA7C6, 0xA7C6, -35384, false}, {0xA7C7, 0xA7C9, 1, true},
    {0xA7D0, 0xA7D0, 1, false},      {0xA7D6, 0xA7D8, 1, true},
    {0xA7F5, 0xA7F5, 1, false},      {0xFF21, 0xFF3A, 32, false},
};

struct CaseTables {
  std::array<char16_t, 0x10000> upper;
  std::array<char16_t, 0x10000> lower;
};

CaseTables makeCaseTables() {
  CaseTables tables;
  for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
    tables.upper[unit] = static_cast<char16_t>(unit);
    tables.lower[unit] = static_cast<char16_t>(unit);
  }
  for (const CaseRange& range : caseRanges) {
    const std::uint32_t step = range.pairs ? 2 : 1;
    for (std::uint32_t capital = range.first; capital <= range.last; capital += step) {
      const auto small = static_cast<char16_t>(static_cast<std::int32_t>(capital) + range.delta);
      tables.lower[capital] = small;
      tables.upper[small] = static_cast<char16_t>(capital);
    }
  }
  return tables;
}

const CaseTables& caseTables() {
  static const CaseTables tables = makeCaseTables();
  return tables;
}

// Reads a text as UTF-16 code units, whatever the width of wchar_t.
class Utf16Units {
 public:
  explicit Utf16Units(TextView text) : text_(text) {}

  bool next(char16_t& unit) {
    if (pendingLow_ != 0) {
      unit = std::exchange(pendingLow_, char16_t{0});
      return true;
    }
    if (at_ == text_.size()) return false;
    const auto code = static_cast<std::uint32_t>(text_[at_++]);
    if (code > 0xFFFF) {
      const std::uint32_t offset = code - 0x10000;
      unit = static_cast<char16_t>(0xD800 + (offset >> 10));
      pendingLow_ = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
      unit = static_cast<char16_t>(code);
    }
    return true;
  }

 private:
  TextView text_;
  std::size_t at_ = 0;
  char16_t pendingLow_ = 0;  // never 0 while a low surrogate waits
};

int compareUnits(TextView a, TextView b, const std::array<char16_t, 0x10000>& table) {
  Utf16Units left(a);
  Utf16Units right(b);
  while (true) {
    char16_t x = 0;
    char16_t y = 0;
    const bool moreLeft = left.next(x);
    const bool moreRight = right.next(y);
    if (!moreLeft || !moreRight) return moreLeft ? 1 : moreRight ? -1 : 0;
    if (x == y) continue;
    if (table[x] != table[y]) return table[x] < table[y] ? -1 : 1;
  }
}

}  // namespace

char16_t registryUpperCase(char16_t unit) { return caseTables().upper[unit]; }

char16_t registryLowerCase(char16_t unit) { return caseTables().lower[unit]; }

int compareRegistryNames(TextView a, TextView b, RegistryNameOrder order) {
  const auto& table = order == RegistryNameOrder::windows ? caseTables().upper : caseTables().lower;
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<std::uint32_t>(a[i]);
    const auto y = static_cast<std::uint32_t>(b[i]);
    if (x == y) continue;
    // Where wchar_t is 32 bits wide, a character beyond U+FFFF compares as
    // its surrogate pair.
    if (x > 0xFFFF || y > 0xFFFF) return compareUnits(a.substr(i), b.substr(i), table);
    const char16_t mappedX = table[x];
    const char16_t mappedY = table[y];
    if (mappedX != mappedY) return mappedX < mappedY ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int compareRegistryNames(std::u16string_view a, std::u16string_view b, RegistryNameOrder order) {
  const auto& table = order == RegistryNameOrder::windows ? caseTables().upper : caseTables().lower;
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    const char16_t mappedA = table[a[i]];
    const char16_t mappedB = table[b[i]];
    if (mappedA != mappedB) return mappedA < mappedB ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::size_t registryNameLength(TextView name) {
  std::size_t length = 0;
  Utf16Units units(name);
  for (char16_t unit = 0; units.next(unit);) ++length;
  return length;
}

}  // namespace vemdrol
