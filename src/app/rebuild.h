// The rebuild command: builds the inventory from the registry, turns it into
// list rows with version numbers and version texts, adds the further program
// files of the programs' folders, traces every step and saves the list.
#pragma once

#include <optional>

#include "app/column_table.h"
#include "app/list_model.h"
#include "files/program_files.h"
#include "files/skip_list.h"
#include "inventory/inventory.h"
#include "platform/registry.h"
#include "platform/version_resource.h"
#include "platform/window.h"
#include "registry/registry_listing.h"

namespace vemdrol {

struct RebuildParts {
  Form& form;
  WindowServices& services;
  ListModel& list;
  const ColumnTable& columns;
  Inventory& inventory;
  RegistryListing& listing;
  Registry& registry;
  VersionResourceReader& versions;
  const ProgramFolder& folder;
  const std::optional<SkipList>& skipList;
};

// Runs the whole rebuild. Queued window events run only after a new program
// folder is collected and before each folder is scanned; the rebuild button
// is disabled meanwhile, so those events cannot start a second rebuild.
void runRebuild(RebuildParts& parts);

// Whether a file name is a program file of the kinds the folder scan adds.
bool isProgramFileName(TextView name);

}  // namespace vemdrol
