// The inventory file's format: one line per row, five double-quoted fields
// separated by commas, in the ANSI code page with CR LF. Every cell is
// filtered before it is written (a double quote becomes an apostrophe, a
// control character "!"), so a field never holds a quote or a line end and
// each record is one line. Reading follows the program's field rules
// (files/field_reader.h), so a damaged file still reads as far as it can.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "files/field_reader.h"

namespace vemdrol {

inline constexpr std::size_t inventoryFieldCount = 5;
using InventoryRecord = std::array<Text, inventoryFieldCount>;

// Appends one line: the fields filtered, quoted, joined by commas, CR LF.
void appendInventoryLine(std::string& bytes, std::span<const Text> fields);

// A text as the inventory file gives it back: filtered, then through the
// code page, so that a character it cannot hold reads as "?". What a
// comparison with a bare inventory file compares the newer texts as.
Text asInventoryFileHolds(TextView text);

// Reads the records of an inventory file one after the other.
class InventoryRecordReader {
 public:
  // The bytes must outlive the reader.
  explicit InventoryRecordReader(std::string_view bytes) : bytes_(bytes), fields_(bytes) {}

  bool atEnd() const { return fields_.atEnd(); }
  // The next record; a record cut short by the end of the file is error 62.
  Result<InventoryRecord> next();
  // The line (from 1) on which the record last read, or cut short, began.
  std::size_t line() const { return recordLine_; }

 private:
  // Counts the line ends between the last counted offset and offset.
  void countLinesTo(std::size_t offset);

  std::string_view bytes_;
  FieldReader fields_;
  std::size_t countedTo_ = 0;
  std::size_t currentLine_ = 1;
  std::size_t recordLine_ = 0;
};

// An inventory file read line by line, as an earlier inventory kept for a
// comparison is read: each line must hold exactly five fields under the
// field rules, or it is damaged; a damaged line is passed over and noted,
// and the lines after it are still read. Blank lines are passed over.
struct CheckedInventory {
  std::vector<InventoryRecord> records;
  // The numbers (from 1) of the damaged lines, in order; at most
  // maxNotedDamage of them are kept, damagedLines counts them all.
  std::vector<std::size_t> damaged;
  std::size_t damagedLines = 0;
  static constexpr std::size_t maxNotedDamage = 100;
  // The records' texts are whole, read from a state file
  // (state/kept_inventory.h), not as an inventory file holds them; a
  // comparison with them compares texts as they are.
  bool wholeTexts = false;
};
CheckedInventory readCheckedInventory(std::string_view bytes);

}  // namespace vemdrol
