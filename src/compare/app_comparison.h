// Two lists of installed applications side by side: what an installation,
// an update or a removal changed.
//
// Entries are matched by their registry key (登録場所) and their 対象,
// letter case ignored; those left over by their name and 対象, so that an
// entry that moved to another key (a product reinstalled under a new
// product code) is one changed entry rather than a removed and an added
// one. A matched pair is 同じ when every field is equal, 変更 with the
// changed fields otherwise; an entry without a partner is 追加 or 削除.
// Among several entries with the same key, they pair in the order listed.
#pragma once

#include <cstdint>
#include <vector>

#include "apps/app_fields.h"
#include "compare/comparison.h"

namespace vemdrol {

struct ComparedApp {
  Change change = Change::same;
  // The newer texts; the older ones for a removed entry.
  AppTexts texts;
  // The older texts of a changed entry.
  AppTexts old;
  // One bit per field (bit k for AppField k) whose texts differ.
  std::uint32_t changedFields = 0;
  // Whether the newer entry is a hidden one (the older's for a removed one).
  bool hidden = false;
};

struct AppRecord {
  AppTexts texts;
  bool hidden = false;
};

// The newer entries in their order, each with its change, then the removed
// ones in the older list's order.
std::vector<ComparedApp> compareApps(const std::vector<AppRecord>& newer,
                                     const std::vector<AppRecord>& older);

// 追加, 削除, 同じ, or 変更 with the changed fields' names, e.g.
// "変更 (バージョン, サイズ)".
Text appChangeText(const ComparedApp& app);

}  // namespace vemdrol
