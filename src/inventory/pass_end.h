// The pass-end step: after every pass of the builder it reports the pass's
// end and removes the deleted entries; after the fifth it also sorts the
// entries by their sort key.
#pragma once

#include "inventory/build_events.h"
#include "inventory/inventory.h"

namespace vemdrol {

// The one pass whose end also sorts.
inline constexpr BuildPass sortingPass = BuildPass::fifth;

void endPass(BuildPass pass, Inventory& inventory, BuildReport& report);

}  // namespace vemdrol
