// The applications kept in the state file (state/kept_inventory.h) as a
// table of their own, so that the next start shows the list at once.
#pragma once

#include <optional>
#include <vector>

#include "apps/installed_app.h"
#include "formats/state/state_file.h"

namespace vemdrol {

inline constexpr TextView appsTableName = L"apps";

StateTable appsStateTable(const std::vector<InstalledApp>& apps);

// The applications of the table; nullopt when it lacks a column this
// program needs (a table of a later format it cannot read). A field that
// does not parse (a size, a scope, a kind) is left empty, as the
// registry's own damage is.
std::optional<std::vector<InstalledApp>> appsOfStateTable(const StateTable& table);

}  // namespace vemdrol
