#include "formats/apps/app_values.h"

#include <limits>

#include "base/utf16.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

std::uint64_t littleEndian(const std::string& bytes) {
  std::uint64_t number = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) {
    number = number << 8 | static_cast<unsigned char>(bytes[i]);
  }
  return number;
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

TextView trimmed(TextView text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  return text;
}

unsigned digitsOf(TextView text) {
  unsigned number = 0;
  for (wchar_t c : text) number = number * 10 + static_cast<unsigned>(c - L'0');
  return number;
}

}  // namespace

std::optional<Text> appText(const RegistryData& data) {
  if (data.type != registryTypeSz && data.type != registryTypeExpandSz) return std::nullopt;
  if (data.bytes.size() % 2 != 0) return std::nullopt;
  // Cut at the first NUL before decoding, so that a huge value past its
  // terminator costs nothing.
  std::size_t units = 0;
  while (units * 2 + 1 < data.bytes.size() &&
         (data.bytes[units * 2] != '\0' || data.bytes[units * 2 + 1] != '\0')) {
    if (++units > maxAppTextLength) return std::nullopt;
  }
  return fromUtf16Le(std::string_view(data.bytes).substr(0, units * 2));
}

std::optional<std::uint32_t> appDword(const RegistryData& data) {
  if (data.type != registryTypeDword || data.bytes.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(littleEndian(data.bytes));
}

std::optional<Text> installDateOf(TextView stored) {
  const TextView date = trimmed(stored);
  if (date.size() != 8) return std::nullopt;
  for (wchar_t c : date) {
    if (!isDigit(c)) return std::nullopt;
  }
  const unsigned year = digitsOf(date.substr(0, 4));
  const unsigned month = digitsOf(date.substr(4, 2));
  const unsigned day = digitsOf(date.substr(6, 2));
  if (year < 1601 || month < 1 || month > 12 || day < 1) return std::nullopt;
  static constexpr unsigned daysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const unsigned last = daysIn[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day > last) return std::nullopt;
  Text text(date.substr(0, 4));
  text += L'-';
  text += date.substr(4, 2);
  text += L'-';
  text += date.substr(6, 2);
  return text;
}

std::optional<std::uint64_t> estimatedSizeBytes(const RegistryData& data) {
  constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max() / 1024;
  std::uint64_t kib = 0;
  if (data.type == registryTypeDword && data.bytes.size() == 4) {
    kib = littleEndian(data.bytes);
  } else if (data.type == registryTypeQword && data.bytes.size() == 8) {
    kib = littleEndian(data.bytes);
  } else if (const std::optional<Text> text = appText(data)) {
    const TextView digits = trimmed(*text);
    if (digits.empty()) return std::nullopt;
    for (wchar_t c : digits) {
      if (!isDigit(c)) return std::nullopt;
      const auto digit = static_cast<std::uint64_t>(c - L'0');
      if (kib > (most - digit) / 10) return std::nullopt;
      kib = kib * 10 + digit;
    }
  } else {
    return std::nullopt;
  }
  if (kib > most) return std::nullopt;
  return kib * 1024;
}

}  // namespace vemdrol
