#include "search/column_sort.h"

#include <gtest/gtest.h>

#include "rows/column_table.h"
#include "rows/row_order.h"

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
    EXPECT_TRUE(list.setCell(row, 3, path).ok());
    EXPECT_TRUE(list.setCell(row, 4, version).ok());
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

TEST_F(ColumnSort, VersionsSortAsNumbersAndSelectionMovesWithItsRow) {
  EXPECT_TRUE(list.setSelected(1, true).ok());  // the row of 10.0.1
  columnClick(list, 5);
  columnClick(list, 5);  // ascending
  EXPECT_EQ(column(4), (std::vector<Text>{L"", L"6.0.5512", L"10.0.1"}));
  EXPECT_TRUE(list.selected(2));
  EXPECT_EQ(list.cell(2, 4), L"10.0.1");
}

TEST(VersionOrder, PartsCompareAsNumbersAndTheRestAsText) {
  EXPECT_LT(compareVersions(L"9.8.0", L"9.30.20789"), 0);
  EXPECT_LT(compareVersions(L"1.9", L"1.10"), 0);
  EXPECT_EQ(compareVersions(L"1.01", L"1.1"), 0);
  // Longer than any machine number, still by value.
  EXPECT_LT(compareVersions(L"99999999999999999999999", L"100000000000000000000000"), 0);
  EXPECT_LT(compareVersions(L"", L"0"), 0);
  EXPECT_LT(compareVersions(L"1.0", L"1.0 beta"), 0);
  EXPECT_EQ(compareVersions(L"2.0 Beta", L"2.0 beta"), 0);
  EXPECT_LT(compareVersions(L"1.2", L"1.a"), 0);
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
