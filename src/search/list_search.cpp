#include "search/list_search.h"

namespace vemdrol {

namespace {

constexpr unsigned long fullRowSelect = 0x20;

}  // namespace

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
  list_.setSelected(row, true);
  form_.addListExtendedStyle(fullRowSelect);
  // Scrolling to the end first and back up leaves the hit as the top row of
  // the view, unless it lies within the last screenful.
  list_.bringIntoView(list_.rowCount() - 1);
  list_.bringIntoView(row);
}

void ListSearch::search(bool down) {
  const Control button = down ? Control::Command2 : Control::Command3;
  form_.setPointer(Control::ListView1, Pointer::hourglass);
  form_.setPointer(button, Pointer::hourglass);
  form_.setCaption(Control::Label1, L"");

  const std::size_t count = list_.rowCount();
  if (position_ > 0 && position_ <= count) list_.setSelected(position_ - 1, false);

  const Text word = form_.caption(Control::Text1);
  if (word.empty()) {
    form_.setCaption(Control::Label1, emptySearchWordMessage);
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
    if (!found) {
      const bool again =
          services_.askYesNo(L"Vemdrol", down ? searchedToEndQuestion : searchedToStartQuestion);
      if (again) position_ = down ? 0 : count + 1;
    }
  }

  form_.setPointer(Control::ListView1, Pointer::arrow);
  form_.setPointer(button, Pointer::arrow);
}

void ListSearch::wordChanged() {
  position_ = 0;
  for (std::size_t row = 0; list_.selectedCount() > 0 && row < list_.rowCount(); ++row) {
    list_.setSelected(row, false);
  }
}

}  // namespace vemdrol
