#include "rows/saved_rows.h"

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

// The saved rows; a program whose file is gone is dropped.
Status loadRows(const ProgramFolder& folder, ListModel& list,
                const VersionNumberReader& versionNumber) {
  Result<std::optional<std::string>> file = readIfPresent(folder, inventoryFileReadName);
  if (!file) return file.error();
  if (!file.value()) return success();

  InventoryRecordReader reader(*file.value());
  // No events run while the file loads: the view hears of the rows once.
  HeldRowNotices held(list);
  while (!reader.atEnd()) {
    // A record cut short at the end of the file fails here.
    Result<InventoryRecord> record = reader.next();
    if (!record) return record.error();
    InventoryRecord& fields = record.value();
    Result<bool> present = filePresent(folder.files, fields[3]);
    if (!present) return present.error();
    if (!present.value()) continue;
    if (fields[4].empty() && versionNumber) {
      Result<Text> version = versionNumber(fields[3]);
      if (!version) return version.error();
      fields[4] = std::move(version).value();
    }
    list.addRow(std::move(fields));
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
                     const std::optional<SkipList>& skipList, FailureReport& report) {
  const auto fail = [&report](const Error& error) -> Status {
    report.failed(Failure{Procedure::saveInventory, error});
    return error;
  };
  Status saved =
      folder.files.replaceFile(folder.path(inventoryFileWriteName), inventoryFileBytes(list));
  if (!saved) return fail(saved.error());
  if (!skipList) return success();
  saved = folder.files.replaceFile(folder.path(skipListName), skipListFileBytes(*skipList));
  if (!saved) return fail(saved.error());
  return success();
}

void loadInventory(const ProgramFolder& folder, ListModel& list, std::optional<SkipList>& skipList,
                   const VersionNumberReader& versionNumber, FailureReport& report) {
  Status done = loadRows(folder, list, versionNumber);
  if (done) done = setUpSkipList(folder, skipList);
  if (!done) {
    report.failed(Failure{Procedure::loadInventory, done.error()});
    return;
  }
  // A failure to save is reported; the rows loaded stay either way.
  (void)saveInventory(folder, list, skipList, report);
}

Result<std::optional<std::vector<InventoryRecord>>> readSavedRecords(const ProgramFolder& folder) {
  using Records = std::optional<std::vector<InventoryRecord>>;
  Result<std::optional<std::string>> file = readIfPresent(folder, inventoryFileReadName);
  if (!file) return file.error();
  if (!file.value()) return Records();
  std::vector<InventoryRecord> records;
  InventoryRecordReader reader(*file.value());
  while (!reader.atEnd()) {
    Result<InventoryRecord> record = reader.next();
    if (!record) {
      Error error = record.error();
      error.description += L" (" + std::to_wstring(reader.line()) + L" 行目)";
      return error;
    }
    records.push_back(std::move(record).value());
  }
  return Records(std::move(records));
}

}  // namespace vemdrol
