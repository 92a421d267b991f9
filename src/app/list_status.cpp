#include "app/list_status.h"

namespace vemdrol {

Text groupedNumber(std::size_t number) {
  Text digits = std::to_wstring(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
  return digits;
}

Text listStatusText(const ListStatus& status) {
  Text text = status.comparing ? L"比較: " : L"";
  Text filters;
  const auto name = [&](TextView caption) {
    if (!filters.empty()) filters += L"、";
    filters += caption;
  };
  if (status.changedOnly) name(changedOnlyCaption);
  if (status.filter.hideMicrosoft) name(hideMicrosoftCaption);
  if (status.filter.unverifiedOnly) name(unverifiedOnlyCaption);
  if (filters.empty() && status.shownRows == status.allRows) {
    text += groupedNumber(status.allRows) + L" 行";
  } else {
    text +=
        groupedNumber(status.allRows) + L" 行中 " + groupedNumber(status.shownRows) + L" 行を表示";
    if (!filters.empty()) text += L" (" + filters + L")";
  }
  if (status.verifying) {
    text += L"、" + Text(verifyingStart) + L" " + groupedNumber(status.verifying->done) + L" / " +
            groupedNumber(status.verifying->total);
  }
  return text;
}

}  // namespace vemdrol
