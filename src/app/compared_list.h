// The list compared with an earlier inventory, as the window shows it while
// it compares (compare/comparison.h): the compared rows in a list of their
// own, a removed row with its older texts, each with its 差分 text. The
// inventory's own list stays as it is, for the inventory file, the rebuild
// and the saving of the current list.
#pragma once

#include <vector>

#include "compare/comparison.h"
#include "rows/list_model.h"

namespace vemdrol {

class ComparedList {
 public:
  // Compares the current list's rows with the older records, which it keeps;
  // the compared list has the current list's columns. The rows are matched
  // as the inventory file holds them, as the older ones were kept: a text
  // the file's code page cannot hold ("©") or a double quote is no change.
  // They show as the list shows them.
  ComparedList(const ListModel& current, std::vector<InventoryRecord> older);
  ComparedList(const ComparedList&) = delete;
  ComparedList& operator=(const ComparedList&) = delete;

  ListModel& rows() { return rows_; }
  const ListModel& rows() const { return rows_; }

  // By the row's tag (ListModel::tag): its 差分 cell, and whether it is a
  // removed row.
  TextView change(std::size_t tag) const;
  bool removed(std::size_t tag) const;

  // Every row, or only those that are not 同じ. Either way the rows are
  // listed anew in the comparison's order, none selected.
  bool changedOnly() const { return changedOnly_; }
  void setChangedOnly(bool changedOnly);

  // What the search looks in: the row's 差分 cell, then its own cells,
  // joined by blanks as the list's search joins them.
  void rowText(std::size_t row, Text& text) const;

  // The older inventory, for comparing a rebuilt list with it again.
  const std::vector<InventoryRecord>& older() const { return older_; }

 private:
  struct Entry {
    const InventoryRecord* texts;
    Change kind;
    Text change;
  };
  void fill();

  std::vector<InventoryRecord> current_;
  // current_ as the inventory file holds it.
  std::vector<InventoryRecord> saved_;
  std::vector<InventoryRecord> older_;
  std::vector<Entry> entries_;
  ListModel rows_;
  bool changedOnly_ = false;
};

}  // namespace vemdrol
