// The list's rows kept between runs in the inventory file. loadInventory loads it
// at start-up, drops rows whose program is gone, sets up the skip list and
// saves both files again; saveInventory saves the list as it stands, in its
// current row order.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/failure_report.h"
#include "files/inventory_file.h"
#include "files/program_files.h"
#include "files/skip_list.h"
#include "rows/list_model.h"

namespace vemdrol {

// The version number of a program file, "" when it has none; a failure ends
// the load like any other.
using VersionNumberReader = std::function<Result<Text>(TextView path)>;

// The file's bytes for the list: one line per row with as many fields as the
// list has columns (the five of the column table).
std::string inventoryFileBytes(const ListModel& list);

// Saves the list, then the skip list. Each file is replaced whole or not at
// all, so a failure or a kill during the save leaves the previous file. A
// skip list that was never set up (nullopt) is not saved, so an existing
// skip-list file is never emptied. A failure is reported
// (Procedure::saveInventory) and returned.
Status saveInventory(const ProgramFolder& folder, const ListModel& list,
                     const std::optional<SkipList>& skipList, FailureReport& report);

// Loads the saved rows into the list, sets up the skip list from its file
// and the trace log, and saves both files again. A failure is reported
// (Procedure::loadInventory) and ends the load at once: the rows read so far
// stay, nothing is saved, and the skip list stays as it was (nullopt if it
// was never set up).
void loadInventory(const ProgramFolder& folder, ListModel& list, std::optional<SkipList>& skipList,
                   const VersionNumberReader& versionNumber, FailureReport& report);

// The saved file's records as they stand, read only: nothing is dropped,
// filled in or saved. nullopt when there is no inventory file; an error
// (with the line of the damaged record) when it cannot be read whole.
Result<std::optional<std::vector<InventoryRecord>>> readSavedRecords(const ProgramFolder& folder);

}  // namespace vemdrol
