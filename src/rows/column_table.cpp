#include "rows/column_table.h"

#include <array>

namespace vemdrol {

void ColumnTable::fill() {
  static const std::array<const wchar_t*, 5> columnNames = {L"種類", L"定義", L"アプリケーション",
                                                            L"パス", L"バージョン"};
  if (names.size() < columnNames.size()) names.resize(columnNames.size());
  if (visible.size() < columnNames.size()) visible.resize(columnNames.size());
  if (shown.size() < columnNames.size()) shown.resize(columnNames.size());
  if (widthsTwips.size() < columnNames.size()) widthsTwips.resize(columnNames.size());
  for (std::size_t i = 0; i < columnNames.size(); ++i) {
    names[i] = columnNames[i];
    visible[i] = true;
    shown[i] = true;
    widthsTwips[i] = columnWidthTwips;
  }
}

void rebuildColumns(const ColumnTable& table, ListModel& list) {
  list.clearRows();
  list.clearColumns();
  for (std::size_t i = 0; i < table.names.size(); ++i) {
    if (i < table.visible.size() && table.visible[i]) {
      list.addColumn(table.names[i],
                     i < table.widthsTwips.size() ? table.widthsTwips[i] : columnWidthTwips,
                     i >= table.shown.size() || table.shown[i]);
    }
  }
}

std::size_t tableIndexOfListColumn(const ColumnTable& table, std::size_t listColumn) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < table.names.size(); ++i) {
    if (i >= table.visible.size() || !table.visible[i]) continue;
    if (seen == listColumn) return i;
    ++seen;
  }
  return table.names.size();
}

}  // namespace vemdrol
