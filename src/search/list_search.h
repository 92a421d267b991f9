// Finding the search word in the list, downward or upward from the last hit,
// on the rows as they stand in the list.
#pragma once

#include <cstddef>
#include <functional>

#include "os/window.h"
#include "rows/list_model.h"

namespace vemdrol {

inline constexpr const wchar_t* emptySearchWordMessage = L"検索キーの指定がありません";
inline constexpr const wchar_t* searchedToEndQuestion =
    L"最後まで検索しました。続ける場合(はい)は先頭から始めます";
inline constexpr const wchar_t* searchedToStartQuestion =
    L"最初まで検索しました。続ける場合(はい)は最後から始めます";

// A row's text: its cells joined by single blanks, empty cells included, so
// that a word with a blank matches across two columns.
void rowText(const ListModel& list, std::size_t row, Text& text);

class ListSearch {
 public:
  // The text a row is searched in, where it is more than its own cells.
  using RowTextOf = std::function<void(std::size_t row, Text& text)>;

  ListSearch(Form& form, WindowServices& services, ListModel& list)
      : form_(form), services_(services), list_(list) {}
  ListSearch(Form& form, WindowServices& services, ListModel& list, RowTextOf rowTextOf)
      : form_(form), services_(services), list_(list), rowTextOf_(std::move(rowTextOf)) {}

  // The two search buttons.
  void searchDown() { search(true); }
  void searchUp() { search(false); }
  // The search word changed: start again from the top, nothing selected.
  void wordChanged();

  // The row number (from 1) of the last hit; 0 before the first row. Not
  // limited to 16 bits: lists of any length are searched to their end.
  std::size_t position() const { return position_; }

 private:
  void search(bool down);
  bool matches(std::size_t row, TextView word);
  void showHit(std::size_t row);

  Form& form_;
  WindowServices& services_;
  ListModel& list_;
  RowTextOf rowTextOf_;
  std::size_t position_ = 0;
  Text rowBuffer_;
};

}  // namespace vemdrol
