// The rows of a list that a filter keeps, in a list of their own that the
// window shows in the other's place: sorted, searched, selected and copied
// like any list. The rows keep their tags, so that what is known of them
// by tag (a comparison's 差分) still is.
//
// The filter changes as signatures become known; refill takes the kept rows
// anew and keeps what the user set meanwhile: the sort, and the selection
// of rows that are still there.
#pragma once

#include <cstddef>
#include <functional>

#include "rows/list_model.h"

namespace vemdrol {

class FilteredList {
 public:
  using Keeps = std::function<bool(const ListModel& source, std::size_t row)>;

  // The source's columns; no rows until refill.
  explicit FilteredList(const ListModel& source);

  ListModel& rows() { return rows_; }
  const ListModel& rows() const { return rows_; }

  // Takes the rows of source that keeps keeps, in the source's order, then
  // sorts them as they were sorted. source must be the list the filter was
  // made for.
  void refill(const ListModel& source, const Keeps& keeps);

 private:
  ListModel rows_;
};

}  // namespace vemdrol
