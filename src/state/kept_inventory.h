// The state file beside an inventory file: the list's rows with every text
// whole and where each row came from, and the further tables of what the
// program keeps between runs (the installed applications, the results of
// verifying signatures), all written with the inventory file after every
// rebuild and load.
//
// The inventory file stays what it always was, byte for byte, for whatever
// reads it; the state file carries the SHA-256 of the inventory file's bytes
// it was written with. Its rows stand in for the inventory file's only while
// that stamp matches: a state file left from another rebuild, or an
// inventory file replaced by hand, is never paired with the wrong rows.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "files/inventory_file.h"
#include "formats/state/state_file.h"
#include "rows/list_model.h"

namespace vemdrol {

inline constexpr TextView stateFileExtension = L".state";

// The state file that belongs to an inventory file: the same name with the
// extension ".state" ("C:\Vemdrol\Vemdrol.Cnt" → "C:\Vemdrol\Vemdrol.state").
Text stateFilePathFor(TextView inventoryPath);

// The names of the rows' table and its columns.
inline constexpr TextView rowsTableName = L"rows";
inline constexpr TextView sourceColumnName = L"source";

struct KeptRow {
  InventoryRecord cells;
  Text source;
};

struct KeptState {
  std::vector<KeptRow> rows;
  // Every table but the rows, as read, for their owners.
  std::vector<StateTable> tables;
};

// Why a state file's rows do not stand in for the inventory file's.
enum class StateUnavailable {
  missing,         // there is no state file
  unreadable,      // it could not be read
  notStateFile,    // it is some other file
  newerVersion,    // a later program wrote it in a format this one cannot read
  damaged,         // cut short or damaged
  otherInventory,  // it was written with other inventory file bytes than these
};

// The further tables of the state file, each kept by the part of the
// program that owns it (the installed applications, the signatures
// verified), by the table's name.
class KeptTables {
 public:
  const StateTable* find(TextView name) const;
  // Takes the place of the table of the same name, or joins the others.
  void put(StateTable table);
  const std::vector<StateTable>& all() const { return tables_; }
  void clear() { tables_.clear(); }

 private:
  std::vector<StateTable> tables_;
};

// The state file for the list's rows and further tables, stamped with the
// inventory file's bytes that are written with it.
Result<std::string> stateFileBytes(const ListModel& list, std::string_view inventoryBytes,
                                   std::span<const StateTable> tables);

// What the state file's bytes keep, when they were written with these
// inventory file bytes. stateBytes nullopt: there is no state file.
std::variant<KeptState, StateUnavailable> readKeptState(
    const std::optional<std::string>& stateBytes, std::string_view inventoryBytes);

// What a state file keeps, whatever inventory file it was written with: one
// chosen itself, as an earlier inventory to compare with.
std::variant<KeptState, StateUnavailable> readStateAlone(std::string_view stateBytes);

// Whether bytes begin as a state file does, whatever its version.
bool looksLikeStateFile(std::string_view bytes);

}  // namespace vemdrol
