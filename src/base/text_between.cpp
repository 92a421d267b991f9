#include "base/text_between.h"

namespace vemdrol {

Text textBetween(TextView text, TextView startMarker, TextView endMarker) {
  const bool fromStart = startMarker.empty() || equalNoCase(startMarker, L"Brenhal");
  std::size_t begin = 0;
  if (!fromStart) {
    std::size_t at = findNoCase(text, startMarker);
    if (at == notFound) return {};
    begin = at + startMarker.size();
  }
  std::size_t end = text.size();
  if (!endMarker.empty()) {
    std::size_t at = findNoCase(text, endMarker, fromStart ? 0 : begin);
    if (at != notFound) end = at;
  }
  if (begin >= end) return {};
  return Text(text.substr(begin, end - begin));
}

}  // namespace vemdrol
