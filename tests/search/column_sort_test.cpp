#include "search/column_sort.h"

#include <gtest/gtest.h>

#include "rows/column_table.h"

namespace vemdrol {
namespace {

struct ColumnSort : ::testing::Test {
  ColumnSort() {
    ColumnTable table;
    table.fill();
    rebuildColumns(table, list);
    add(L"b", L"C:\\b.exe", L"6.0.5512");
    add(L"A", L"c:\\a.exe", L"10.0.1");
    add(L"c", L"C:\\C.exe", L"");
  }
  void add(const wchar_t* type, const wchar_t* path, const wchar_t* version) {
    const std::size_t row = list.addRow(type);
    list.setCell(row, 3, path);
    list.setCell(row, 4, version);
  }
  std::vector<Text> column(std::size_t index) const {
    std::vector<Text> cells;
    for (std::size_t i = 0; i < list.rowCount(); ++i) cells.push_back(list.cell(i, index));
    return cells;
  }
  ListModel list;
};

TEST_F(ColumnSort, TwoClicksOnOneColumnSortItBothWays) {
  columnClick(list, 4);  // パス
  EXPECT_TRUE(list.sorted());
  EXPECT_EQ(list.sortKey(), 3u);
  EXPECT_EQ(column(3), (std::vector<Text>{L"C:\\C.exe", L"C:\\b.exe", L"c:\\a.exe"}));
  columnClick(list, 4);
  EXPECT_EQ(column(3), (std::vector<Text>{L"c:\\a.exe", L"C:\\b.exe", L"C:\\C.exe"}));
}

TEST_F(ColumnSort, DirectionFlipsWhicheverColumnIsClicked) {
  columnClick(list, 1);  // 種類, descending
  EXPECT_EQ(column(0), (std::vector<Text>{L"c", L"b", L"A"}));
  columnClick(list, 4);  // パス, now ascending
  EXPECT_EQ(list.sortOrder(), 0);
  EXPECT_EQ(column(3), (std::vector<Text>{L"c:\\a.exe", L"C:\\b.exe", L"C:\\C.exe"}));
}

TEST_F(ColumnSort, VersionsSortAsTextsAndSelectionMovesWithItsRow) {
  list.setSelected(1, true);  // the row of 10.0.1
  columnClick(list, 5);
  columnClick(list, 5);  // ascending
  EXPECT_EQ(column(4), (std::vector<Text>{L"", L"10.0.1", L"6.0.5512"}));
  EXPECT_TRUE(list.selected(1));
  EXPECT_EQ(list.cell(1, 4), L"10.0.1");
}

TEST_F(ColumnSort, RowsAddedLaterAreAppendedUntilTheNextClick) {
  columnClick(list, 1);
  add(L"z", L"C:\\z.exe", L"");
  EXPECT_EQ(list.cell(3, 0), L"z");
  columnClick(list, 1);
  columnClick(list, 1);
  EXPECT_EQ(column(0), (std::vector<Text>{L"z", L"c", L"b", L"A"}));
}

}  // namespace
}  // namespace vemdrol
