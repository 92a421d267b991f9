// Reads the program's text files (the inventory file, the skip list and the
// trace log) as a stream of fields.
//
// The rules, on the file's raw bytes:
// - Fields are separated by commas and line ends; a line end also ends a
//   field, so records are not tied to lines. A line end is CR LF, and also a
//   lone CR or a lone LF, so that a file damaged by another editor still
//   reads line by line.
// - Blanks and tabs before a field are skipped.
// - A field that begins with a double quote runs to the next double quote,
//   line ends included, or to the end of the data when there is none; the
//   quotes are removed, commas and blanks inside are kept, and anything after
//   the closing quote up to the next comma or line end is discarded.
// - Any other field runs to the next comma or line end; blanks and tabs at
//   its end are removed.
// - An empty line gives one empty field. A comma at the very end of the data
//   is followed by one more, empty, field; a line end at the very end is not.
// - NUL bytes are ordinary bytes, and no field is ever cut short.
// - Reading a field when the end has already been reached is an error.
//
// Scanning bytes is safe for Shift_JIS: the second byte of a double-byte
// character lies in 0x40-0x7E or 0x80-0xFC, so it is never a comma, double
// quote, CR, LF, blank or tab. (It can be 0x5C, "\", which the rules do not
// look at.)
#pragma once

#include <cstddef>
#include <string_view>

#include "base/error.h"

namespace vemdrol {

inline constexpr long inputPastEndOfFile = 62;

class FieldReader {
 public:
  // The bytes must outlive the reader and every field read from it.
  explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

  // True when no field is left to read.
  bool atEnd() const { return position_ >= bytes_.size() && !fieldAfterComma_; }

  // The next field's raw bytes, a view into the reader's data (decode it with
  // fromAnsi); error 62 when atEnd().
  Result<std::string_view> readField();

  // Where the next field's reading begins, in bytes from the start.
  std::size_t offset() const { return position_; }

 private:
  void skipFieldEnd();

  std::string_view bytes_;
  std::size_t position_ = 0;
  // The last field ended with a comma at the very end of the data, so one
  // empty field is still due.
  bool fieldAfterComma_ = false;
};

}  // namespace vemdrol
