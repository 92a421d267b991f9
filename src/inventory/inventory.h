// The inventory: the builder's working store and result, seven parallel
// sequences addressed by a zero-based index.
//
// The sequences are separate on purpose: the pass-end step resizes six of
// them and never touches `version`, so `version` may be longer than the
// others and its elements stay at their indices while the other fields of an
// entry move. Code that walks the inventory uses lastIndex(), never the length
// of `version`.
#pragma once

#include <cstddef>
#include <vector>

#include "base/text.h"

namespace vemdrol {

class Inventory {
 public:
  std::vector<Text> fileType;
  std::vector<Text> definition;
  std::vector<Text> appName;
  std::vector<Text> fullPath;
  std::vector<long long> creationOrder;
  // Where a result entry came from: the registry key that named its file
  // ("HKEY_CLASSES_ROOT\txtfile\shell\open\command"). Empty while the
  // passes work, which carry the key in fileType instead.
  std::vector<Text> source;
  std::vector<Text> version;
  // Last creation number handed out.
  long long creationCounter = 0;

  // Highest index in use; -1 when empty.
  long long lastIndex() const { return lastIndex_; }
  std::size_t size() const { return static_cast<std::size_t>(lastIndex_ + 1); }

  // Empties the inventory without clearing the sequences' contents.
  void reset() { lastIndex_ = -1; }

  // Adds k entries at the end: every sequence, `version` included, is sized to
  // lastIndex + 1, keeping its contents; new texts are empty, new numbers 0.
  // Sizing goes through the vectors' own amortised growth.
  void grow(long long k);

  // Grows by one and writes the new entry at lastIndex.
  void append(TextView type, TextView definitionText, TextView application, TextView path,
              long long order, TextView from = {});

  // A deleted entry has empty fileType, definition and appName; it keeps its
  // index (and its creationOrder and version) until the next compaction.
  void remove(std::size_t index);
  bool deleted(std::size_t index) const;

  // Keeps the entries that are not deleted, in their order, at indices 0, 1,
  // 2, ...; the six sequences other than `version` end with exactly the kept
  // entries. Calls visit(i) after examining old index i.
  template <class Visit>
  void compact(Visit visit);

  // Sorts the entries in ascending order of fullPath (the program's collation);
  // `version` is not touched. Entries whose keys compare equal keep their order.
  void sortByFullPath();

  // Cuts every sequence back to its first element, which keeps its values;
  // lastIndex stays as it is.
  void keepOnlyFirst();

  // Text form of a creation number: decimal digits only ("0", "123").
  static Text numberText(long long number);

  // Appends more to text in a buffer of exactly the size needed. A build
  // holds hundreds of thousands of these texts at once, and the doubling
  // growth of += would leave up to half of each buffer empty.
  static void appendTight(Text& text, TextView more);

 private:
  void resizeSix(std::size_t size);
  void shrinkSix();

  long long lastIndex_ = -1;
};

template <class Visit>
void Inventory::compact(Visit visit) {
  const std::size_t count = size();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!deleted(i)) {
      if (kept != i) {
        fileType[kept] = std::move(fileType[i]);
        definition[kept] = std::move(definition[i]);
        appName[kept] = std::move(appName[i]);
        fullPath[kept] = std::move(fullPath[i]);
        creationOrder[kept] = creationOrder[i];
        source[kept] = std::move(source[i]);
      }
      ++kept;
    }
    visit(i);
  }
  resizeSix(kept);
  lastIndex_ = static_cast<long long>(kept) - 1;
  // A pass that listed a whole registry leaves the sequences far longer than
  // what the next pass keeps; their room is given back.
  if (kept < fileType.capacity() / 2) shrinkSix();
}

}  // namespace vemdrol
