// Sorting the list by a clicked column header: each click flips the
// direction, whichever column is clicked.
#pragma once

#include <cstddef>

#include "rows/list_model.h"

namespace vemdrol {

// header is the clicked header's position among the columns, from 1.
void columnClick(ListModel& list, std::size_t header);

}  // namespace vemdrol
