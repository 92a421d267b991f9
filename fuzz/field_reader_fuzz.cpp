// Reads every field of arbitrary bytes and checks the reader against a plain
// byte-by-byte model of the same rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "files/field_reader.h"
#include "files/inventory_file.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isFieldEnd(char c) { return c == ',' || c == '\r' || c == '\n'; }

// The rules once more, one byte at a time, written for clarity, not speed.
std::vector<std::string> modelFields(std::string_view bytes) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  bool emptyFieldDue = false;
  while (i < n || emptyFieldDue) {
    emptyFieldDue = false;
    while (i < n && isBlank(bytes[i])) ++i;
    std::string field;
    if (i < n && bytes[i] == '"') {
      ++i;
      while (i < n && bytes[i] != '"') field += bytes[i++];
      if (i < n) ++i;  // the closing quote
      while (i < n && !isFieldEnd(bytes[i])) ++i;
    } else {
      while (i < n && !isFieldEnd(bytes[i])) field += bytes[i++];
      while (!field.empty() && isBlank(field.back())) field.pop_back();
    }
    if (i < n) {
      const char end = bytes[i++];
      if (end == ',' && i == n) emptyFieldDue = true;
      if (end == '\r' && i < n && bytes[i] == '\n') ++i;
    }
    fields.push_back(field);
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = modelFields(bytes);

  vemdrol::FieldReader reader(bytes);
  std::size_t count = 0;
  std::size_t previousEnd = 0;
  while (!reader.atEnd()) {
    auto field = reader.readField();
    check(field.ok());
    const std::string_view value = field.value();
    // Every field is a piece of the input, after the previous one.
    check(value.size() <= size);
    if (!value.empty()) {
      check(value.data() >= bytes.data() && value.data() + value.size() <= bytes.data() + size);
      const auto offset = static_cast<std::size_t>(value.data() - bytes.data());
      check(offset >= previousEnd);
      previousEnd = offset + value.size();
    }
    check(count < expected.size() && value == expected[count]);
    ++count;
    // A field per byte, plus one: anything more means the reader stalled.
    check(count <= size + 1);
  }
  check(count == expected.size());
  check(size == 0 || count >= 1);
  for (int i = 0; i < 2; ++i) {
    auto past = reader.readField();
    check(!past.ok() && past.error().number == vemdrol::inputPastEndOfFile);
    check(reader.atEnd());
  }

  // An earlier inventory read line by line: every line is a record, damaged
  // or passed over as blank, never more.
  const vemdrol::CheckedInventory checked = vemdrol::readCheckedInventory(bytes);
  std::size_t lines = size == 0 ? 0 : 1;
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n'))) ++lines;
  }
  check(checked.records.size() + checked.damagedLines <= lines);
  check(checked.damaged.size() <= vemdrol::CheckedInventory::maxNotedDamage);
  return 0;
}
