// The pass-end step: after every pass of the builder it names the pass in the
// status line and removes the deleted entries; after the fifth it also sorts
// the entries by their sort key.
#pragma once

#include "inventory/build_display.h"
#include "inventory/inventory.h"

namespace vemdrol {

// The label of the one pass whose end also sorts.
inline constexpr const wchar_t* sortingPassLabel = L"５回目の処理";

void WPrint(TextView label, Inventory& inventory, BuildDisplay& display);

}  // namespace vemdrol
