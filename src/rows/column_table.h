// The list's column table: five column names with a visibility flag each, and
// the procedure that rebuilds the list's columns from it. Besides, what the
// user chose to see of each column: its width and whether it is shown. A
// column not shown stays in the list (its cells, the saved file and the
// search keep it); only the view leaves it out. A rebuild keeps that choice.
#pragma once

#include <vector>

#include "base/text.h"
#include "rows/list_model.h"

namespace vemdrol {

inline constexpr long columnWidthTwips = 2500;

struct ColumnTable {
  std::vector<Text> names;
  std::vector<bool> visible;
  std::vector<bool> shown;
  std::vector<long> widthsTwips;

  // Sizes the arrays to the five columns, keeping earlier contents, then
  // sets the five names and shows every column, 2500 twips wide.
  void fill();
};

// Empties the list (rows and headers), then adds one header per visible
// column in table order, with its width and whether it is shown (2500 twips
// and shown where the table does not say). Callers that want rows add them
// afterwards.
void rebuildColumns(const ColumnTable& table, ListModel& list);

// The table's entry for the list's column (the table's visible columns in
// order); the table's size when there is none.
std::size_t tableIndexOfListColumn(const ColumnTable& table, std::size_t listColumn);

}  // namespace vemdrol
