// A table of texts as the exporters take it: named columns with a stable
// English key each, rows read in order from the caller's own storage, and
// what the file says about where it came from.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/text.h"

namespace vemdrol {

// How a column's cells become values in JSON. CSV, tab-separated and HTML
// files show every cell as its text.
enum class JsonValue {
  text,
  // A decimal integer, its digits grouped by commas or not, is written as
  // a number; an empty cell as null; any other text as it is, as a string.
  number,
  // A mark: an empty cell is false, any other text true.
  boolean,
  // The comparison column: 追加, 削除, 同じ and 変更 (followed by anything,
  // such as the names of the changed columns) are written as "added",
  // "removed", "same" and "changed"; any other text as it is.
  change,
};

struct ExportColumn {
  Text name;        // the header as the list shows it
  std::string key;  // the JSON key; stays the same from release to release
  JsonValue json = JsonValue::text;
};

// The list's five columns.
std::vector<ExportColumn> inventoryColumns();
// The comparison column 差分.
ExportColumn changeColumn();

// The rows, in order. A view over whatever the caller keeps them in, so that
// an export copies no row.
class ExportRows {
 public:
  virtual ~ExportRows() = default;
  virtual std::size_t rowCount() const = 0;
  // The text of a cell; column counts the table's columns from 0.
  virtual TextView cell(std::size_t row, std::size_t column) const = 0;
  // The older text of a cell of a changed or removed row, for the "old"
  // object in JSON; nullopt for a cell that has none, and a row where no cell
  // has one gets no "old" object.
  virtual std::optional<TextView> oldCell(std::size_t /*row*/, std::size_t /*column*/) const {
    return std::nullopt;
  }
  // A cell whose JSON value is not its text (a time the cell shows in local
  // form, a fact that is null): nullopt keeps the cell's text.
  struct JsonCell {
    bool null = false;
    TextView text;  // written as the column's JSON kind says
  };
  virtual std::optional<JsonCell> jsonCell(std::size_t /*row*/, std::size_t /*column*/) const {
    return std::nullopt;
  }
};

// Rows kept as a contiguous sequence of rows that are themselves indexable
// sequences of texts (std::array<Text, 5>, std::vector<Text>), one text per
// column, without older texts.
template <class Row>
class SpanRows final : public ExportRows {
 public:
  explicit SpanRows(std::span<const Row> rows) : rows_(rows) {}
  std::size_t rowCount() const override { return rows_.size(); }
  TextView cell(std::size_t row, std::size_t column) const override { return rows_[row][column]; }

 private:
  std::span<const Row> rows_;
};

struct ExportInfo {
  Text generatorName;     // "Vemdrol"
  Text generatorVersion;  // the program's version
  std::chrono::sys_seconds created;
  Text computer;
  Text title;
  // Local time minus UTC at created, in minutes (540 for +09:00), for
  // whoever reads the file where it was made; exportBytes asks the
  // machine's clock where the caller does not say.
  std::optional<int> createdOffsetMinutes = std::nullopt;
};

struct ExportTable {
  ExportInfo info;
  std::vector<ExportColumn> columns;
  const ExportRows& rows;
};

}  // namespace vemdrol
