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

namespace vemdrol {

// What a run says of an inventory file with damaged lines: how many, which
// (the first of them), and that the rest was compared.
Text damagedLinesMessage(TextView path, const CheckedInventory& read);

class InventoryOutput {
 public:
  explicit InventoryOutput(std::vector<InventoryRecord> rows);
  InventoryOutput(const InventoryOutput&) = delete;
  InventoryOutput& operator=(const InventoryOutput&) = delete;

  // Compares the rows with an earlier inventory: the 差分 column comes
  // first, removed rows last; with changedOnly the rows that are 同じ go.
  void compareWith(std::vector<InventoryRecord> older, bool changedOnly);
  // Adds the detail columns, read for every row's program file.
  void addDetails(DetailReader& reader);

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
  };
  class Rows;

  std::vector<ExportColumn> columns() const { return columns(compared_, detailed_); }
  static std::vector<ExportColumn> columns(bool compared, bool detailed);
  TextView cell(const Entry& entry, std::size_t column) const;

  std::vector<InventoryRecord> rows_;
  std::vector<InventoryRecord> older_;
  std::vector<Entry> entries_;
  std::vector<RowDetails> details_;
  bool compared_ = false;
  bool detailed_ = false;
};

}  // namespace vemdrol
