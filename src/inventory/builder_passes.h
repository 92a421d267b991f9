// The passes of the builder, shared between its two source files.
#pragma once

#include "inventory/builder.h"

namespace vemdrol::builder {

// The build in progress, with the progress the passes report.
struct Build {
  Inventory& inventory;
  BuilderParts& parts;

  void passesDone(int tenths) { parts.report.onBuild(PassesDone{tenths}); }
  // Step current of the entries that stand now.
  void stepReached(long long current) {
    parts.report.onBuild(StepReached{current, inventory.lastIndex()});
  }
  void stepsReset() { parts.report.onBuild(StepsReset{}); }
  void passesReset() { parts.report.onBuild(PassesReset{}); }
  void endPass(BuildPass pass);

  // The passes' two walks over the entries that stand when the walk starts,
  // with a step mark after each: entries appended meanwhile are not visited.
  template <class Visit>
  void forEachFromFirst(Visit visit) {
    const long long last = inventory.lastIndex();
    for (long long i = 0; i <= last; ++i) {
      visit(static_cast<std::size_t>(i));
      stepReached(i);
    }
  }
  template <class Visit>
  void forEachFromLast(Visit visit) {
    const long long last = inventory.lastIndex();
    for (long long i = last; i >= 0; --i) {
      visit(static_cast<std::size_t>(i));
      stepReached(last - i);
    }
  }
};

// The characters of text from 1-based position first, as many as there are
// up to count.
TextView charactersAt(TextView text, std::size_t first, std::size_t count);

// Registry paths: character 20 is the "\" after the padded root name.
inline constexpr std::size_t rootPrefixLength = 20;

// A default-value entry, as the registry listing makes it.
inline bool isDefaultValueEntry(const Inventory& inventory, std::size_t i) {
  return inventory.definition[i] == L"(標準)";
}

// Passes one to four collect the raw entries from the registry.
void collectFromRegistry(Build& build);
// Passes five to nine turn them into program and library entries.
void buildResults(Build& build);

}  // namespace vemdrol::builder
