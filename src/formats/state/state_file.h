// The state file: what the program keeps between runs beside the inventory
// file, in UTF-8 with every text whole. The inventory file holds its texts in
// the system code page with its quotes and control characters replaced, so
// a path, a copyright sign or Hangul comes back from it changed; this file
// is where they come back from as they were.
//
// The file is lines of fields separated by tabs, each line ended by LF:
//
//   Vemdrol state 1
//   value  inventory-sha256  3f…            (a named text)
//   table  rows  type  definition  …       (a table and its column names)
//   row    *.txt  テキスト ドキュメント  …   (a record of the last table)
//   end    1234                             (the number of lines before it)
//
// In a field a backslash, a tab, CR, LF, any other control character and an
// unpaired surrogate are escaped ("\\", "\t", "\r", "\n", "\xHH",
// "\uHHHH"); every other character is its UTF-8. The last line counts the
// lines before it, so a file cut short anywhere is told from a whole one.
//
// The number after "Vemdrol state" is the format's version. A reader takes
// every version up to its own; a later version may add tables and columns,
// which an earlier reader passes over (a table is read by its columns'
// names), and raises the version only for a change an earlier reader would
// misread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/text.h"

namespace vemdrol {

inline constexpr int stateFileVersion = 1;
// How every state file begins, whatever its version.
inline constexpr std::string_view stateFileHeader = "Vemdrol state ";

struct StateTable {
  Text name;
  std::vector<Text> columns;
  // Each record has exactly one field per column.
  std::vector<std::vector<Text>> records;

  // The index of the named column; nullopt when the table has none.
  std::optional<std::size_t> column(TextView columnName) const;
};

struct StateFile {
  int version = stateFileVersion;
  std::vector<std::pair<Text, Text>> values;
  std::vector<StateTable> tables;

  // The first value or table of that name; nullptr when there is none.
  const Text* value(TextView name) const;
  const StateTable* table(TextView name) const;
};

// Writes a state file field by field, so that a list of a hundred thousand
// rows is not copied into a StateFile first.
class StateFileWriter {
 public:
  StateFileWriter();

  void value(TextView name, TextView text);
  // Starts a table; the records that follow belong to it.
  void table(TextView name, const std::vector<Text>& columns);
  // One field per column of the last table.
  void record(const std::vector<TextView>& fields);

  // The file's bytes, its last line written; the writer is spent.
  std::string finish() &&;

 private:
  void field(TextView text);
  void endLine();

  std::string bytes_;
  std::size_t lines_ = 0;
  std::size_t columns_ = 0;
};

// Why a file could not be read as a state file.
struct StateFileFault {
  enum class Kind {
    notStateFile,  // no "Vemdrol state N" first line
    newerVersion,  // written by a later program in a format this one cannot read
    damaged,       // cut short, or a line that does not belong (line holds it)
  };
  Kind kind = Kind::damaged;
  // The line at fault, from 1; for newerVersion the version found.
  std::size_t line = 0;
};

// Limits that keep a damaged or hostile file from costing more than a real
// one ever would: a table of more columns, or a field longer, is damage.
inline constexpr std::size_t maxStateColumns = 256;
inline constexpr std::size_t maxStateFieldBytes = std::size_t{1} << 20;

std::variant<StateFile, StateFileFault> readStateFile(std::string_view bytes);

}  // namespace vemdrol
