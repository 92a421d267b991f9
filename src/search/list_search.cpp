#include "search/list_search.h"

namespace vemdrol {

void rowText(const ListModel& list, std::size_t row, Text& text) {
  text.clear();
  text += list.cell(row, 0);
  for (std::size_t column = 1; column < list.columnCount(); ++column) {
    text += L' ';
    text += list.cell(row, column);
  }
}

bool ListSearch::matches(std::size_t row, TextView word) {
  if (rowTextOf_) {
    rowTextOf_(row, rowBuffer_);
  } else {
    rowText(list_, row, rowBuffer_);
  }
  return !rowBuffer_.empty() && containsNoCase(rowBuffer_, word);
}

void ListSearch::showHit(std::size_t row) {
  (void)list_.setSelected(row, true);
  window_.hitSelected();
  // Scrolling to the end first and back up leaves the hit as the top row of
  // the view, unless it lies within the last screenful.
  (void)list_.bringIntoView(list_.rowCount() - 1);
  (void)list_.bringIntoView(row);
}

void ListSearch::search(SearchDirection direction) {
  const bool down = direction == SearchDirection::down;
  window_.showSearching(direction, true);
  window_.clearSearchMessage();

  const std::size_t count = list_.rowCount();
  if (position_ > 0 && position_ <= count) (void)list_.setSelected(position_ - 1, false);

  const Text word = window_.searchWord();
  if (word.empty()) {
    window_.sayNoSearchWord();
  } else {
    bool found = false;
    if (down) {
      for (std::size_t row = position_ + 1; row <= count && !found; ++row) {
        if (matches(row - 1, word)) {
          showHit(row - 1);
          position_ = row;
          found = true;
        }
      }
    } else {
      // A position past the end (after a rebuild with fewer rows) starts
      // from the last row there is.
      const std::size_t first = position_ - 1 < count ? position_ - 1 : count;
      for (std::size_t row = position_ == 0 ? 0 : first; row >= 1 && !found; --row) {
        if (matches(row - 1, word)) {
          showHit(row - 1);
          position_ = row;
          found = true;
        }
      }
    }
    if (!found && window_.askToWrap(direction)) position_ = down ? 0 : count + 1;
  }

  window_.showSearching(direction, false);
}

void ListSearch::wordChanged() {
  position_ = 0;
  for (std::size_t row = 0; list_.selectedCount() > 0 && row < list_.rowCount(); ++row) {
    (void)list_.setSelected(row, false);
  }
}

}  // namespace vemdrol
