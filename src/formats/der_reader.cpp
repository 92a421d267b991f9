#include "formats/der_reader.h"

#include "formats/limits.h"

namespace vemdrol {

std::optional<DerElement> DerReader::next() {
  const ByteOffset start = at_;
  const auto tag = reader_.u8(start);
  const auto first = reader_.u8(start + 1);
  if (!tag || !first || (*tag & 0x1F) == 0x1F) return std::nullopt;
  ByteOffset length = *first;
  ByteOffset header = 2;
  if (length >= 0x80) {
    // 0x80 is an indefinite length, which DER does not have.
    const ByteOffset count = length - 0x80;
    if (count == 0 || count > maxDerLengthBytes) return std::nullopt;
    length = 0;
    for (ByteOffset i = 0; i < count; ++i) {
      const auto byte = reader_.u8(start + 2 + i);
      if (!byte) return std::nullopt;
      length = length << 8 | *byte;
    }
    header += count;
  }
  if (!reader_.holds(start + header, length)) return std::nullopt;
  at_ = start + header + length;
  return DerElement{*tag, bytes_.substr(start + header, length), bytes_.substr(start, at_ - start)};
}

std::optional<DerElement> DerReader::next(unsigned tag) {
  const ByteOffset start = at_;
  std::optional<DerElement> element = next();
  if (element && element->tag == tag) return element;
  at_ = start;
  return std::nullopt;
}

std::optional<std::string_view> onlyDerElement(std::string_view bytes, unsigned tag) {
  DerReader reader(bytes);
  const std::optional<DerElement> element = reader.next(tag);
  if (!element || !reader.atEnd()) return std::nullopt;
  return element->value;
}

std::int64_t secondsSinceEpoch(int year, int month, int day, int hour, int minute, int second) {
  // Days from 1970-01-01 by the civil calendar's eras of 400 years, which
  // start in March so that the leap day ends a year.
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const std::int64_t days = era * 146097 + dayOfEra - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

namespace {

std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool leapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::optional<std::int64_t> derTime(const DerElement& element) {
  const std::string_view text = element.value;
  std::size_t at = 0;
  std::optional<int> year;
  if (element.tag == derTag::utcTime) {
    const auto shortYear = digits(text, 0, 2);
    if (!shortYear) return std::nullopt;
    year = *shortYear + (*shortYear < 50 ? 2000 : 1900);
    at = 2;
  } else if (element.tag == derTag::generalizedTime) {
    year = digits(text, 0, 4);
    at = 4;
  }
  if (!year) return std::nullopt;
  const auto month = digits(text, at, 2);
  const auto day = digits(text, at + 2, 2);
  const auto hour = digits(text, at + 4, 2);
  const auto minute = digits(text, at + 6, 2);
  const auto second = digits(text, at + 8, 2);
  if (!month || !day || !hour || !minute || !second) return std::nullopt;
  at += 10;
  if (element.tag == derTag::generalizedTime && at < text.size() && text[at] == '.') {
    // A fraction of at least one digit; the time stays in whole seconds.
    const std::size_t fraction = ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == fraction) return std::nullopt;
  }
  if (at + 1 != text.size() || text[at] != 'Z') return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) || *hour > 23 ||
      *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  return secondsSinceEpoch(*year, *month, *day, *hour, *minute, *second);
}

}  // namespace vemdrol
