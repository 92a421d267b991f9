// How the rows of the list are ordered by a column: version numbers part by
// part as numbers, sizes as numbers, everything else as text in the
// program's collation.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>

#include "base/text.h"

namespace vemdrol {

enum class CellOrder { text, version, number };

// The order of a column, by its name as the list shows it.
CellOrder cellOrderOf(TextView columnName);

// Runs of digits compare as numbers and the text between them in the
// program's collation, so "9.8.0" comes before "9.30.20789" and "1.10"
// after "1.9". An empty text comes first. Returns <0, 0 or >0.
int compareVersions(TextView a, TextView b);

int compareCells(CellOrder order, TextView a, TextView b);

struct RowSortKey {
  std::size_t column = 0;
  bool descending = false;
};

// Sorts entries stably by the keys in turn, each column compared in its own
// order; cellOf(entry, column) gives an entry's cell.
template <typename Entry, typename CellOf>
void sortByKeys(std::span<Entry> entries, std::span<const std::pair<RowSortKey, CellOrder>> keys,
                CellOf cellOf) {
  std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    for (const auto& [key, order] : keys) {
      const int compared = compareCells(order, cellOf(a, key.column), cellOf(b, key.column));
      if (compared != 0) return key.descending ? compared > 0 : compared < 0;
    }
    return false;
  });
}

}  // namespace vemdrol
