#include "rows/list_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "rows/column_table.h"

namespace vemdrol {
namespace {

struct RecordingObserver : ListObserver {
  void columnsChanged() override { ++columnChanges; }
  void rowsAdded() override { ++rowsAppended; }
  void rowsChanged() override { ++rowChanges; }
  void cellChanged(std::size_t row) override { changedCells.push_back(row); }
  void selectionChanged(std::size_t row) override { selections.push_back(row); }
  void bringIntoView(std::size_t row) override { shown.push_back(row); }
  int columnChanges = 0;
  int rowsAppended = 0;
  int rowChanges = 0;
  std::vector<std::size_t> changedCells, selections, shown;
};

TEST(ColumnRebuild, EmptiesTheListAndAddsTheFiveColumns) {
  ListModel list;
  list.addColumn(L"old", 100);
  list.addRow(L"row");
  ColumnTable table;
  table.fill();
  rebuildColumns(table, list);

  EXPECT_EQ(list.rowCount(), 0u);
  const std::vector<Text> expected = {L"種類", L"定義", L"アプリケーション", L"パス",
                                      L"バージョン"};
  ASSERT_EQ(list.columnCount(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list.column(i).name, expected[i]);
    EXPECT_EQ(list.column(i).widthTwips, 2500);
  }
}

TEST(ColumnRebuild, HiddenColumnIsLeftOutAndTheOthersKeepTheirOrder) {
  ColumnTable table;
  table.fill();
  table.visible[1] = false;
  ListModel list;
  rebuildColumns(table, list);
  ASSERT_EQ(list.columnCount(), 4u);
  EXPECT_EQ(list.column(0).name, L"種類");
  EXPECT_EQ(list.column(1).name, L"アプリケーション");
  EXPECT_EQ(list.column(3).name, L"バージョン");

  // Filling again shows every column, as start-up does.
  table.fill();
  rebuildColumns(table, list);
  EXPECT_EQ(list.columnCount(), 5u);
}

TEST(ListModel, CellsAndRowsOutsideTheListAreErrorsNotCrashes) {
  ListModel list;
  EXPECT_FALSE(list.setCell(0, 1, L"x"));
  EXPECT_EQ(list.setCell(0, 1, L"x").error().number, 35600);
  EXPECT_FALSE(list.selectOnly(0));
  EXPECT_FALSE(list.bringIntoView(0));
  EXPECT_EQ(list.cell(3, 0), L"");

  const std::size_t row = list.addRow(L"*.txt");
  EXPECT_TRUE(list.setCell(row, 4, L"6.0.5512"));
  EXPECT_FALSE(list.setCell(row, 5, L"x"));
  EXPECT_EQ(list.cell(row, 0), L"*.txt");
  EXPECT_EQ(list.cell(row, 4), L"6.0.5512");
  EXPECT_EQ(list.cell(row, 1), L"");
}

TEST(ListModel, WholeRowIsAddedWithOneNoticeToTheView) {
  ListModel list;
  RecordingObserver view;
  list.setObserver(&view);
  list.addRow(L"first");
  const std::size_t row = list.addRow(
      {L"*.txt", L"txtfile", L"テキスト文書", L"C:\\WINDOWS\\notepad.exe", L"6.0.5512"});
  EXPECT_EQ(row, 1u);
  EXPECT_EQ(view.rowsAppended, 2);
  EXPECT_TRUE(view.changedCells.empty());
  EXPECT_EQ(list.rowCount(), 2u);
  EXPECT_EQ(list.cell(1, 0), L"*.txt");
  EXPECT_EQ(list.cell(1, 2), L"テキスト文書");
  EXPECT_EQ(list.cell(1, 4), L"6.0.5512");
  EXPECT_FALSE(list.selected(1));
}

// The view must know every row before it is told anything about one.
struct CountingView : RecordingObserver {
  explicit CountingView(const ListModel& model) : model(model) {}
  void rowsAdded() override {
    RecordingObserver::rowsAdded();
    known = model.rowCount();
  }
  void rowsChanged() override {
    RecordingObserver::rowsChanged();
    known = model.rowCount();
  }
  void selectionChanged(std::size_t row) override {
    EXPECT_LT(row, known);
    RecordingObserver::selectionChanged(row);
  }
  void cellChanged(std::size_t row) override {
    EXPECT_LT(row, known);
    RecordingObserver::cellChanged(row);
  }
  const ListModel& model;
  std::size_t known = 0;
};

TEST(ListModel, HeldRowNoticesComeOnceAndBeforeAnyOtherNotice) {
  ListModel list;
  CountingView view(list);
  list.setObserver(&view);
  {
    HeldRowNotices held(list);
    for (int i = 0; i < 3; ++i) list.addRow(L"row");
    EXPECT_EQ(view.rowsAppended, 0);
    ASSERT_TRUE(list.selectOnly(2));
    EXPECT_EQ(view.rowsAppended, 1);
    EXPECT_EQ(view.known, 3u);
    list.addRow(L"row");
    ASSERT_TRUE(list.setCell(3, 1, L"x"));
    EXPECT_EQ(view.rowsAppended, 2);
    {
      HeldRowNotices inner(list);
      list.addRow(L"row");
    }
    // The outer hold still stands.
    EXPECT_EQ(view.rowsAppended, 2);
    list.announceRows();
    list.announceRows();
    EXPECT_EQ(view.rowsAppended, 3);
    EXPECT_EQ(view.known, 5u);
    list.addRow(L"row");
  }
  EXPECT_EQ(view.rowsAppended, 4);
  EXPECT_EQ(view.known, 6u);

  // Rows cleared before they were announced need no notice of their own.
  {
    HeldRowNotices held(list);
    list.addRow(L"row");
    list.clearRows();
  }
  EXPECT_EQ(view.rowsAppended, 4);
  EXPECT_EQ(view.rowChanges, 1);
  EXPECT_EQ(view.known, 0u);
  // Without a hold every row is announced at once.
  list.addRow(L"row");
  EXPECT_EQ(view.rowsAppended, 5);
}

TEST(ListModel, SelectOnlyLeavesOneSelectedRowAndTellsTheView) {
  ListModel list;
  RecordingObserver view;
  list.setObserver(&view);
  for (int i = 0; i < 4; ++i) list.addRow(L"row");
  EXPECT_EQ(view.rowsAppended, 4);
  EXPECT_EQ(view.rowChanges, 0);

  ASSERT_TRUE(list.setSelected(0, true));
  ASSERT_TRUE(list.setSelected(2, true));
  ASSERT_TRUE(list.selectOnly(3));
  EXPECT_FALSE(list.selected(0));
  EXPECT_FALSE(list.selected(2));
  EXPECT_TRUE(list.selected(3));
  EXPECT_EQ(view.selections, (std::vector<std::size_t>{0, 2, 0, 2, 3}));

  // Selecting the selected row again tells the view nothing new.
  ASSERT_TRUE(list.selectOnly(3));
  EXPECT_EQ(view.selections.size(), 5u);

  list.clearRows();
  list.addRow(L"again");
  EXPECT_FALSE(list.selected(0));
  ASSERT_TRUE(list.selectOnly(0));
  EXPECT_TRUE(list.selected(0));
}

}  // namespace
}  // namespace vemdrol
