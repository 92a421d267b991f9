#include "files/inventory_file.h"

#include <array>

#include "files/error_message.h"
#include "files/field_reader.h"
#include "files/translate_chars.h"
#include "platform/codepage.h"

namespace vemdrol {

namespace {

constexpr std::size_t fieldsPerRecord = 5;
static_assert(fieldsPerRecord == cellCount, "a saved record is one list row");

void appendField(std::string& bytes, TextView cell) {
  bytes += '"';
  bytes += toAnsi(translateChars(cell, L"\"", L"'"));
  bytes += '"';
}

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

  FieldReader reader(*file.value());
  // No events run while the file loads: the view hears of the rows once.
  HeldRowNotices held(list);
  while (!reader.atEnd()) {
    std::array<Text, fieldsPerRecord> fields;
    for (Text& field : fields) {
      // A record cut short at the end of the file fails here.
      Result<std::string_view> read = reader.readField();
      if (!read) return read.error();
      field = fromAnsi(read.value());
    }
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
  const std::size_t columns = list.columnCount();
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    appendField(bytes, list.cell(row, 0));
    for (std::size_t k = 1; k < columns; ++k) {
      bytes += ',';
      appendField(bytes, list.cell(row, k));
    }
    bytes += "\r\n";
  }
  return bytes;
}

void CntWrite(const ProgramFolder& folder, const ListModel& list,
              const std::optional<SkipList>& skipList, Form& form) {
  const auto fail = [&form](const Error& error) {
    form.setCaption(Control::Label1, errorMessage(L"CntWrite ", error));
  };
  Status saved =
      folder.files.replaceFile(folder.path(inventoryFileWriteName), inventoryFileBytes(list));
  if (!saved) return fail(saved.error());
  if (!skipList) return;
  saved = folder.files.replaceFile(folder.path(skipListName), skipListFileBytes(*skipList));
  if (!saved) fail(saved.error());
}

void CntRead(Text& flag, const ProgramFolder& folder, ListModel& list,
             std::optional<SkipList>& skipList, const VersionNumberReader& versionNumber,
             Form& form) {
  flag.clear();
  Status done = loadRows(folder, list, versionNumber);
  if (done) done = setUpSkipList(folder, skipList);
  if (!done) {
    form.setCaption(Control::Label1, errorMessage(L"CntRead ", done.error()));
    return;
  }
  CntWrite(folder, list, skipList, form);
}

}  // namespace vemdrol
