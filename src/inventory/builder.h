// The inventory builder: nine passes over HKEY_CLASSES_ROOT that
// leave one entry per program (its extensions grouped, with the type's name
// and description) and one per in-process server library, each only if its
// file exists.
#pragma once

#include <functional>

#include "inventory/build_events.h"
#include "inventory/inventory.h"
#include "inventory/registry_listing.h"
#include "os/filesystem.h"
#include "os/registry.h"

namespace vemdrol {

struct BuilderParts {
  Registry& registry;
  FileSystem& files;
  BuildReport& report;
  // Keeps the registry listing's current root from one build to the next.
  RegistryListing& listing;
  // Called once the passes no longer read the registry: a registry read from
  // a file can let its keys go before the rest of the build needs the room.
  std::function<void()> registryDone = {};
};

// Builds into inventory, which the caller has reset. A failure is reported
// (Procedure::buildInventory) and ends the build with whatever the passes had
// reached; the error is returned too, so that a caller can tell a partial
// inventory from a whole one.
Status buildInventory(Inventory& inventory, BuilderParts& parts);

}  // namespace vemdrol
