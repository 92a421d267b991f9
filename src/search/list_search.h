// Finding the search word in the list, downward or upward from the last hit,
// on the rows as they stand in the list.
#pragma once

#include <cstddef>
#include <functional>

#include "rows/list_model.h"

namespace vemdrol {

enum class SearchDirection { down, up };

// What the search asks of the window it runs in and tells it; the window
// has the search box, the pointers and the words.
class SearchWindow {
 public:
  virtual ~SearchWindow() = default;

  // The word typed into the search box.
  virtual Text searchWord() const = 0;
  // A search in that direction starts (searching) or is done.
  virtual void showSearching(SearchDirection direction, bool searching) = 0;
  // What the last search said goes when the next one starts.
  virtual void clearSearchMessage() = 0;
  // There is no word to search for.
  virtual void sayNoSearchWord() = 0;
  // The search met the last row (down) or the first (up) without a hit:
  // true to go on from the other end.
  virtual bool askToWrap(SearchDirection direction) = 0;
  // A hit was selected, before it is brought into view.
  virtual void hitSelected() = 0;
};

// A row's text: its cells joined by single blanks, empty cells included, so
// that a word with a blank matches across two columns.
void rowText(const ListModel& list, std::size_t row, Text& text);

class ListSearch {
 public:
  // The text a row is searched in, where it is more than its own cells.
  using RowTextOf = std::function<void(std::size_t row, Text& text)>;

  ListSearch(SearchWindow& window, ListModel& list) : window_(window), list_(list) {}
  ListSearch(SearchWindow& window, ListModel& list, RowTextOf rowTextOf)
      : window_(window), list_(list), rowTextOf_(std::move(rowTextOf)) {}

  void searchDown() { search(SearchDirection::down); }
  void searchUp() { search(SearchDirection::up); }
  // The search word changed: start again from the top, nothing selected.
  void wordChanged();

  // The row number (from 1) of the last hit; 0 before the first row. Not
  // limited to 16 bits: lists of any length are searched to their end.
  std::size_t position() const { return position_; }

 private:
  void search(SearchDirection direction);
  bool matches(std::size_t row, TextView word);
  void showHit(std::size_t row);

  SearchWindow& window_;
  ListModel& list_;
  RowTextOf rowTextOf_;
  std::size_t position_ = 0;
  Text rowBuffer_;
};

}  // namespace vemdrol
