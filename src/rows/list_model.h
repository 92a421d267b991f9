// The rows and column headers of the inventory list, owned by the core.
//
// The list control on screen is only a view of this model: it asks the model
// for the texts it draws and reports the user's selection back. Search, sort,
// the inventory file and the tests work on the model without a window.
//
// Rows are numbered from 0 here; the window's own numbering from 1 is the
// caller's business.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "rows/row_order.h"

namespace vemdrol {

// Text shown in a cell: column 0 is the row's own text, columns 1 to 4 its
// sub-items.
inline constexpr std::size_t cellCount = 5;
// The cell that holds the program file's full path.
inline constexpr std::size_t pathCell = 3;

struct ListColumn {
  Text name;
  long widthTwips = 0;
  // A column not shown keeps its cells; the view leaves it out.
  bool shown = true;
};

// What a view needs to hear to stay in step with the model.
class ListObserver {
 public:
  virtual ~ListObserver() = default;
  virtual void columnsChanged() = 0;
  // Rows were appended at the end; the others stand where they stood.
  virtual void rowsAdded() = 0;
  // Rows were removed or reordered.
  virtual void rowsChanged() = 0;
  virtual void cellChanged(std::size_t row) = 0;
  virtual void selectionChanged(std::size_t row) = 0;
  virtual void bringIntoView(std::size_t row) = 0;
  // The rows were just sorted by the sort settings, or the settings say the
  // list is no longer sorted.
  virtual void sortChanged() {}
  // Cells outside the rows (ExtraCells) changed for rows anywhere in the
  // list: the view draws again what it shows.
  virtual void cellsChanged() {}
};

// The cells of columns a view shows beside a row's own five, which the rows
// do not hold: the details of the row's file, a comparison's 差分. Their
// columns are numbered from cellCount on. The list asks for them to sort.
class ExtraCells {
 public:
  virtual ~ExtraCells() = default;
  // The order of an extra column; nullopt for a column there is none of.
  virtual std::optional<CellOrder> extraOrder(std::size_t column) const = 0;
  // The cell of the row with these cells, this tag (ListModel::tag) and
  // this source (ListModel::source). The text must stay as it is while the
  // list sorts.
  virtual TextView extraCell(const std::array<Text, cellCount>& cells, std::size_t tag,
                             TextView source, std::size_t column) const = 0;
};

class ListModel {
 public:
  void setObserver(ListObserver* observer) { observer_ = observer; }

  void addColumn(TextView name, long widthTwips, bool shown = true);
  void clearColumns();
  // The view hears of a column shown or hidden; a width it reports itself.
  void setColumnShown(std::size_t column, bool shown);
  void setColumnWidth(std::size_t column, long widthTwips);
  std::size_t columnCount() const { return columns_.size(); }
  const ListColumn& column(std::size_t index) const { return columns_.at(index); }

  std::size_t rowCount() const { return rows_.size(); }
  // Appends a row with the given text and empty sub-items; returns its index.
  std::size_t addRow(TextView text);
  // Appends a row with all its cells; the view hears of it once, where
  // filling the cells one by one would have it redraw the row for each.
  std::size_t addRow(std::array<Text, cellCount> cells);
  // The same, with a number of the caller's own that stays with the row
  // through every sort (0 for the other ways of adding a row).
  std::size_t addRow(std::array<Text, cellCount> cells, std::size_t tag);
  // The same, with where the row came from: the registry key that named its
  // file, or the folder scan that found it. The inventory file has no field
  // for it; the state file keeps it.
  std::size_t addRow(std::array<Text, cellCount> cells, std::size_t tag, Text source);
  std::size_t tag(std::size_t row) const { return row < rows_.size() ? rows_[row].tag : 0; }
  // Empty for a row added without one, and outside the list.
  const Text& source(std::size_t row) const;
  void clearRows();

  // While held, appended rows are announced to the view together: by
  // announceRows(), before any other notice, and when the last hold ends.
  // Telling a list control of each new row costs it a new layout and
  // scroll range, a millisecond or more apiece under Wine, and nothing of
  // it shows until the window paints. Whoever holds the notices announces
  // the rows before letting window events run.
  void holdRowNotices();
  void releaseRowNotices();
  void announceRows();

  // Cell text; empty for a row or column outside the list.
  const Text& cell(std::size_t row, std::size_t column) const;
  // All cells of a row inside the list.
  const std::array<Text, cellCount>& cells(std::size_t row) const { return rows_.at(row).cells; }
  Status setCell(std::size_t row, std::size_t column, TextView text);

  bool selected(std::size_t row) const;
  std::size_t selectedCount() const { return selectedCount_; }
  Status setSelected(std::size_t row, bool selected);
  // Makes the row the one selected row, as setting the selected item does.
  Status selectOnly(std::size_t row);
  Status bringIntoView(std::size_t row);

  // Where the cells of the columns from cellCount on come from, for sorting
  // by them; nullptr (as at first) for none. Must outlive the list or be
  // taken back.
  void setExtraCells(const ExtraCells* extra) { extra_ = extra; }

  // Sort settings, kept with the list. Switching sorting on orders the rows
  // by the cells of the sort column (0-based), ascending (order 0) or
  // descending (1), in the column's order (rows/row_order.h); rows that
  // compare equal keep their order. A column from cellCount on sorts by its
  // extra cells, and not at all when there are none. Rows added later are
  // appended where they are added, so a
  // rebuild lists its rows in its own order; the next switch sorts them all.
  std::size_t sortKey() const { return sortKey_; }
  void setSortKey(std::size_t column) { sortKey_ = column; }
  int sortOrder() const { return sortOrder_; }
  void setSortOrder(int order) { sortOrder_ = order; }
  bool sorted() const { return sorted_; }
  void setSorted(bool sorted);
  // Orders the rows by the first key, rows equal there by the second, and so
  // on; rows equal in every key keep their order. The sort settings stay.
  void sortBy(std::span<const RowSortKey> keys);

 private:
  struct Row {
    std::array<Text, cellCount> cells;
    bool selected = false;
    std::size_t tag = 0;
    Text source;
  };

  Status checkRow(std::size_t row) const;
  std::optional<CellOrder> orderOf(std::size_t column) const;

  std::vector<ListColumn> columns_;
  std::vector<Row> rows_;
  // Lets selectOnly skip the walk over the rows when nothing else is
  // selected, which is the usual case during a rebuild.
  std::size_t selectedCount_ = 0;
  ListObserver* observer_ = nullptr;
  const ExtraCells* extra_ = nullptr;
  int rowNoticeHolds_ = 0;
  bool rowsUnannounced_ = false;
  std::size_t sortKey_ = 0;
  int sortOrder_ = 0;
  bool sorted_ = false;
};

// Holds a list's row notices for as long as it lives.
class HeldRowNotices {
 public:
  explicit HeldRowNotices(ListModel& list) : list_(list) { list_.holdRowNotices(); }
  ~HeldRowNotices() { list_.releaseRowNotices(); }
  HeldRowNotices(const HeldRowNotices&) = delete;
  HeldRowNotices& operator=(const HeldRowNotices&) = delete;

 private:
  ListModel& list_;
};

}  // namespace vemdrol
