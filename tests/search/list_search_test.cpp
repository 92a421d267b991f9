#include "search/list_search.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <vector>

#include "rows/column_table.h"

namespace vemdrol {
namespace {

// A window that answers as the test says and keeps what it was told.
struct RecordingWindow : SearchWindow {
  Text searchWord() const override { return word; }
  void showSearching(SearchDirection direction, bool searching) override {
    running = searching ? std::optional(direction) : std::nullopt;
  }
  void clearSearchMessage() override { noWordSaid = false; }
  void sayNoSearchWord() override { noWordSaid = true; }
  bool askToWrap(SearchDirection direction) override {
    questions.push_back(direction);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void hitSelected() override { ++hitsSelected; }

  Text word;
  std::deque<bool> answers;  // the next answers; Yes when empty
  std::vector<SearchDirection> questions;
  std::optional<SearchDirection> running;
  bool noWordSaid = false;
  int hitsSelected = 0;
};

struct Search : ::testing::Test {
  Search() {
    ColumnTable table;
    table.fill();
    rebuildColumns(table, list);
  }
  void row(std::initializer_list<const wchar_t*> cells) {
    const std::size_t at = list.addRow(*cells.begin());
    std::size_t column = 0;
    for (const wchar_t* cell : cells) EXPECT_TRUE(list.setCell(at, column++, cell).ok());
  }
  void type(const wchar_t* word) {
    window.word = word;
    search.wordChanged();
  }
  std::vector<std::size_t> selectedRows() const {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < list.rowCount(); ++i) {
      if (list.selected(i)) rows.push_back(i + 1);
    }
    return rows;
  }

  RecordingWindow window;
  ListModel list;
  ListSearch search{window, list};
};

TEST_F(Search, DownwardFindsEachHitInTurnAndDeselectsThePreviousOne) {
  row({L"*.txt", L"txtfile", L"Text", L"C:\\notepad.exe", L"6.1"});
  row({L"*.bmp", L"Paint", L"Bitmap", L"C:\\mspaint.exe", L"6.1"});
  row({L"*.log", L"txtfile", L"Log", L"C:\\NOTEPAD.EXE", L"6.1"});
  type(L"notepad");
  search.searchDown();
  EXPECT_EQ(search.position(), 1u);
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{1}));
  EXPECT_EQ(window.hitsSelected, 1);
  search.searchDown();
  EXPECT_EQ(search.position(), 3u);  // upper case matches too
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{3}));
  EXPECT_TRUE(window.questions.empty());
  EXPECT_FALSE(window.running);

  // At the end: the question; No keeps the position, so the same rows are
  // searched again and the question comes again.
  window.answers = {false, false};
  search.searchDown();
  search.searchDown();
  EXPECT_EQ(window.questions,
            (std::vector<SearchDirection>{SearchDirection::down, SearchDirection::down}));
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
  EXPECT_EQ(window.questions, (std::vector<SearchDirection>{SearchDirection::up}));
  EXPECT_EQ(search.position(), 4u);
  search.searchUp();
  EXPECT_EQ(search.position(), 3u);
  search.searchUp();
  EXPECT_EQ(search.position(), 1u);
  EXPECT_EQ(selectedRows(), (std::vector<std::size_t>{1}));
  EXPECT_FALSE(window.running);
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
  window.word.clear();  // without the change event
  search.searchDown();
  EXPECT_TRUE(selectedRows().empty());
  EXPECT_TRUE(window.noWordSaid);
  EXPECT_EQ(search.position(), 1u);
  EXPECT_TRUE(window.questions.empty());
  // The next search with a word takes the message back.
  type(L"abc");
  search.searchDown();
  EXPECT_FALSE(window.noWordSaid);
}

TEST_F(Search, TypingDeselectsEveryRowAndStartsAgainFromTheTop) {
  for (int i = 0; i < 4; ++i) row({L"same", L"", L"", L"", L""});
  type(L"same");
  search.searchDown();
  search.searchDown();
  EXPECT_TRUE(list.setSelected(3, true).ok());  // selected by hand
  type(L"sam");
  EXPECT_TRUE(selectedRows().empty());
  EXPECT_EQ(search.position(), 0u);
  search.searchDown();
  EXPECT_EQ(search.position(), 1u);
}

TEST_F(Search, PositionPastTheEndAfterTheListShrank) {
  for (int i = 0; i < 3; ++i) row({L"hit", L"", L"", L"", L""});
  type(L"hit");
  window.answers = {true};
  search.searchUp();  // position becomes 4
  list.clearRows();
  row({L"hit", L"", L"", L"", L""});
  search.searchUp();
  EXPECT_EQ(search.position(), 1u);
  window.answers = {false};
  search.searchDown();
  EXPECT_EQ(window.questions.size(), 2u);
}

TEST_F(Search, ListsLongerThanSixteenBitsAreSearchedBothWays) {
  for (int i = 0; i < 100000; ++i) row({L"row", L"", L"", L"", L""});
  EXPECT_TRUE(list.setCell(70000, 2, L"needle").ok());
  EXPECT_TRUE(list.setCell(99999, 2, L"needle").ok());
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
