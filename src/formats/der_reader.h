// Bounded reading of DER, the encoding of certificates, signatures and
// catalogs, for every parser of formats/ that reads them.
//
// A DerReader walks the elements of one value side by side; a parser goes
// down by making a reader of an element's value, so nesting is as deep as
// the parser's own code and no deeper. Only what DER allows is read:
// single-byte tags, definite lengths in the shortest form or in at most
// maxDerLengthBytes bytes, every element within the bytes it lies in.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "formats/byte_reader.h"

namespace vemdrol {

struct DerElement {
  unsigned tag = 0;
  std::string_view value;
  std::string_view whole;  // tag, length and value
};

namespace derTag {
inline constexpr unsigned integer = 0x02;
inline constexpr unsigned bitString = 0x03;
inline constexpr unsigned octetString = 0x04;
inline constexpr unsigned null = 0x05;
inline constexpr unsigned objectIdentifier = 0x06;
inline constexpr unsigned utcTime = 0x17;
inline constexpr unsigned generalizedTime = 0x18;
inline constexpr unsigned sequence = 0x30;
inline constexpr unsigned set = 0x31;
inline constexpr unsigned context0 = 0xA0;  // [0], constructed
inline constexpr unsigned context1 = 0xA1;  // [1], constructed
}  // namespace derTag

class DerReader {
 public:
  explicit DerReader(std::string_view bytes) : bytes_(bytes), reader_(bytes) {}

  bool atEnd() const { return at_ == bytes_.size(); }

  // The next element, whatever its tag; nullopt at the end or when it does
  // not fit, and the reader stays where it was.
  std::optional<DerElement> next();
  // The next element when it has this tag; nothing is consumed otherwise.
  std::optional<DerElement> next(unsigned tag);

 private:
  std::string_view bytes_;
  ByteReader reader_;
  ByteOffset at_ = 0;
};

// The value of the one element that fills bytes, with this tag.
std::optional<std::string_view> onlyDerElement(std::string_view bytes, unsigned tag);

// The time a UTCTime or GeneralizedTime element holds, in seconds since
// 1970-01-01 00:00 UTC. Only the forms DER allows: UTC ("Z"), seconds
// present, a GeneralizedTime's fraction passed over; a UTCTime's two-digit
// year from 1950 to 2049. nullopt for any other element or a date that
// does not exist.
std::optional<std::int64_t> derTime(const DerElement& element);

// Seconds since 1970-01-01 00:00 UTC of a date and time in the proleptic
// Gregorian calendar, which the caller has checked.
std::int64_t secondsSinceEpoch(int year, int month, int day, int hour, int minute, int second);

}  // namespace vemdrol
