// How the rows of the list are ordered by a column: version numbers part by
// part as numbers, sizes as numbers, everything else as text in the
// program's collation.
#pragma once

#include <cstddef>

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

}  // namespace vemdrol
