#include "rows/list_model.h"

#include <algorithm>

namespace vemdrol {

namespace {

// The list control's own error for a row number outside the list.
Error indexOutOfBounds() { return Error{35600, L"インデックスが境界を超えています。"}; }

const Text emptyText;

}  // namespace

void ListModel::addColumn(TextView name, long widthTwips, bool shown) {
  announceRows();
  columns_.push_back(ListColumn{Text(name), widthTwips, shown});
  if (observer_) observer_->columnsChanged();
}

void ListModel::setColumnShown(std::size_t column, bool shown) {
  if (column >= columns_.size() || columns_[column].shown == shown) return;
  announceRows();
  columns_[column].shown = shown;
  if (observer_) observer_->columnsChanged();
}

void ListModel::setColumnWidth(std::size_t column, long widthTwips) {
  if (column < columns_.size()) columns_[column].widthTwips = widthTwips;
}

void ListModel::clearColumns() {
  announceRows();
  columns_.clear();
  if (observer_) observer_->columnsChanged();
}

std::size_t ListModel::addRow(TextView text) {
  std::array<Text, cellCount> cells;
  cells[0] = Text(text);
  return addRow(std::move(cells));
}

std::size_t ListModel::addRow(std::array<Text, cellCount> cells) {
  return addRow(std::move(cells), 0);
}

std::size_t ListModel::addRow(std::array<Text, cellCount> cells, std::size_t tag) {
  return addRow(std::move(cells), tag, Text());
}

std::size_t ListModel::addRow(std::array<Text, cellCount> cells, std::size_t tag, Text source) {
  Row row;
  row.cells = std::move(cells);
  row.tag = tag;
  row.source = std::move(source);
  rows_.push_back(std::move(row));
  rowsUnannounced_ = true;
  if (rowNoticeHolds_ == 0) announceRows();
  return rows_.size() - 1;
}

const Text& ListModel::source(std::size_t row) const {
  static const Text none;
  return row < rows_.size() ? rows_[row].source : none;
}

void ListModel::clearRows() {
  rows_.clear();
  selectedCount_ = 0;
  // The view hears of the new count from this notice; rows appended before
  // it need no notice of their own.
  rowsUnannounced_ = false;
  if (observer_) observer_->rowsChanged();
}

void ListModel::holdRowNotices() { ++rowNoticeHolds_; }

void ListModel::releaseRowNotices() {
  if (rowNoticeHolds_ > 0) --rowNoticeHolds_;
  if (rowNoticeHolds_ == 0) announceRows();
}

void ListModel::announceRows() {
  if (!rowsUnannounced_) return;
  rowsUnannounced_ = false;
  if (observer_) observer_->rowsAdded();
}

const Text& ListModel::cell(std::size_t row, std::size_t column) const {
  if (row >= rows_.size() || column >= cellCount) return emptyText;
  return rows_[row].cells[column];
}

Status ListModel::checkRow(std::size_t row) const {
  if (row >= rows_.size()) return indexOutOfBounds();
  return success();
}

Status ListModel::setCell(std::size_t row, std::size_t column, TextView text) {
  if (row >= rows_.size() || column >= cellCount) return indexOutOfBounds();
  rows_[row].cells[column] = Text(text);
  announceRows();
  if (observer_) observer_->cellChanged(row);
  return success();
}

bool ListModel::selected(std::size_t row) const {
  return row < rows_.size() && rows_[row].selected;
}

Status ListModel::setSelected(std::size_t row, bool selected) {
  if (Status checked = checkRow(row); !checked) return checked;
  if (rows_[row].selected == selected) return success();
  rows_[row].selected = selected;
  if (selected) {
    ++selectedCount_;
  } else {
    --selectedCount_;
  }
  announceRows();
  if (observer_) observer_->selectionChanged(row);
  return success();
}

Status ListModel::selectOnly(std::size_t row) {
  if (Status checked = checkRow(row); !checked) return checked;
  const std::size_t othersSelected = selectedCount_ - (rows_[row].selected ? 1 : 0);
  for (std::size_t i = 0; othersSelected > 0 && i < rows_.size(); ++i) {
    if (i != row && rows_[i].selected) (void)setSelected(i, false);
  }
  return setSelected(row, true);
}

Status ListModel::bringIntoView(std::size_t row) {
  if (Status checked = checkRow(row); !checked) return checked;
  announceRows();
  if (observer_) observer_->bringIntoView(row);
  return success();
}

std::optional<CellOrder> ListModel::orderOf(std::size_t column) const {
  if (column >= cellCount) return extra_ ? extra_->extraOrder(column) : std::nullopt;
  // A column the list does not show sorts as text.
  return column < columns_.size() ? cellOrderOf(columns_[column].name) : CellOrder::text;
}

void ListModel::setSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_ && orderOf(sortKey_)) {
    const RowSortKey key{sortKey_, sortOrder_ == 1};
    sortBy(std::span<const RowSortKey>(&key, 1));
  }
  if (observer_) observer_->sortChanged();
}

void ListModel::sortBy(std::span<const RowSortKey> keys) {
  struct Key {
    RowSortKey key;
    CellOrder order;
    // An extra column's cells, by the row's place before the sort; each
    // asked for once rather than in every comparison.
    std::vector<TextView> extra;
  };
  std::vector<Key> orders;
  for (const RowSortKey& key : keys) {
    const std::optional<CellOrder> order = orderOf(key.column);
    if (!order) continue;
    Key entry{key, *order, {}};
    if (key.column >= cellCount) {
      entry.extra.reserve(rows_.size());
      for (const Row& row : rows_) {
        entry.extra.push_back(extra_->extraCell(row.cells, row.tag, row.source, key.column));
      }
    }
    orders.push_back(std::move(entry));
  }
  const auto cellOf = [this](const Key& key, std::size_t row) -> TextView {
    return key.key.column < cellCount ? TextView(rows_[row].cells[key.key.column]) : key.extra[row];
  };
  std::vector<std::size_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    for (const Key& key : orders) {
      const int compared = compareCells(key.order, cellOf(key, a), cellOf(key, b));
      if (compared != 0) return key.key.descending ? compared > 0 : compared < 0;
    }
    return false;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const std::size_t from : order) sorted.push_back(std::move(rows_[from]));
  rows_ = std::move(sorted);
  // rowsChanged tells the view the whole list anew.
  rowsUnannounced_ = false;
  if (observer_) observer_->rowsChanged();
}

}  // namespace vemdrol
