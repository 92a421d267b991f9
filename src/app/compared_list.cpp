#include "app/compared_list.h"

#include "rows/saved_rows.h"
#include "search/list_search.h"

namespace vemdrol {

ComparedList::ComparedList(const ListModel& current, std::vector<InventoryRecord> older)
    : older_(std::move(older)) {
  current_.reserve(current.rowCount());
  for (std::size_t row = 0; row < current.rowCount(); ++row) {
    current_.push_back(current.cells(row));
  }
  CheckedInventory saved = readCheckedInventory(inventoryFileBytes(current));
  // Each row is one line of the file; should that ever not hold, the texts
  // are compared as they are.
  saved_ = saved.records.size() == current_.size() && saved.damagedLines == 0
               ? std::move(saved.records)
               : current_;
  std::vector<Text> names;
  for (std::size_t column = 0; column < current.columnCount(); ++column) {
    const ListColumn& shown = current.column(column);
    names.push_back(shown.name);
    // Its own columns sort the compared rows as the list's sort its rows.
    rows_.addColumn(shown.name, shown.widthTwips, shown.shown);
  }
  const std::vector<ComparedRow> compared = compareInventories(saved_, older_);
  entries_.reserve(compared.size());
  for (const ComparedRow& row : compared) {
    const InventoryRecord* texts = row.texts;
    if (row.change != Change::removed)
      texts = &current_[static_cast<std::size_t>(texts - saved_.data())];
    entries_.push_back({texts, row.change, changeText(row, names)});
  }
  fill();
}

TextView ComparedList::change(std::size_t tag) const {
  return tag < entries_.size() ? TextView(entries_[tag].change) : TextView();
}

bool ComparedList::removed(std::size_t tag) const {
  return tag < entries_.size() && entries_[tag].kind == Change::removed;
}

void ComparedList::setChangedOnly(bool changedOnly) {
  changedOnly_ = changedOnly;
  fill();
}

void ComparedList::fill() {
  rows_.clearRows();
  HeldRowNotices held(rows_);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (changedOnly_ && entries_[i].kind == Change::same) continue;
    rows_.addRow(*entries_[i].texts, i);
  }
}

void ComparedList::rowText(std::size_t row, Text& text) const {
  Text own;
  vemdrol::rowText(rows_, row, own);
  text = change(rows_.tag(row));
  text += L' ';
  text += own;
}

}  // namespace vemdrol
