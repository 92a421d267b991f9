#include "rows/column_table.h"

#include <array>

namespace vemdrol {

void ColumnTable::fill() {
  static const std::array<const wchar_t*, 5> columnNames = {L"種類", L"定義", L"アプリケーション",
                                                            L"パス", L"バージョン"};
  if (names.size() < columnNames.size()) names.resize(columnNames.size());
  if (visible.size() < columnNames.size()) visible.resize(columnNames.size());
  for (std::size_t i = 0; i < columnNames.size(); ++i) {
    names[i] = columnNames[i];
    visible[i] = true;
  }
}

void rebuildColumns(const ColumnTable& table, ListModel& list) {
  list.clearRows();
  list.clearColumns();
  for (std::size_t i = 0; i < table.names.size(); ++i) {
    if (i < table.visible.size() && table.visible[i]) {
      list.addColumn(table.names[i], columnWidthTwips);
    }
  }
}

}  // namespace vemdrol
