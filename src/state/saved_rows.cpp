#include "state/saved_rows.h"

#include <variant>

#include "files/inventory_file.h"

namespace vemdrol {

namespace {

static_assert(inventoryFieldCount == cellCount, "a saved record is one list row");

// Reads the whole file when it is there; nullopt when it is not.
Result<std::optional<std::string>> readIfPresent(const ProgramFolder& folder, TextView name) {
  const Text path = folder.path(name);
  Result<bool> present = filePresent(folder.files, path);
  if (!present) return present.error();
  if (!present.value()) return std::optional<std::string>();
  Result<std::string> bytes = folder.files.readFile(path);
  if (!bytes) return bytes.error();
  return std::optional<std::string>(std::move(bytes).value());
}

// The saved records and, where the state file belongs to them, their whole
// texts and sources.
struct SavedFiles {
  std::optional<std::string> inventory;
  std::variant<KeptState, StateUnavailable> state = StateUnavailable::missing;
};

Result<SavedFiles> readSavedFiles(const ProgramFolder& folder) {
  SavedFiles saved;
  Result<std::optional<std::string>> inventory = readIfPresent(folder, inventoryFileReadName);
  if (!inventory) return inventory.error();
  saved.inventory = std::move(inventory).value();
  if (!saved.inventory) return saved;
  // Whatever is wrong with the state file, the inventory file's rows stand.
  Result<std::optional<std::string>> state = readIfPresent(folder, stateFileName);
  saved.state = state ? readKeptState(state.value(), *saved.inventory)
                      : std::variant<KeptState, StateUnavailable>(StateUnavailable::unreadable);
  return saved;
}

// The saved rows; a program whose file is gone is dropped.
Status loadRows(const ProgramFolder& folder, ListModel& list, KeptTables& kept,
                const VersionNumberReader& versionNumber, InventoryLoad& load) {
  Result<SavedFiles> files = readSavedFiles(folder);
  if (!files) return files.error();
  SavedFiles& saved = files.value();
  if (!saved.inventory) return success();

  // No events run while the file loads: the view hears of the rows once.
  HeldRowNotices held(list);
  const auto add = [&](InventoryRecord fields, Text source) -> Status {
    Result<bool> present = filePresent(folder.files, fields[pathCell]);
    if (!present) return present.error();
    if (!present.value()) return success();
    if (fields[4].empty() && versionNumber) {
      Result<Text> version = versionNumber(fields[pathCell]);
      if (!version) return version.error();
      fields[4] = std::move(version).value();
    }
    list.addRow(std::move(fields), 0, std::move(source));
    return success();
  };

  if (auto* state = std::get_if<KeptState>(&saved.state)) {
    for (StateTable& table : state->tables) kept.put(std::move(table));
    for (KeptRow& row : state->rows) {
      if (Status added = add(std::move(row.cells), std::move(row.source)); !added) return added;
    }
    return success();
  }
  load.fullTextsUnavailable = std::get<StateUnavailable>(saved.state);
  InventoryRecordReader reader(*saved.inventory);
  while (!reader.atEnd()) {
    // A record cut short at the end of the file fails here.
    Result<InventoryRecord> record = reader.next();
    if (!record) return record.error();
    if (Status added = add(std::move(record).value(), Text()); !added) return added;
  }
  return success();
}

Status setUpSkipList(const ProgramFolder& folder, std::optional<SkipList>& skipList) {
  SkipList list = builtInSkipList();
  // Assigned as soon as it is set up, so that a failure below keeps what the
  // list held at that moment.
  skipList = list;
  Result<std::optional<std::string>> file = readIfPresent(folder, skipListName);
  if (!file) return file.error();
  if (file.value()) {
    readSkipListFile(*file.value(), list);
    skipList = list;
  }
  Result<std::optional<std::string>> trace = readIfPresent(folder, traceLogName);
  if (!trace) return trace.error();
  if (trace.value()) {
    const Text candidate = traceLogCandidate(*trace.value());
    if (!candidate.empty()) addToSkipList(list, candidate);
    skipList = list;
  }
  return success();
}

}  // namespace

std::string inventoryFileBytes(const ListModel& list) {
  std::string bytes;
  // The row's own text is written even for a list without columns.
  const std::size_t fields = std::min(std::max<std::size_t>(list.columnCount(), 1), cellCount);
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    appendInventoryLine(bytes, std::span<const Text>(list.cells(row).data(), fields));
  }
  return bytes;
}

Status saveInventory(const ProgramFolder& folder, const ListModel& list,
                     const std::optional<SkipList>& skipList, const KeptTables& kept,
                     FailureReport& report) {
  std::optional<Error> first;
  const auto fail = [&](const Error& error) {
    report.failed(Failure{Procedure::saveInventory, error});
    if (!first) first = error;
  };
  const std::string inventory = inventoryFileBytes(list);
  // The state file first: a kill before the inventory file is replaced
  // leaves a stamp that matches neither the old inventory file nor any
  // other, and the next load passes the state file over.
  Result<std::string> state = stateFileBytes(list, inventory, kept.all());
  if (!state) {
    fail(state.error());
  } else if (Status saved = folder.files.replaceFile(folder.path(stateFileName), state.value());
             !saved) {
    fail(saved.error());
  }
  if (Status saved = folder.files.replaceFile(folder.path(inventoryFileWriteName), inventory);
      !saved) {
    fail(saved.error());
    return *first;
  }
  if (skipList) {
    if (Status saved =
            folder.files.replaceFile(folder.path(skipListName), skipListFileBytes(*skipList));
        !saved) {
      fail(saved.error());
    }
  }
  if (first) return *first;
  return success();
}

Status saveKeptTables(const ProgramFolder& folder, const KeptTables& kept) {
  Result<SavedFiles> files = readSavedFiles(folder);
  if (!files) return files.error();
  auto* state = std::get_if<KeptState>(&files.value().state);
  // Nothing to add the tables to: the next full save writes them.
  if (!state) return success();
  ListModel rows;
  for (KeptRow& row : state->rows) rows.addRow(std::move(row.cells), 0, std::move(row.source));
  Result<std::string> bytes = stateFileBytes(rows, *files.value().inventory, kept.all());
  if (!bytes) return bytes.error();
  return folder.files.replaceFile(folder.path(stateFileName), bytes.value());
}

InventoryLoad loadInventory(const ProgramFolder& folder, ListModel& list,
                            std::optional<SkipList>& skipList, KeptTables& kept,
                            const VersionNumberReader& versionNumber, FailureReport& report) {
  InventoryLoad load;
  Status done = loadRows(folder, list, kept, versionNumber, load);
  if (done) done = setUpSkipList(folder, skipList);
  if (!done) {
    report.failed(Failure{Procedure::loadInventory, done.error()});
    return load;
  }
  // A failure to save is reported; the rows loaded stay either way.
  static_cast<void>(saveInventory(folder, list, skipList, kept, report));
  return load;
}

std::optional<SkipList> readSkipList(const ProgramFolder& folder) {
  std::optional<SkipList> skipList;
  if (!setUpSkipList(folder, skipList)) skipList = builtInSkipList();
  return skipList;
}

Result<std::optional<SavedRows>> readSavedRows(const ProgramFolder& folder) {
  Result<SavedFiles> files = readSavedFiles(folder);
  if (!files) return files.error();
  SavedFiles& saved = files.value();
  if (!saved.inventory) return std::optional<SavedRows>();
  SavedRows rows;
  if (auto* state = std::get_if<KeptState>(&saved.state)) {
    rows.rows = std::move(state->rows);
    return std::optional<SavedRows>(std::move(rows));
  }
  rows.fullTextsUnavailable = std::get<StateUnavailable>(saved.state);
  InventoryRecordReader reader(*saved.inventory);
  while (!reader.atEnd()) {
    Result<InventoryRecord> record = reader.next();
    if (!record) {
      Error error = record.error();
      error.description += L" (" + std::to_wstring(reader.line()) + L" 行目)";
      return error;
    }
    rows.rows.push_back(KeptRow{std::move(record).value(), Text()});
  }
  return std::optional<SavedRows>(std::move(rows));
}

}  // namespace vemdrol
