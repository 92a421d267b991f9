#include "app/search_window.h"

namespace vemdrol {

namespace {

// The list control's extended style that highlights a selected row across
// all its columns.
constexpr unsigned long fullRowSelect = 0x20;

}  // namespace

Text FormSearchWindow::searchWord() const { return form_.caption(Control::Text1); }

void FormSearchWindow::showSearching(SearchDirection direction, bool searching) {
  const Pointer pointer = searching ? Pointer::hourglass : Pointer::arrow;
  form_.setPointer(Control::ListView1, pointer);
  form_.setPointer(direction == SearchDirection::down ? Control::Command2 : Control::Command3,
                   pointer);
}

void FormSearchWindow::clearSearchMessage() { form_.setCaption(Control::Label1, L""); }

void FormSearchWindow::sayNoSearchWord() {
  form_.setCaption(Control::Label1, emptySearchWordMessage);
}

bool FormSearchWindow::askToWrap(SearchDirection direction) {
  return services_.askYesNo(L"Vemdrol", direction == SearchDirection::down
                                            ? searchedToEndQuestion
                                            : searchedToStartQuestion);
}

void FormSearchWindow::hitSelected() { form_.addListExtendedStyle(fullRowSelect); }

}  // namespace vemdrol
