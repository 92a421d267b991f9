#include "app/compared_list.h"

#include "search/list_search.h"

namespace vemdrol {

ComparedList::ComparedList(const ListModel& current, std::vector<InventoryRecord> older,
                           bool olderWhole)
    : older_(std::move(older)), olderWhole_(olderWhole) {
  current_.reserve(current.rowCount());
  sources_.reserve(current.rowCount());
  for (std::size_t row = 0; row < current.rowCount(); ++row) {
    current_.push_back(current.cells(row));
    sources_.push_back(current.source(row));
  }
  std::vector<Text> names;
  for (std::size_t column = 0; column < current.columnCount(); ++column) {
    const ListColumn& shown = current.column(column);
    names.push_back(shown.name);
    // Its own columns sort the compared rows as the list's sort its rows.
    rows_.addColumn(shown.name, shown.widthTwips, shown.shown);
  }
  const std::vector<ComparedRow> compared = compareInventories(current_, older_, !olderWhole_);
  entries_.reserve(compared.size());
  for (const ComparedRow& row : compared) {
    entries_.push_back(
        {row.texts, row.old, row.changedColumns, row.change, changeText(row, names)});
  }
  fill();
}

TextView ComparedList::change(std::size_t tag) const {
  return tag < entries_.size() ? TextView(entries_[tag].change) : TextView();
}

bool ComparedList::removed(std::size_t tag) const {
  return tag < entries_.size() && entries_[tag].kind == Change::removed;
}

std::optional<TextView> ComparedList::olderCell(std::size_t tag, std::size_t column) const {
  if (tag >= entries_.size() || column >= inventoryFieldCount) return std::nullopt;
  const Entry& entry = entries_[tag];
  if (entry.kind != Change::changed || (entry.changedColumns & (1u << column)) == 0) {
    return std::nullopt;
  }
  return TextView((*entry.old)[column]);
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
    // A removed row is the older inventory's, which keeps no sources.
    const Entry& entry = entries_[i];
    Text source = entry.kind == Change::removed
                      ? Text()
                      : sources_[static_cast<std::size_t>(entry.texts - current_.data())];
    rows_.addRow(*entry.texts, i, std::move(source));
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
