#include "app/filtered_list.h"

#include <unordered_set>

namespace vemdrol {

namespace {

// A row told apart from the others by its tag and its path, which stay the
// same through a refill.
Text rowKey(const ListModel& list, std::size_t row) {
  return std::to_wstring(list.tag(row)) + L'\t' + list.cell(row, pathCell);
}

}  // namespace

FilteredList::FilteredList(const ListModel& source) {
  for (std::size_t column = 0; column < source.columnCount(); ++column) {
    const ListColumn& shown = source.column(column);
    rows_.addColumn(shown.name, shown.widthTwips, shown.shown);
  }
}

void FilteredList::refill(const ListModel& source, const Keeps& keeps) {
  std::unordered_set<Text> selected;
  for (std::size_t row = 0; row < rows_.rowCount() && selected.size() < rows_.selectedCount();
       ++row) {
    if (rows_.selected(row)) selected.insert(rowKey(rows_, row));
  }
  rows_.clearRows();
  {
    HeldRowNotices held(rows_);
    for (std::size_t row = 0; row < source.rowCount(); ++row) {
      if (!keeps(source, row)) continue;
      rows_.addRow(source.cells(row), source.tag(row), source.source(row));
    }
  }
  if (rows_.sorted()) rows_.setSorted(true);
  if (selected.empty()) return;
  for (std::size_t row = 0; row < rows_.rowCount(); ++row) {
    if (selected.count(rowKey(rows_, row)) != 0) (void)rows_.setSelected(row, true);
  }
}

}  // namespace vemdrol
