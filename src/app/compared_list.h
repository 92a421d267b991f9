// The list compared with an earlier inventory, as the window shows it while
// it compares (compare/comparison.h): the compared rows in a list of their
// own, a removed row with its older texts, each with its 差分 text. The
// inventory's own list stays as it is, for the inventory file, the rebuild
// and the saving of the current list.
#pragma once

#include <optional>
#include <vector>

#include "compare/comparison.h"
#include "rows/list_model.h"

namespace vemdrol {

class ComparedList {
 public:
  // Compares the current list's rows with the older records, which it keeps;
  // the compared list has the current list's columns. Against a bare
  // inventory file the rows are matched as that file holds them, as the
  // older ones were kept: a text the file's code page cannot hold ("©") or
  // a double quote is no change. They show as the list shows them.
  // olderWhole: the older texts are whole (from a state file), and the rows
  // are compared as they are.
  ComparedList(const ListModel& current, std::vector<InventoryRecord> older,
               bool olderWhole = false);
  ComparedList(const ComparedList&) = delete;
  ComparedList& operator=(const ComparedList&) = delete;

  ListModel& rows() { return rows_; }
  const ListModel& rows() const { return rows_; }

  // By the row's tag (ListModel::tag): its 差分 cell, and whether it is a
  // removed row.
  TextView change(std::size_t tag) const;
  bool removed(std::size_t tag) const;
  // The older text of a cell (a column of the list's own, from 0) that
  // changed in a 変更 row, for showing it beside the newer one; nullopt for
  // every other cell.
  std::optional<TextView> olderCell(std::size_t tag, std::size_t column) const;

  // Every row, or only those that are not 同じ. Either way the rows are
  // listed anew in the comparison's order, none selected.
  bool changedOnly() const { return changedOnly_; }
  // The rows compared, whether shown or not (差分のみ表示 leaves out the
  // 同じ ones).
  std::size_t comparedRowCount() const { return entries_.size(); }
  void setChangedOnly(bool changedOnly);

  // What the search looks in: the row's 差分 cell, then its own cells,
  // joined by blanks as the list's search joins them.
  void rowText(std::size_t row, Text& text) const;

  // The older inventory, for comparing a rebuilt list with it again.
  const std::vector<InventoryRecord>& older() const { return older_; }
  bool olderWhole() const { return olderWhole_; }

 private:
  struct Entry {
    const InventoryRecord* texts;
    // The older texts of a changed row.
    const InventoryRecord* old;
    unsigned changedColumns;
    Change kind;
    Text change;
  };
  void fill();

  std::vector<InventoryRecord> current_;
  // Where each of current_ came from (ListModel::source).
  std::vector<Text> sources_;
  std::vector<InventoryRecord> older_;
  bool olderWhole_ = false;
  std::vector<Entry> entries_;
  ListModel rows_;
  bool changedOnly_ = false;
};

}  // namespace vemdrol
