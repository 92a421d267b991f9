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
};

// The characters of text from 1-based position first, as many as there are
// up to count.
TextView charactersAt(TextView text, std::size_t first, std::size_t count);

// Registry paths: character 20 is the "\" after the padded root name.
inline constexpr std::size_t rootPrefixLength = 20;

// Passes one to four collect the raw entries from the registry.
void collectFromRegistry(Build& build);
// Passes five to nine turn them into program and library entries.
void buildResults(Build& build);

}  // namespace vemdrol::builder
