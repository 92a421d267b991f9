// The passes of the builder, shared between its two source files.
#pragma once

#include "inventory/builder.h"

namespace vemdrol::builder {

// The build in progress, with the progress calls the passes make.
struct Build {
  Inventory& inventory;
  BuilderParts& parts;

  void tenMark(double pass) { parts.display.progress(L"Label9", 10, L"●", pass, 10); }
  void twentyMark(double current) {
    parts.display.progress(L"Label11", 20, L"▼", current,
                           static_cast<double>(inventory.lastIndex()));
  }
  void resetTwenty() { parts.display.progress(L"Label11", 20, L"△", 20, 20); }
  void resetTen() { parts.display.progress(L"Label9", 10, L"○", 10, 10); }
  void endPass(TextView label);

  // The passes' two walks over the entries that stand when the walk starts,
  // with a step mark after each: entries appended meanwhile are not visited.
  template <class Visit>
  void forEachFromFirst(Visit visit) {
    const long long last = inventory.lastIndex();
    for (long long i = 0; i <= last; ++i) {
      visit(static_cast<std::size_t>(i));
      twentyMark(static_cast<double>(i));
    }
  }
  template <class Visit>
  void forEachFromLast(Visit visit) {
    const long long last = inventory.lastIndex();
    for (long long i = last; i >= 0; --i) {
      visit(static_cast<std::size_t>(i));
      twentyMark(static_cast<double>(last - i));
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
