#include "cli/inventory_output.h"

#include <algorithm>
#include <functional>

#include "cli/output_format.h"
#include "export/exporter.h"
#include "rows/list_model.h"
#include "rows/row_order.h"

namespace vemdrol {

class InventoryOutput::Rows final : public ExportRows {
 public:
  explicit Rows(const InventoryOutput& output) : output_(output) {}
  std::size_t rowCount() const override { return output_.entries_.size(); }
  TextView cell(std::size_t row, std::size_t column) const override {
    return output_.cell(output_.entries_[row], column);
  }
  std::optional<TextView> oldCell(std::size_t row, std::size_t column) const override {
    const Entry& entry = output_.entries_[row];
    const std::size_t base = output_.compared_ ? 1 : 0;
    if (!entry.old || column < base || column >= base + inventoryFieldCount) return std::nullopt;
    return TextView((*entry.old)[column - base]);
  }
  std::optional<ExportRows::JsonCell> jsonCell(std::size_t row, std::size_t column) const override {
    const std::size_t first = (output_.compared_ ? 1 : 0) + inventoryFieldCount;
    if (!output_.detailed_ || column < first) return std::nullopt;
    const std::optional<Text>& json =
        output_.details_[output_.entries_[row].details].json[column - first];
    if (!json) return ExportRows::JsonCell{true, {}};
    return ExportRows::JsonCell{false, *json};
  }

 private:
  const InventoryOutput& output_;
};

InventoryOutput::InventoryOutput(std::vector<InventoryRecord> rows, std::vector<Text> sources)
    : rows_(std::move(rows)), sources_(std::move(sources)) {
  entries_.reserve(rows_.size());
  for (const InventoryRecord& row : rows_) {
    entries_.push_back({&row, nullptr, Text(), 0, sourceOf(&row)});
  }
}

const Text* InventoryOutput::sourceOf(const InventoryRecord* row) const {
  // The total order of std::less: row may point into the older rows.
  const std::less<const InventoryRecord*> before;
  if (before(row, rows_.data()) || !before(row, rows_.data() + rows_.size())) return nullptr;
  const auto index = static_cast<std::size_t>(row - rows_.data());
  return index < sources_.size() && !sources_[index].empty() ? &sources_[index] : nullptr;
}

void InventoryOutput::compareWith(std::vector<InventoryRecord> older, bool changedOnly,
                                  bool olderWhole) {
  older_ = std::move(older);
  compared_ = true;
  const std::vector<Text> names = columnNames();
  const std::span<const Text> baseNames(names.data() + 1, inventoryFieldCount);
  entries_.clear();
  for (const ComparedRow& row : compareInventories(rows_, older_, !olderWhole)) {
    if (changedOnly && row.change == Change::same) continue;
    const InventoryRecord* old = row.change == Change::removed ? row.texts : row.old;
    const Text* source = row.change == Change::removed ? nullptr : sourceOf(row.texts);
    entries_.push_back({row.texts, old, changeText(row, baseNames), 0, source});
  }
}

void InventoryOutput::addDetails(DetailReader& reader) {
  detailed_ = true;
  details_.clear();
  details_.reserve(entries_.size());
  for (Entry& entry : entries_) {
    entry.details = details_.size();
    RowDetails details = reader.detailsOf((*entry.texts)[3], true);
    if (entry.source) {
      details.cells[sourceDetail] = *entry.source;
      details.json[sourceDetail] = *entry.source;
    }
    details_.push_back(std::move(details));
  }
}

void InventoryOutput::filterBySignature(const SignatureFilter& filter,
                                        SignatureReader& signatures) {
  if (!filter.any()) return;
  std::erase_if(entries_, [&](const Entry& entry) {
    const Text& path = (*entry.texts)[pathCell];
    if (path.empty()) return false;
    const Result<SignatureFacts> facts = signatures.signatureOf(path);
    return !filterKeeps(filter, facts ? std::optional(facts.value()) : std::nullopt);
  });
}

std::vector<ExportColumn> InventoryOutput::columns(bool compared, bool detailed) {
  std::vector<ExportColumn> columns;
  if (compared) columns.push_back(changeColumn());
  for (ExportColumn& column : inventoryColumns()) columns.push_back(std::move(column));
  if (detailed) {
    for (const DetailColumn& detail : detailColumns) {
      columns.push_back({Text(detail.name), std::string(detail.jsonKey),
                         detail.numeric ? JsonValue::number : JsonValue::text});
    }
  }
  return columns;
}

std::vector<Text> InventoryOutput::columnNames(bool compared, bool detailed) {
  std::vector<Text> names;
  for (const ExportColumn& column : columns(compared, detailed)) names.push_back(column.name);
  return names;
}

std::vector<Text> InventoryOutput::columnNames() const { return columnNames(compared_, detailed_); }

TextView InventoryOutput::cell(const Entry& entry, std::size_t column) const {
  if (compared_) {
    if (column == 0) return entry.change;
    --column;
  }
  if (column < inventoryFieldCount) return (*entry.texts)[column];
  column -= inventoryFieldCount;
  if (detailed_ && column < detailCount) return details_[entry.details].cells[column];
  return {};
}

Status InventoryOutput::sortBy(std::span<const SortRequest> sort) {
  const std::vector<Text> names = columnNames();
  std::vector<std::pair<RowSortKey, CellOrder>> keys;
  for (const SortRequest& request : sort) {
    Result<RowSortKey> key = resolveSortColumn(request, names);
    if (!key) return key.error();
    keys.emplace_back(key.value(), cellOrderOf(names[key.value().column]));
  }
  sortByKeys(std::span<Entry>(entries_), keys,
             [this](const Entry& entry, std::size_t column) { return cell(entry, column); });
  return success();
}

std::string InventoryOutput::bytes(OutputFormat format, const ExportInfo& info) const {
  if (format == OutputFormat::inventoryFile) {
    std::string bytes;
    for (const Entry& entry : entries_) appendInventoryLine(bytes, *entry.texts);
    return bytes;
  }
  const Rows rows(*this);
  const ExportTable table{info, columns(), rows};
  return exportBytes(table, exportFormatOf(format).value_or(ExportFormat::csv));
}

}  // namespace vemdrol
