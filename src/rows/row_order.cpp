#include "rows/row_order.h"

namespace vemdrol {

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The end of the run of digits, or of other characters, that starts at from.
std::size_t runEnd(TextView text, std::size_t from) {
  const bool digits = isDigit(text[from]);
  std::size_t end = from + 1;
  while (end < text.size() && isDigit(text[end]) == digits) ++end;
  return end;
}

// Two runs of digits by their value, however long they are.
int compareNumbers(TextView a, TextView b) {
  while (a.size() > 1 && a.front() == L'0') a.remove_prefix(1);
  while (b.size() > 1 && b.front() == L'0') b.remove_prefix(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

CellOrder cellOrderOf(TextView columnName) {
  for (const wchar_t* version :
       {L"バージョン", L"完全なバージョン", L"製品バージョン", L"ファイルバージョン"}) {
    if (columnName == version) return CellOrder::version;
  }
  if (columnName == L"サイズ") return CellOrder::number;
  return CellOrder::text;
}

int compareVersions(TextView a, TextView b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const std::size_t iEnd = runEnd(a, i);
    const std::size_t jEnd = runEnd(b, j);
    const bool aDigits = isDigit(a[i]);
    const bool bDigits = isDigit(b[j]);
    int order;
    if (aDigits != bDigits) {
      order = aDigits ? -1 : 1;
    } else if (aDigits) {
      order = compareNumbers(a.substr(i, iEnd - i), b.substr(j, jEnd - j));
    } else {
      order = compareNoCase(a.substr(i, iEnd - i), b.substr(j, jEnd - j));
    }
    if (order != 0) return order;
    i = iEnd;
    j = jEnd;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

int compareCells(CellOrder order, TextView a, TextView b) {
  switch (order) {
    case CellOrder::version:
    case CellOrder::number:
      // A size is one run of digits, so it compares by its value here too.
      return compareVersions(a, b);
    case CellOrder::text:
      break;
  }
  return compareNoCase(a, b);
}

}  // namespace vemdrol
