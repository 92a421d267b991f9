#include "search/column_sort.h"

namespace vemdrol {

void columnClick(ListModel& list, std::size_t header) {
  if (header == 0) return;
  list.setSortKey(header - 1);
  list.setSortOrder(list.sortOrder() != 1 ? 1 : 0);
  list.setSorted(true);
}

}  // namespace vemdrol
