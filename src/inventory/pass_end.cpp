#include "inventory/pass_end.h"

#include <new>

namespace vemdrol {

namespace {

void compactAndSort(BuildPass pass, Inventory& inventory, BuildReport& report) {
  report.onBuild(StepsReset{});
  const long long last = inventory.lastIndex();
  inventory.compact([&](std::size_t i) {
    report.onBuild(StepReached{static_cast<long long>(i), last});
  });

  if (pass == sortingPass) {
    report.onBuild(StepsReset{});
    // Every sort key is unique, so any sort that gives ascending order gives
    // the one result; this one takes n log n instead of the n squared of an
    // exchange sort. Its progress is reported once, when it is done.
    inventory.sortByFullPath();
    const long long sortedLast = inventory.lastIndex();
    report.onBuild(StepReached{sortedLast, sortedLast});
  }
}

}  // namespace

void endPass(BuildPass pass, Inventory& inventory, BuildReport& report) {
  report.onBuild(PassEnded{pass});
  try {
    compactAndSort(pass, inventory, report);
  } catch (const std::bad_alloc&) {
    // Running out of memory is the one failure this step can meet; the
    // inventory keeps the state it reached and the builder goes on.
    report.failed(Failure{Procedure::endPass, faultError(Fault::outOfMemory, 7)});
  }
}

}  // namespace vemdrol
