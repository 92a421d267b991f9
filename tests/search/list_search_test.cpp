#include "search/list_search.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "os/memory/window.h"
#include "rows/column_table.h"

namespace vemdrol {
namespace {

struct Search : ::testing::Test {
  Search() {
    applyDesign(form);
    ColumnTable table;
    table.fill();
    rebuildColumns(table, list);
  }
  void row(std::initializer_list<const wchar_t*> cells) {
    const std::size_t at = list.addRow(*cells.begin());
    std::size_t column = 0;
    for (const wchar_t* cell : cells) list.setCell(at, column++, cell);
  }
  void type(const wchar_t* word) {
    form.setCaption(Control::Text1, word);
    search.wordChanged();
  }
  std::vector<std::size_t> selectedRows() const {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < list.rowCount(); ++i) {
      if (list.selected(i)) rows.push_back(i + 1);
    }
    return rows;
  }

  MemoryForm form;
  MemoryWindowServices services;
  ListModel list;
  ListSearch search{form, services, list};
};

TEST_F(Search, DownwardFindsEachHitInTurnAndDeselectsThePreviousOne) {
  row({L"*.txt", L"txtfile", L"Text", L"C:\\notepad.exe", L"6.1"});
  row({L"*.bmp", L"Paint", L"Bitmap", L"C:\\mspaint.exe", L"6.1"});
  row({L"*.log", L"txtfile", L"Log", L"C:\\NOTEPAD.EXE", L"6.1"});
  type(L"notepad");
  search.searchDown();
  EXPECT_EQ(search.position(), 1u);
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{1}));
  EXPECT_EQ(form.listExtendedStyle() & 0x20, 0x20u);
  search.searchDown();
  EXPECT_EQ(search.position(), 3u);  // upper case matches too
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{3}));
  EXPECT_TRUE(services.questions.empty());
  EXPECT_EQ(form.pointer(Control::Command2), Pointer::arrow);
  EXPECT_EQ(form.pointer(Control::ListView1), Pointer::arrow);

  // At the end: the question; No keeps the position, so the same rows are
  // searched again and the question comes again.
  services.answers = {false, false};
  search.searchDown();
  search.searchDown();
  ASSERT_EQ(services.questions.size(), 2u);
  EXPECT_EQ(services.questions[0].title, L"Vemdrol");
  EXPECT_EQ(services.questions[0].text, searchedToEndQuestion);
  EXPECT_EQ(search.position(), 3u);
  // Yes wraps to the first row.
  search.searchDown();
  EXPECT_EQ(search.position(), 0u);
  search.searchDown();
  EXPECT_EQ(search.position(), 1u);
}

TEST_F(Search, UpwardFromTheStartAsksAtOnceThenBeginsWithTheLastRow) {
  row({L"a", L"", L"", L"", L""});
  row({L"b", L"", L"", L"", L""});
  row({L"a", L"", L"", L"", L""});
  type(L"A");
  search.searchUp();
  ASSERT_EQ(services.questions.size(), 1u);
  EXPECT_EQ(services.questions[0].text, searchedToStartQuestion);
  EXPECT_EQ(search.position(), 4u);
  search.searchUp();
  EXPECT_EQ(search.position(), 3u);
  search.searchUp();
  EXPECT_EQ(search.position(), 1u);
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{1}));
  EXPECT_EQ(form.pointer(Control::Command3), Pointer::arrow);
}

TEST_F(Search, WordWithABlankMatchesAcrossColumnsAndEmptyCellsKeepTheirBlank) {
  row({L"x abc", L"def y", L"", L"", L""});
  row({L"k", L"", L"", L"C:\\p", L""});
  type(L"abc def");
  search.searchDown();
  EXPECT_EQ(search.position(), 1u);
  type(L"k  ");  // the empty second and third cells still give their blanks
  search.searchDown();
  EXPECT_EQ(search.position(), 2u);
}

TEST_F(Search, EmptyWordDeselectsTheHitAndSaysSo) {
  row({L"abc", L"", L"", L"", L""});
  type(L"abc");
  search.searchDown();
  ASSERT_EQ(selectedRows(), (std::vector<std::size_t>{1}));
  form.setCaption(Control::Text1, L"");  // without the change event
  search.searchDown();
  EXPECT_TRUE(selectedRows().empty());
  EXPECT_EQ(form.caption(Control::Label1), emptySearchWordMessage);
  EXPECT_EQ(search.position(), 1u);
  EXPECT_TRUE(services.questions.empty());
}

TEST_F(Search, TypingDeselectsEveryRowAndStartsAgainFromTheTop) {
  for (int i = 0; i < 4; ++i) row({L"same", L"", L"", L"", L""});
  type(L"same");
  search.searchDown();
  search.searchDown();
  list.setSelected(3, true);  // selected by hand
  type(L"sam");
  EXPECT_TRUE(selectedRows().empty());
  EXPECT_EQ(search.position(), 0u);
  search.searchDown();
  EXPECT_EQ(search.position(), 1u);
}

TEST_F(Search, PositionPastTheEndAfterTheListShrank) {
  for (int i = 0; i < 3; ++i) row({L"hit", L"", L"", L"", L""});
  type(L"hit");
  services.answers = {true};
  search.searchUp();  // position becomes 4
  list.clearRows();
  row({L"hit", L"", L"", L"", L""});
  search.searchUp();
  EXPECT_EQ(search.position(), 1u);
  services.answers = {false};
  search.searchDown();
  EXPECT_EQ(services.questions.size(), 2u);
}

TEST_F(Search, ListsLongerThanSixteenBitsAreSearchedBothWays) {
  for (int i = 0; i < 100000; ++i) row({L"row", L"", L"", L"", L""});
  list.setCell(70000, 2, L"needle");
  list.setCell(99999, 2, L"needle");
  type(L"needle");
  search.searchDown();
  EXPECT_EQ(search.position(), 70001u);
  search.searchDown();
  EXPECT_EQ(search.position(), 100000u);
  search.searchUp();
  EXPECT_EQ(search.position(), 70001u);
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{70001}));
}

}  // namespace
}  // namespace vemdrol
