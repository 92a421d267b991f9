// The list's rows kept between runs in the inventory file, and whole beside
// it in the state file (state/kept_inventory.h) with their sources and the
// program's further tables. loadInventory loads them at start-up, drops rows
// whose program is gone, sets up the skip list and saves every file again;
// saveInventory saves the list as it stands, in its current row order.
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
#include "state/kept_inventory.h"

namespace vemdrol {

// The version number of a program file, "" when it has none; a failure ends
// the load like any other.
using VersionNumberReader = std::function<Result<Text>(TextView path)>;

// The file's bytes for the list: one line per row with as many fields as the
// list has columns (the five of the column table).
std::string inventoryFileBytes(const ListModel& list);

inline constexpr const wchar_t* stateFileName = L"Vemdrol.state";

// Saves the state file (the rows whole, their sources and the kept tables,
// stamped with the inventory file's new bytes), then the inventory file,
// then the skip list. Each file is replaced whole or not at all, so a
// failure or a kill during the save leaves the previous file; a kill
// between the first two leaves a state file whose stamp no longer matches,
// which the next load passes over. A skip list that was never set up
// (nullopt) is not saved, so an existing skip-list file is never emptied.
// The first failure is reported (Procedure::saveInventory) and returned; an
// inventory file is saved even when its state file could not be.
Status saveInventory(const ProgramFolder& folder, const ListModel& list,
                     const std::optional<SkipList>& skipList, const KeptTables& kept,
                     FailureReport& report);

// Rewrites the state file's further tables, its rows and stamp as they are,
// for what was learned since the last save (signatures verified while the
// window was open). Nothing is written unless the state file belongs to the
// inventory file as it stands.
Status saveKeptTables(const ProgramFolder& folder, const KeptTables& kept);

// What a load found of the rows' whole texts.
struct InventoryLoad {
  // Why the rows came from the inventory file alone although it was there;
  // nullopt when the state file's rows were loaded, or there was nothing
  // to load.
  std::optional<StateUnavailable> fullTextsUnavailable;
};

// Loads the saved rows into the list (whole from the state file when it
// belongs to the inventory file, as the inventory file holds them
// otherwise) and the kept tables, sets up the skip list from its file and
// the trace log, and saves every file again. A failure is reported
// (Procedure::loadInventory) and ends the load at once: the rows read so far
// stay, nothing is saved, and the skip list stays as it was (nullopt if it
// was never set up). A state file that cannot be used is never a failure.
InventoryLoad loadInventory(const ProgramFolder& folder, ListModel& list,
                            std::optional<SkipList>& skipList, KeptTables& kept,
                            const VersionNumberReader& versionNumber, FailureReport& report);

// The skip list as a start sets it up, from its file and the trace log, read
// only: for a run beside another copy, which writes nothing in the folder.
// The built-in names where the files cannot be read.
std::optional<SkipList> readSkipList(const ProgramFolder& folder);

// The saved rows as they stand, read only: nothing is dropped, filled in or
// saved. Whole from the state file when it belongs to the inventory file.
struct SavedRows {
  std::vector<KeptRow> rows;
  std::optional<StateUnavailable> fullTextsUnavailable;
};
// nullopt when there is no inventory file; an error (with the line of the
// damaged record) when it cannot be read whole.
Result<std::optional<SavedRows>> readSavedRows(const ProgramFolder& folder);

}  // namespace vemdrol
