// The rows a run from the command line writes, from vemdrol.exe or the
// scanner alike: the inventory's rows, compared with an earlier inventory
// and with the details of their files when asked, sorted, in one format.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "compare/comparison.h"
#include "details/row_details.h"
#include "export/export_table.h"
#include "files/inventory_file.h"
#include "trust/signature_filter.h"

namespace vemdrol {

class InventoryOutput {
 public:
  // sources: where each row came from (ListModel::source), by the rows'
  // order; a row past its end has none.
  explicit InventoryOutput(std::vector<InventoryRecord> rows, std::vector<Text> sources = {});
  InventoryOutput(const InventoryOutput&) = delete;
  InventoryOutput& operator=(const InventoryOutput&) = delete;

  // Compares the rows with an earlier inventory: the 差分 column comes
  // first, removed rows last; with changedOnly the rows that are 同じ go.
  // olderWhole: the older texts are whole (a state file), not as a bare
  // inventory file holds them.
  void compareWith(std::vector<InventoryRecord> older, bool changedOnly, bool olderWhole = false);
  // Adds the detail columns, read for every row's program file; 登録場所 is
  // the row's source, null in JSON where there is none.
  void addDetails(DetailReader& reader);
  // Keeps the rows whose program file the filter keeps, each file's
  // signature read through signatures; a file that cannot be read stays.
  void filterBySignature(const SignatureFilter& filter, SignatureReader& signatures);

  std::vector<Text> columnNames() const;
  // The names an output would have, before there are rows.
  static std::vector<Text> columnNames(bool compared, bool detailed);
  std::size_t rowCount() const { return entries_.size(); }
  // Stable, by the first key, then the second; an error names a column the
  // output does not have.
  Status sortBy(std::span<const SortRequest> sort);

  // The whole file. The inventory file format holds the five texts of each
  // row and nothing else.
  std::string bytes(OutputFormat format, const ExportInfo& info) const;

 private:
  struct Entry {
    const InventoryRecord* texts;
    const InventoryRecord* old;  // a changed or removed row's older texts
    Text change;                 // the 差分 cell
    std::size_t details;         // index into details_, when there are any
    const Text* source;          // nullptr for a removed row and a row without one
  };
  class Rows;

  std::vector<ExportColumn> columns() const { return columns(compared_, detailed_); }
  static std::vector<ExportColumn> columns(bool compared, bool detailed);
  TextView cell(const Entry& entry, std::size_t column) const;
  // The source of a row of rows_, if it has one.
  const Text* sourceOf(const InventoryRecord* row) const;

  std::vector<InventoryRecord> rows_;
  std::vector<Text> sources_;
  std::vector<InventoryRecord> older_;
  std::vector<Entry> entries_;
  std::vector<RowDetails> details_;
  bool compared_ = false;
  bool detailed_ = false;
};

}  // namespace vemdrol
