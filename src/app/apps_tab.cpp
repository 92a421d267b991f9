#include "app/apps_tab.h"

#include <chrono>

#include "base/paths.h"
#include "cli/apps_output.h"
#include "files/error_message.h"
#include "os/process.h"
#include "search/column_sort.h"
#include "vemdrol_version.h"

namespace vemdrol {

namespace {

// The fields a first start shows; the others are a header menu away.
constexpr std::array<bool, appFieldCount> shownAtFirst{true,  true, true,  true, true,  true,
                                                       false, true, false, true, false, false};

// As the program files' 差分 column is named (app/row_facts.h, which
// cannot be included beside the exports' names).
constexpr TextView changeName = L"差分";

bool isField(std::size_t column) { return column < appFieldCount; }

}  // namespace

AppsTab::AppsTab(AppsTabWindow& window, SearchWindow& searchWindow)
    : window_(window), shown_(shownAtFirst) {
  const auto& fields = appFieldColumns();
  for (std::size_t field = 0; field < appFieldCount; ++field) {
    widths_[field] = fields[field].widthTwips;
    if (field < cellCount) rows_.addColumn(fields[field].name, widths_[field], shown_[field]);
  }
  widths_[appsChangeColumn] = 1200;
  rows_.setExtraCells(this);
  // Every field is searched, shown or not, and a comparison's 差分 with it.
  search_.emplace(searchWindow, rows_, [this](std::size_t row, Text& text) {
    text.clear();
    const Entry* entry = entryOf(row);
    if (!entry) return;
    if (comparison_) text = entry->change;
    for (const Text& field : entry->texts) {
      if (!text.empty()) text += L' ';
      text += field;
    }
  });
}

AppsTab::~AppsTab() {
  rows_.setExtraCells(nullptr);
  rows_.setObserver(nullptr);
}

void AppsTab::setApps(std::vector<InstalledApp> apps) {
  apps_ = std::move(apps);
  refill();
}

void AppsTab::setShowAll(bool all) {
  if (all_ == all) return;
  all_ = all;
  refill();
}

void AppsTab::setObserver(ListObserver* observer) {
  observer_ = observer;
  rows_.setObserver(observer);
}

void AppsTab::refill() {
  entries_.clear();
  if (comparison_) {
    std::vector<AppRecord> newer;
    for (const InstalledApp& app : apps_) {
      if (all_ || !app.hidden) newer.push_back(AppRecord{appTexts(app), app.hidden});
    }
    // An earlier list of every entry compares with the shown ones as the
    // shown entries it had, as /compare does.
    std::vector<AppRecord> older;
    for (const AppRecord& record : *comparison_) {
      if (all_ || !record.hidden) older.push_back(record);
    }
    for (ComparedApp& app : compareApps(newer, older)) {
      if (changedOnly_ && app.change == Change::same) continue;
      Entry entry{std::move(app.texts), std::nullopt, app.changedFields,
                  appChangeText(app),   app.hidden,   app.change == Change::removed};
      if (app.change == Change::changed) entry.old = std::move(app.old);
      entries_.push_back(std::move(entry));
    }
  } else {
    for (const InstalledApp& app : apps_) {
      if (all_ || !app.hidden) entries_.push_back(Entry{appTexts(app), {}, 0, {}, app.hidden, {}});
    }
  }
  // The sort the user chose stays with the list made anew.
  const bool sorted = rows_.sorted();
  rows_.setObserver(nullptr);
  rows_.clearRows();
  {
    HeldRowNotices held(rows_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      std::array<Text, cellCount> cells;
      for (std::size_t field = 0; field < cellCount; ++field)
        cells[field] = entries_[i].texts[field];
      rows_.addRow(std::move(cells), i,
                   entries_[i].texts[static_cast<std::size_t>(AppField::source)]);
    }
  }
  if (sorted) rows_.setSorted(true);
  search_->wordChanged();
  rows_.setObserver(observer_);
  if (!observer_) return;
  observer_->columnsChanged();
  observer_->rowsChanged();
  observer_->sortChanged();
}

const AppsTab::Entry* AppsTab::entryOf(std::size_t row) const {
  if (row >= rows_.rowCount()) return nullptr;
  const std::size_t tag = rows_.tag(row);
  return tag < entries_.size() ? &entries_[tag] : nullptr;
}

std::vector<ShownColumn> AppsTab::shownColumns() const {
  const auto& fields = appFieldColumns();
  std::vector<ShownColumn> shown;
  if (comparison_) shown.push_back({appsChangeColumn, changeName, widths_[appsChangeColumn]});
  for (std::size_t field = 0; field < appFieldCount; ++field) {
    if (shown_[field]) shown.push_back({field, fields[field].name, widths_[field]});
  }
  return shown;
}

long AppsTab::columnWidth(std::size_t column) const {
  return column <= appsChangeColumn ? widths_[column] : 0;
}

TextView AppsTab::cellText(std::size_t row, std::size_t column) const {
  if (column < cellCount) return rows_.cell(row, column);
  if (row >= rows_.rowCount()) return {};
  return extraCell(rows_.cells(row), rows_.tag(row), rows_.source(row), column);
}

Text AppsTab::changedCellTip(std::size_t row, std::size_t column) const {
  const Entry* entry = entryOf(row);
  if (!entry || !entry->old || !isField(column)) return Text();
  if ((entry->changedFields & (std::uint32_t{1} << column)) == 0) return Text();
  return L"以前: " + (*entry->old)[column] + L"\n現在: " + entry->texts[column];
}

bool AppsTab::rowGrey(std::size_t row) const {
  const Entry* entry = entryOf(row);
  return entry && (entry->removed || entry->hidden);
}

void AppsTab::columnClick(std::size_t header) {
  if (header == 0) return;
  vemdrol::columnClick(rows_, header);
}

void AppsTab::columnResized(std::size_t column, long widthTwips) {
  if (column > appsChangeColumn) return;
  widths_[column] = widthTwips;
  if (column < cellCount) rows_.setColumnWidth(column, widthTwips);
}

void AppsTab::showColumn(std::size_t column, bool shown) {
  if (!isField(column) || shown_[column] == shown) return;
  // The last column shown stays: a list without columns would look empty.
  if (!shown && shownColumns().size() - (comparison_ ? 1 : 0) <= 1) return;
  shown_[column] = shown;
  if (column < cellCount) rows_.setColumnShown(column, shown);
  if (observer_) observer_->columnsChanged();
}

std::vector<MenuEntry> AppsTab::rowMenu(std::optional<std::size_t> focusedRow) const {
  const bool any = rows_.selectedCount() > 0;
  const std::optional<std::size_t> row = commandRow(rows_, focusedRow);
  const Entry* entry = row ? entryOf(*row) : nullptr;
  const bool located = entry && !entry->texts[static_cast<std::size_t>(AppField::location)].empty();
  const bool keyed = row && isRegistryKeySource(rows_.source(*row));
  const bool filesReady = window_.files() != nullptr;
  // The keys of the program files' menu where the entries are alike.
  const auto item = [](auto command, const wchar_t* caption, wchar_t key, bool enabled,
                       bool checked = false) {
    return MenuEntry{static_cast<int>(command), withAccessKey(caption, key), L"", enabled, checked};
  };
  MenuEntry copy = item(ListCommand::copyRows, L"コピー", L'C', any);
  copy.shortcut = L"Ctrl+C";
  return {
      copy,
      {},
      item(AppsCommand::openLocation, L"場所を開く", L'I', located),
      item(ListCommand::openInRegistryEditor, L"レジストリ エディターで開く", L'G', keyed),
      {},
      item(ListCommand::compare, L"比較...", L'O', filesReady),
      item(ListCommand::changedOnly, L"差分のみ表示", L'D', comparing(), changedOnly_),
      item(ListCommand::endComparison, L"比較を終了", L'E', comparing()),
      {},
      item(AppsCommand::showAll, L"すべて表示", L'A', true, all_),
      {},
      item(ListCommand::saveList, L"現在の一覧を保存...", L'S', filesReady),
  };
}

std::vector<MenuEntry> AppsTab::columnMenu() const {
  const auto& fields = appFieldColumns();
  std::vector<ColumnChoice> choices;
  for (std::size_t field = 0; field < appFieldCount; ++field) {
    choices.push_back({field, fields[field].name, shown_[field]});
  }
  return vemdrol::columnMenu(choices);
}

void AppsTab::listCommand(int command, std::optional<std::size_t> focusedRow) {
  if (command >= columnCommandBase) {
    const auto column = static_cast<std::size_t>(command - columnCommandBase);
    if (isField(column)) showColumn(column, !shown_[column]);
    return;
  }
  const std::optional<std::size_t> row = commandRow(rows_, focusedRow);
  const auto failed = [this](const Status& done) {
    if (!done) window_.showStatus(errorMessage(L"", done.error()));
  };
  switch (command) {
    case static_cast<int>(ListCommand::copyRows):
      copyRows();
      return;
    case static_cast<int>(ListCommand::selectAll):
      for (std::size_t i = 0; i < rows_.rowCount(); ++i) (void)rows_.setSelected(i, true);
      return;
    case static_cast<int>(AppsCommand::openLocation): {
      const Entry* entry = row ? entryOf(*row) : nullptr;
      if (!entry) return;
      Text location = entry->texts[static_cast<std::size_t>(AppField::location)];
      // The file manager opens the folder's parent with the folder selected,
      // as it does for a program file.
      while (location.size() > 3 && (location.back() == L'\\' || location.back() == L'/')) {
        location.pop_back();
      }
      if (!location.empty()) failed(window_.services().openFileLocation(location));
      return;
    }
    case static_cast<int>(ListCommand::openInRegistryEditor):
      if (row && isRegistryKeySource(rows_.source(*row))) {
        failed(window_.services().openRegistryEditorAt(rows_.source(*row)));
      }
      return;
    case static_cast<int>(ListCommand::compare): {
      if (!window_.files()) return;
      const std::optional<Text> path = window_.services().askFileName(
          FileQuestion{false, L"比較する一覧を開く", Text(appsFilterName), L"*.json", L""});
      if (path) compareWith(*path);
      return;
    }
    case static_cast<int>(ListCommand::changedOnly):
      setChangedOnly(!changedOnly_);
      return;
    case static_cast<int>(ListCommand::endComparison):
      endComparison();
      return;
    case static_cast<int>(AppsCommand::showAll):
      setShowAll(!all_);
      return;
    case static_cast<int>(ListCommand::saveList): {
      if (!window_.files()) return;
      const std::optional<Text> path = window_.services().askFileName(
          FileQuestion{true, Text(appsSaveTitle), Text(appsFilterName), L"*.json", L"アプリ.json"});
      if (path) saveListAs(*path);
      return;
    }
    default:
      return;
  }
}

void AppsTab::copyRows() {
  const std::vector<ShownColumn> shown = shownColumns();
  std::vector<Text> names;
  for (const ShownColumn& column : shown) names.emplace_back(column.name);
  const Text text = selectedRowsText(rows_, names, [&](std::size_t row, std::size_t place) {
    return cellText(row, shown[place].column);
  });
  if (text.empty()) return;
  if (Status copied = window_.services().setClipboardText(text); !copied) {
    window_.showStatus(errorMessage(L"", copied.error()));
  }
}

void AppsTab::compareWith(TextView path) {
  FileSystem* files = window_.files();
  if (!files) return;
  OlderApps older = readOlderApps(*files, path, path);
  window_.showStatus(older.message);
  if (!older.records) return;
  comparison_ = std::move(older.records);
  refill();
}

void AppsTab::setChangedOnly(bool changedOnly) {
  if (!comparison_ || changedOnly_ == changedOnly) return;
  changedOnly_ = changedOnly;
  refill();
}

void AppsTab::endComparison() {
  if (!comparison_) return;
  comparison_.reset();
  changedOnly_ = false;
  refill();
}

void AppsTab::saveListAs(TextView path) {
  FileSystem* files = window_.files();
  if (!files) return;
  const ExportInfo info{L"Vemdrol", vemdrolVersion,
                        std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
                        computerName(), L"インストール済みアプリ一覧"};
  const std::string bytes = AppsOutput(apps_, all_).bytes(OutputFormat::json, info);
  if (Status saved = files->replaceFile(path, bytes); !saved) {
    window_.showStatus(L"現在の一覧を保存できませんでした: " + errorMessage(L"", saved.error()));
    return;
  }
  window_.showStatus(L"現在の一覧を保存しました");
}

std::optional<CellOrder> AppsTab::extraOrder(std::size_t column) const {
  if (column == appsChangeColumn)
    return comparison_ ? std::optional(CellOrder::text) : std::nullopt;
  return isField(column) ? std::optional(CellOrder::text) : std::nullopt;
}

TextView AppsTab::extraCell(const std::array<Text, cellCount>&, std::size_t tag, TextView,
                            std::size_t column) const {
  if (tag >= entries_.size()) return {};
  if (column == appsChangeColumn) return entries_[tag].change;
  return isField(column) ? TextView(entries_[tag].texts[column]) : TextView();
}

}  // namespace vemdrol
