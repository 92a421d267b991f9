// The list's column table: five column names with a visibility flag each, and
// the procedure that rebuilds the list's columns from it.
#pragma once

#include <vector>

#include "platform/text.h"
#include "rows/list_model.h"

namespace vemdrol {

inline constexpr long columnWidthTwips = 2500;

struct ColumnTable {
  std::vector<Text> names;
  std::vector<bool> visible;

  // Sizes both arrays to the five columns, keeping earlier contents, then
  // sets the five names and shows every column.
  void fill();
};

// Empties the list (rows and headers), then adds one 2500-twip header per
// visible column in table order. Callers that want rows add them afterwards.
void rebuildColumns(const ColumnTable& table, ListModel& list);

}  // namespace vemdrol
