// What the status line says of the list the window shows: how many rows of
// how many, and what leaves rows out (a signature filter, a comparison's
// 差分のみ表示), with the verification of signatures while it runs. One
// wording for the plain list, a filtered one and a comparison.
#pragma once

#include <cstddef>
#include <optional>

#include "base/text.h"
#include "trust/signature_filter.h"

namespace vemdrol {

inline constexpr TextView hideMicrosoftCaption = L"Microsoft の項目を隠す";
inline constexpr TextView unverifiedOnlyCaption = L"検証できない項目だけ表示";
inline constexpr TextView changedOnlyCaption = L"差分のみ表示";
inline constexpr TextView verifyingStart = L"署名を検証中";

struct ListStatus {
  std::size_t shownRows = 0;
  // The rows there are before any filter: the inventory's, or a
  // comparison's.
  std::size_t allRows = 0;
  SignatureFilter filter;
  bool comparing = false;
  bool changedOnly = false;
  // Files verified of those the filter waits for, while it waits.
  struct Progress {
    std::size_t done = 0;
    std::size_t total = 0;
  };
  std::optional<Progress> verifying;
};

// "15,000 行", "15,000 行中 1,234 行を表示 (Microsoft の項目を隠す)",
// "比較: 15,200 行中 310 行を表示 (差分のみ表示)", each followed while
// signatures are verified by "、署名を検証中 5,000 / 15,000".
Text listStatusText(const ListStatus& status);

// A count as the window writes it: "15,000".
Text groupedNumber(std::size_t number);

}  // namespace vemdrol
