#include "files/field_reader.h"

namespace vemdrol {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

constexpr std::string_view fieldEnds = ",\r\n";

}  // namespace

Result<std::string_view> FieldReader::readField() {
  if (atEnd()) {
    return Error{inputPastEndOfFile, L"ファイルの終わりを超えて入力しようとしました"};
  }
  fieldAfterComma_ = false;
  const std::size_t size = bytes_.size();
  while (position_ < size && isBlank(bytes_[position_])) ++position_;

  std::string_view field;
  if (position_ < size && bytes_[position_] == '"') {
    const std::size_t start = position_ + 1;
    const std::size_t close = bytes_.find('"', start);
    if (close == std::string_view::npos) {
      position_ = size;
      return bytes_.substr(start);
    }
    field = bytes_.substr(start, close - start);
    position_ = close + 1;
  } else {
    const std::size_t start = position_;
    std::size_t end = bytes_.find_first_of(fieldEnds, start);
    if (end == std::string_view::npos) end = size;
    position_ = end;
    while (end > start && isBlank(bytes_[end - 1])) --end;
    field = bytes_.substr(start, end - start);
  }
  skipFieldEnd();
  return field;
}

// Moves past whatever follows the field up to and including the comma or
// line end that ends it.
void FieldReader::skipFieldEnd() {
  std::size_t end = bytes_.find_first_of(fieldEnds, position_);
  if (end == std::string_view::npos) {
    position_ = bytes_.size();
    return;
  }
  position_ = end + 1;
  if (bytes_[end] == ',') {
    fieldAfterComma_ = position_ == bytes_.size();
  } else if (bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
    ++position_;
  }
}

}  // namespace vemdrol
