#include "cli/apps_output.h"

#include <algorithm>

#include "apps/app_state.h"
#include "cli/output_format.h"
#include "export/exporter.h"
#include "files/error_message.h"
#include "formats/apps/export_json.h"
#include "formats/state/state_file.h"
#include "rows/row_order.h"
#include "state/kept_inventory.h"

namespace vemdrol {
namespace {

constexpr TextView hiddenColumnName = L"非表示";
constexpr TextView hiddenMark = L"はい";

CellOrder orderOf(AppFieldKind kind) {
  switch (kind) {
    case AppFieldKind::version:
      return CellOrder::version;
    case AppFieldKind::bytes:
      return CellOrder::number;
    case AppFieldKind::text:
    case AppFieldKind::date:
      break;
  }
  // ISO dates sort as their text.
  return CellOrder::text;
}

}  // namespace

class AppsOutput::Rows final : public ExportRows {
 public:
  explicit Rows(const AppsOutput& output) : output_(output) {}
  std::size_t rowCount() const override { return output_.entries_.size(); }
  TextView cell(std::size_t row, std::size_t column) const override {
    return output_.cell(output_.entries_[row], column);
  }
  std::optional<TextView> oldCell(std::size_t row, std::size_t column) const override {
    const Entry& entry = output_.entries_[row];
    const std::size_t field = column - (output_.compared_ ? 1 : 0);
    if (!entry.old || (output_.compared_ && column == 0) || field >= appFieldCount) {
      return std::nullopt;
    }
    return TextView((*entry.old)[field]);
  }

 private:
  const AppsOutput& output_;
};

AppsOutput::AppsOutput(const std::vector<InstalledApp>& apps, bool all) : all_(all) {
  for (const InstalledApp& app : apps) {
    if (app.hidden && !all) continue;
    entries_.push_back(Entry{appTexts(app), std::nullopt, Text(), app.hidden});
  }
}

void AppsOutput::compareWith(const std::vector<AppRecord>& older, bool changedOnly) {
  std::vector<AppRecord> newer;
  newer.reserve(entries_.size());
  for (const Entry& entry : entries_) newer.push_back(AppRecord{entry.texts, entry.hidden});
  // An earlier list with every entry compares with the shown ones alone
  // as the shown entries it had.
  std::vector<AppRecord> olderShown;
  for (const AppRecord& record : older) {
    if (all_ || !record.hidden) olderShown.push_back(record);
  }
  std::vector<Entry> compared;
  for (ComparedApp& app : compareApps(newer, olderShown)) {
    if (changedOnly && app.change == Change::same) continue;
    Entry entry{std::move(app.texts), std::nullopt, appChangeText(app), app.hidden};
    if (app.change == Change::changed) entry.old = std::move(app.old);
    compared.push_back(std::move(entry));
  }
  entries_ = std::move(compared);
  compared_ = true;
}

std::vector<ExportColumn> AppsOutput::columns(bool compared, bool all) {
  std::vector<ExportColumn> columns;
  if (compared) columns.push_back(changeColumn());
  for (const AppFieldColumn& field : appFieldColumns()) {
    columns.push_back(
        ExportColumn{Text(field.name), std::string(field.key),
                     field.kind == AppFieldKind::bytes ? JsonValue::number : JsonValue::text});
  }
  if (all) {
    columns.push_back(
        ExportColumn{Text(hiddenColumnName), std::string(hiddenKey), JsonValue::boolean});
  }
  return columns;
}

std::vector<Text> AppsOutput::columnNames(bool compared, bool all) {
  std::vector<Text> names;
  for (const ExportColumn& column : columns(compared, all)) names.push_back(column.name);
  return names;
}

TextView AppsOutput::cell(const Entry& entry, std::size_t column) const {
  if (compared_) {
    if (column == 0) return entry.change;
    --column;
  }
  if (column < appFieldCount) return entry.texts[column];
  return entry.hidden ? hiddenMark : TextView();
}

Status AppsOutput::sortBy(std::span<const SortRequest> sort) {
  const std::vector<Text> names = columnNames();
  std::vector<std::pair<RowSortKey, CellOrder>> keys;
  for (const SortRequest& request : sort) {
    Result<RowSortKey> key = resolveSortColumn(request, names);
    if (!key) return key.error();
    const std::size_t field = key.value().column - (compared_ ? 1 : 0);
    const bool isField = !(compared_ && key.value().column == 0) && field < appFieldCount;
    keys.emplace_back(key.value(),
                      isField ? orderOf(appFieldColumns()[field].kind) : CellOrder::text);
  }
  sortByKeys(std::span<Entry>(entries_), keys,
             [this](const Entry& entry, std::size_t column) { return cell(entry, column); });
  return success();
}

std::string AppsOutput::bytes(OutputFormat format, const ExportInfo& info) const {
  const Rows rows(*this);
  const ExportTable table{info, columns(compared_, all_), rows};
  const std::optional<ExportFormat> exported = exportFormatOf(format);
  return exported ? exportBytes(table, *exported) : std::string();
}

std::vector<AppRecord> appRecords(const std::vector<InstalledApp>& apps) {
  std::vector<AppRecord> records;
  records.reserve(apps.size());
  for (const InstalledApp& app : apps) records.push_back(AppRecord{appTexts(app), app.hidden});
  return records;
}

OlderApps readOlderApps(FileSystem& files, TextView path, TextView shownAs) {
  OlderApps older;
  const auto cannotRead = [&](const Error& error) {
    older.message = L"比較する一覧 " + Text(shownAs) + L" を読めません: " + errorText(error);
    return std::move(older);
  };
  Result<std::string> bytes = files.readFile(path);
  if (!bytes) return cannotRead(bytes.error());
  if (looksLikeJson(bytes.value())) {
    Result<std::vector<ExportedRow>> rows = readExportedRows(bytes.value());
    if (!rows) return cannotRead(rows.error());
    std::vector<AppRecord> records;
    for (const ExportedRow& row : rows.value()) {
      // A compared export's removed entries were gone already then.
      if (row.field("change") == L"removed") continue;
      AppRecord record;
      for (std::size_t field = 0; field < appFieldCount; ++field) {
        record.texts[field] = Text(row.field(appFieldColumns()[field].key));
      }
      record.hidden = row.field(hiddenKey) == L"true";
      records.push_back(std::move(record));
    }
    older.records = std::move(records);
    return older;
  }
  // An inventory file: the list kept beside it.
  Result<std::string> state = files.readFile(stateFilePathFor(path));
  if (!state) return cannotRead(state.error());
  const auto file = readStateFile(state.value());
  const StateFile* read = std::get_if<StateFile>(&file);
  const StateTable* table = read ? read->table(appsTableName) : nullptr;
  const std::optional<std::vector<InstalledApp>> apps =
      table ? appsOfStateTable(*table) : std::nullopt;
  if (!apps) return cannotRead(Error{22, L"アプリの一覧が保存されていません"});
  older.records = appRecords(*apps);
  return older;
}

}  // namespace vemdrol
