#include "inventory/pass_end.h"

#include <new>

#include "files/error_message.h"

namespace vemdrol {

namespace {

void compactAndSort(TextView label, Inventory& inventory, BuildDisplay& display) {
  display.progress(L"Label11", 20, L"△", 20, 20);
  const double last = static_cast<double>(inventory.lastIndex());
  inventory.compact(
      [&](std::size_t i) { display.progress(L"Label11", 20, L"▼", static_cast<double>(i), last); });

  if (equalNoCase(label, sortingPassLabel)) {
    display.progress(L"Label11", 20, L"△", 20, 20);
    // Every sort key is unique, so any sort that gives ascending order gives
    // the one result; this one takes n log n instead of the n squared of an
    // exchange sort. Its progress is shown once, when it is done.
    inventory.sortByFullPath();
    const double sortedLast = static_cast<double>(inventory.lastIndex());
    display.progress(L"Label11", 20, L"▼", sortedLast, sortedLast);
  }
}

}  // namespace

void WPrint(TextView label, Inventory& inventory, BuildDisplay& display) {
  display.showStatus(label);
  try {
    compactAndSort(label, inventory, display);
  } catch (const std::bad_alloc&) {
    // Running out of memory is the one failure this step can meet; the
    // inventory keeps the state it reached and the builder goes on.
    display.showStatus(errorMessage(L"WPrint ", Error{7, L"メモリが不足しています。"}));
  }
}

}  // namespace vemdrol
