#include "files/inventory_file.h"

#include "files/translate_chars.h"
#include "os/codepage.h"

namespace vemdrol {

namespace {

void appendField(std::string& bytes, TextView cell) {
  bytes += '"';
  bytes += toAnsi(translateChars(cell, L"\"", L"'"));
  bytes += '"';
}

}  // namespace

Text asInventoryFileHolds(TextView text) {
  return fromAnsi(toAnsi(translateChars(text, L"\"", L"'")));
}

void appendInventoryLine(std::string& bytes, std::span<const Text> fields) {
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) bytes += ',';
    appendField(bytes, fields[k]);
  }
  bytes += "\r\n";
}

void InventoryRecordReader::countLinesTo(std::size_t offset) {
  for (; countedTo_ < offset && countedTo_ < bytes_.size(); ++countedTo_) {
    const char c = bytes_[countedTo_];
    // CR LF, a lone CR and a lone LF each end one line, as for the fields.
    if (c == '\n' ||
        (c == '\r' && (countedTo_ + 1 >= bytes_.size() || bytes_[countedTo_ + 1] != '\n'))) {
      ++currentLine_;
    }
  }
}

Result<InventoryRecord> InventoryRecordReader::next() {
  countLinesTo(fields_.offset());
  recordLine_ = currentLine_;
  InventoryRecord record;
  for (Text& field : record) {
    Result<std::string_view> read = fields_.readField();
    if (!read) return read.error();
    field = fromAnsi(read.value());
  }
  return record;
}

CheckedInventory readCheckedInventory(std::string_view bytes) {
  CheckedInventory checked;
  std::size_t number = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    ++number;
    // CR LF, a lone CR and a lone LF each end one line.
    start = end;
    if (start < bytes.size() && bytes[start] == '\r') ++start;
    if (start < bytes.size() && bytes[start] == '\n') ++start;
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;

    FieldReader fields(line);
    InventoryRecord record;
    bool whole = true;
    for (Text& field : record) {
      Result<std::string_view> read = fields.readField();
      if (!read) {
        whole = false;
        break;
      }
      field = fromAnsi(read.value());
    }
    if (whole && fields.atEnd()) {
      checked.records.push_back(std::move(record));
    } else {
      if (checked.damaged.size() < CheckedInventory::maxNotedDamage) {
        checked.damaged.push_back(number);
      }
      ++checked.damagedLines;
    }
  }
  return checked;
}

}  // namespace vemdrol
