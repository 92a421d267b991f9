#include "state/kept_inventory.h"

#include <array>

#include "os/sha256.h"

namespace vemdrol {
namespace {

constexpr TextView stampName = L"inventory-sha256";
constexpr std::array<TextView, inventoryFieldCount> cellColumnNames = {
    L"type", L"definition", L"application", L"path", L"version"};

Result<Text> stampOf(std::string_view inventoryBytes) {
  Result<std::unique_ptr<Sha256>> hasher = Sha256::make();
  if (!hasher) return hasher.error();
  if (Status added = hasher.value()->add(inventoryBytes); !added) return added.error();
  Result<Sha256Digest> digest = hasher.value()->finish();
  if (!digest) return digest.error();
  return sha256Text(digest.value());
}

}  // namespace

const StateTable* KeptTables::find(TextView name) const {
  for (const StateTable& table : tables_) {
    if (table.name == name) return &table;
  }
  return nullptr;
}

void KeptTables::put(StateTable table) {
  for (StateTable& kept : tables_) {
    if (kept.name == table.name) {
      kept = std::move(table);
      return;
    }
  }
  tables_.push_back(std::move(table));
}

Text stateFilePathFor(TextView inventoryPath) {
  const std::size_t name = inventoryPath.find_last_of(L"\\/");
  const std::size_t dot = inventoryPath.rfind(L'.');
  const bool hasExtension = dot != TextView::npos && (name == TextView::npos || dot > name + 1);
  Text path(hasExtension ? inventoryPath.substr(0, dot) : inventoryPath);
  path += stateFileExtension;
  return path;
}

Result<std::string> stateFileBytes(const ListModel& list, std::string_view inventoryBytes,
                                   std::span<const StateTable> tables) {
  Result<Text> stamp = stampOf(inventoryBytes);
  if (!stamp) return stamp.error();
  StateFileWriter writer;
  writer.value(stampName, stamp.value());
  std::vector<Text> columns(cellColumnNames.begin(), cellColumnNames.end());
  columns.emplace_back(sourceColumnName);
  writer.table(rowsTableName, columns);
  std::vector<TextView> fields(columns.size());
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    const auto& cells = list.cells(row);
    for (std::size_t i = 0; i < inventoryFieldCount; ++i) fields[i] = cells[i];
    fields[inventoryFieldCount] = list.source(row);
    writer.record(fields);
  }
  for (const StateTable& table : tables) {
    if (table.name == rowsTableName) continue;
    writer.table(table.name, table.columns);
    for (const std::vector<Text>& record : table.records) {
      writer.record(std::vector<TextView>(record.begin(), record.end()));
    }
  }
  return std::move(writer).finish();
}

namespace {

// The state file's rows and tables, its stamp checked against the inventory
// file's bytes unless there are none to check it against.
std::variant<KeptState, StateUnavailable> readState(
    std::string_view stateBytes, std::optional<std::string_view> inventoryBytes) {
  std::variant<StateFile, StateFileFault> read = readStateFile(stateBytes);
  if (const auto* fault = std::get_if<StateFileFault>(&read)) {
    switch (fault->kind) {
      case StateFileFault::Kind::notStateFile:
        return StateUnavailable::notStateFile;
      case StateFileFault::Kind::newerVersion:
        return StateUnavailable::newerVersion;
      case StateFileFault::Kind::damaged:
        return StateUnavailable::damaged;
    }
  }
  StateFile& file = std::get<StateFile>(read);
  if (inventoryBytes) {
    const Text* stamp = file.value(stampName);
    const Result<Text> expected = stampOf(*inventoryBytes);
    if (!expected) return StateUnavailable::unreadable;
    if (!stamp || *stamp != expected.value()) return StateUnavailable::otherInventory;
  }

  KeptState kept;
  for (StateTable& table : file.tables) {
    if (table.name != rowsTableName) {
      kept.tables.push_back(std::move(table));
      continue;
    }
    // By the columns' names, so that a later writer's columns in any order
    // read the same, and a column it leaves out reads empty.
    std::array<std::optional<std::size_t>, inventoryFieldCount> at;
    for (std::size_t i = 0; i < inventoryFieldCount; ++i) at[i] = table.column(cellColumnNames[i]);
    const std::optional<std::size_t> sourceAt = table.column(sourceColumnName);
    kept.rows.reserve(kept.rows.size() + table.records.size());
    for (std::vector<Text>& record : table.records) {
      KeptRow row;
      for (std::size_t i = 0; i < inventoryFieldCount; ++i) {
        if (at[i]) row.cells[i] = std::move(record[*at[i]]);
      }
      if (sourceAt) row.source = std::move(record[*sourceAt]);
      kept.rows.push_back(std::move(row));
    }
  }
  return kept;
}

}  // namespace

std::variant<KeptState, StateUnavailable> readKeptState(
    const std::optional<std::string>& stateBytes, std::string_view inventoryBytes) {
  if (!stateBytes) return StateUnavailable::missing;
  return readState(*stateBytes, inventoryBytes);
}

std::variant<KeptState, StateUnavailable> readStateAlone(std::string_view stateBytes) {
  return readState(stateBytes, std::nullopt);
}

bool looksLikeStateFile(std::string_view bytes) { return bytes.starts_with(stateFileHeader); }

}  // namespace vemdrol
