#include "app/search_window.h"

namespace vemdrol {

namespace {

// The list control's extended style that highlights a selected row across
// all its columns.
constexpr unsigned long fullRowSelect = 0x20;

}  // namespace

Text FormSearchWindow::searchWord() const { return form_.caption(Control::searchBox); }

void FormSearchWindow::showSearching(SearchDirection direction, bool searching) {
  const Pointer pointer = searching ? Pointer::hourglass : Pointer::arrow;
  form_.setPointer(Control::list, pointer);
  form_.setPointer(
      direction == SearchDirection::down ? Control::searchDownButton : Control::searchUpButton,
      pointer);
}

void FormSearchWindow::clearSearchMessage() {
  form_.setCaption(Control::statusLabel, resting_ ? resting_() : Text());
}

void FormSearchWindow::sayNoSearchWord() {
  form_.setCaption(Control::statusLabel, emptySearchWordMessage);
}

bool FormSearchWindow::askToWrap(SearchDirection direction) {
  return services_.askYesNo(L"Vemdrol", direction == SearchDirection::down
                                            ? searchedToEndQuestion
                                            : searchedToStartQuestion);
}

void FormSearchWindow::hitSelected() { form_.addListExtendedStyle(fullRowSelect); }

}  // namespace vemdrol
