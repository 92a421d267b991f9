#include "app/main_window.h"

#include <algorithm>

#include "app/layout.h"
#include "app/list_status.h"
#include "app/progress.h"
#include "app/single_copy.h"
#include "apps/app_state.h"
#include "cli/failure_text.h"
#include "files/error_message.h"
#include "files/inventory_file.h"
#include "scan/scan.h"
#include "search/column_sort.h"
#include "state/saved_rows.h"
#include "version/version_number.h"

namespace vemdrol {

bool argumentAsksForRebuild(TextView argument) {
  return !argument.empty() && containsNoCase(argument, L"作成");
}

MainWindow::MainWindow(Form& form, WindowServices& services) : form_(form), services_(services) {
  list_.setExtraCells(this);
  searchWindow_.setRestingStatus([this] { return listStatus_; });
}

MainWindow::~MainWindow() {
  list_.setExtraCells(nullptr);
  list_.setObserver(nullptr);
}

void MainWindow::setDetailWorker(std::unique_ptr<DetailWorker> worker) {
  cancelDetails();
  worker_ = std::move(worker);
  startVerification();
}

void MainWindow::setListObserver(ListObserver* observer) {
  observer_ = observer;
  shownList().setObserver(observer);
}

void MainWindow::load() {
  // A failing step ends start-up where it stands; the program goes on with
  // what the finished steps produced.
  if (Status started = startUp(); !started) {
    form_.setCaption(Control::statusLabel, errorMessage(L"", started.error()));
  }
}

Status MainWindow::startUp() {
  // The clipboard is the user's: start-up leaves it alone.
  form_.setCaption(Control::statusLabel, L"");
  const ViewSettings settings = readViewSettings();
  placeWindow(settings);

  columns_.fill();
  applyColumnSettings(settings);
  rebuildColumns(columns_, list_);

  signatureFilter_ = settings.filter;
  Text flag;
  if (loader_) loader_(flag);
  // What earlier runs verified shows at once; the worker looks again at
  // each file, and verifies those that changed.
  for (const auto& [path, facts] : remembered_->all()) {
    facts_.remember(FactsCache::keyOf(path), facts);
  }

  if (argumentAsksForRebuild(services_.commandLine())) flag = L"1";

  if (equalNoCase(flag, L"1") || list_.rowCount() == 0) {
    unattended_ = true;
    form_.setVisible(Control::window, false);
    // A start that finds the folder busy now hears that the list is being
    // made, not that a window shows.
    if (lock_) lock_->announce({LockHolder::Role::rebuild, self_.processId});
    tray_.start();
    rebuild();
    const bool failed = lastRebuild_ && !lastRebuild_->ok();
    tray_.finish(list_.rowCount(),
                 failed ? std::optional<Text>(form_.caption(Control::statusLabel)) : std::nullopt);
    lock_.reset();
    form_.setEndTimer(tray_.shown() ? static_cast<unsigned>(rebuiltNoticeShownFor.count()) : 1000);
  } else {
    applySortSetting(settings);
    if (signatureFilter_.any()) baseListChanged();
    showListStatus(false);
  }
  return success();
}

ViewSettings MainWindow::readViewSettings() const {
  // A missing or damaged file leaves the defaults; nobody needs to hear of it.
  if (!settingsFolder_) return {};
  const ProgramFolder& folder = *settingsFolder_;
  const Text path = folder.path(viewSettingsName);
  Result<std::optional<FileAttributes>> attributes = folder.files.attributesOf(path);
  if (!attributes || !attributes.value() || attributes.value()->directory) return {};
  Result<std::string> bytes = folder.files.readFile(path);
  if (!bytes) return {};
  Result<ViewSettings> settings = parseViewSettings(bytes.value());
  return settings ? std::move(settings).value() : ViewSettings{};
}

void MainWindow::placeWindow(const ViewSettings& settings) {
  const TwipsRect workArea = form_.workArea();
  if (settings.window) {
    form_.setBounds(Control::window, fittedToWorkArea(*settings.window, workArea));
    if (settings.maximized) form_.setMaximized(true);
    return;
  }
  TwipsRect window = form_.bounds(Control::window);
  window.width = std::min(window.width, workArea.width);
  window.height = std::min(window.height, workArea.height);
  form_.setBounds(Control::window,
                  fittedToWorkArea(centredOnScreen(window, services_.screenSize()), workArea));
}

void MainWindow::applyColumnSettings(const ViewSettings& settings) {
  bool anyShown = false;
  for (std::size_t i = 0; i < columns_.names.size(); ++i) {
    for (const ColumnView& saved : settings.columns) {
      if (saved.name != columns_.names[i]) continue;
      columns_.widthsTwips[i] = saved.widthTwips;
      columns_.shown[i] = saved.shown;
    }
    anyShown = anyShown || columns_.shown[i];
  }
  for (std::size_t d = 0; d < detailCount; ++d) {
    for (const ColumnView& saved : settings.columns) {
      if (saved.name != detailColumns[d].name) continue;
      detailWidths_[d] = saved.widthTwips;
      detailShown_[d] = saved.shown;
    }
    anyShown = anyShown || detailShown_[d];
  }
  // A list with no column to show would look empty: show them all.
  if (!anyShown) std::fill(columns_.shown.begin(), columns_.shown.end(), true);
}

void MainWindow::applySortSetting(const ViewSettings& settings) {
  if (!settings.sort) return;
  const int order = settings.sort->descending ? 1 : 0;
  for (std::size_t i = 0; i < list_.columnCount(); ++i) {
    if (list_.column(i).name != settings.sort->column) continue;
    sortShownList(i, order);
    return;
  }
  // A detail column sorts once the worker has read every row's file; the
  // rows stand in the file's order until then.
  for (std::size_t d = 0; d < detailCount; ++d) {
    if (detailColumns[d].name != settings.sort->column) continue;
    const std::size_t column = firstDetailColumn + d;
    if (!waitForFacts(partsOfColumn(column), AfterFacts::sort, column, order)) {
      sortShownList(column, order);
    }
    return;
  }
}

void MainWindow::sortShownList(std::size_t column, int order) {
  ListModel& list = shownList();
  list.setSortKey(column);
  list.setSortOrder(order);
  list.setSorted(true);
}

void MainWindow::unload() {
  if (!settingsFolder_ || unattended_) return;
  ViewSettings settings;
  const auto within = [](long value, long lowest) {
    return std::clamp(value, lowest, viewSettingsMaxTwips);
  };
  TwipsRect window = form_.restoredBounds();
  window.left = within(window.left, -viewSettingsMaxTwips);
  window.top = within(window.top, -viewSettingsMaxTwips);
  window.width = within(window.width, 1);
  window.height = within(window.height, 1);
  settings.window = window;
  settings.maximized = form_.maximized();
  for (std::size_t i = 0; i < columns_.names.size(); ++i) {
    settings.columns.push_back(
        {columns_.names[i], within(columns_.widthsTwips[i], 0), columns_.shown[i]});
  }
  for (std::size_t d = 0; d < detailCount; ++d) {
    settings.columns.push_back(
        {Text(detailColumns[d].name), within(detailWidths_[d], 0), detailShown_[d]});
  }
  // The filtered list is the inventory's, sorted where the user sorted it.
  const ListModel& sorted = filtered_ && !comparison_ ? filtered_->rows() : list_;
  if (sorted.sorted() && sorted.sortKey() < sorted.columnCount()) {
    settings.sort = SortView{sorted.column(sorted.sortKey()).name, sorted.sortOrder() == 1};
  } else if (sorted.sorted() && isDetailColumn(sorted.sortKey())) {
    settings.sort =
        SortView{Text(detailColumns[detailOf(sorted.sortKey())].name), sorted.sortOrder() == 1};
  }
  settings.filter = signatureFilter_;
  saveRememberedSignatures();
  // A folder that takes no file keeps no view; the next start uses the
  // defaults.
  const ProgramFolder& folder = *settingsFolder_;
  (void)folder.files.replaceFile(folder.path(viewSettingsName), viewSettingsBytes(settings));
}

void MainWindow::resize() { applyResizeLayout(form_); }

void MainWindow::endTimerTick() {
  const bool failed = lastRebuild_ && !lastRebuild_->ok();
  // Nobody sees the hidden window's status line: the error goes to the
  // console, and the exit code tells a script.
  if (failed) services_.reportError(form_.caption(Control::statusLabel));
  tray_.remove();
  services_.endProgram(failed ? rebuildFailedExitCode : 0);
}

void MainWindow::columnClick(std::size_t header) {
  if (appsShown_) return apps_->columnClick(header);
  if (header == 0) return;
  const std::size_t column = header - 1;
  // A second click while the first still waits turns the waiting sort.
  if (wait_ && wait_->then == AfterFacts::sort && wait_->sortColumn == column) {
    wait_->order = wait_->order == 1 ? 0 : 1;
    return;
  }
  if (wait_) cancelDetails();
  ListModel& list = shownList();
  const int order = list.sortOrder() != 1 ? 1 : 0;
  if (!waitForFacts(partsOfColumn(column), AfterFacts::sort, column, order)) {
    vemdrol::columnClick(list, header);
  }
  if (!verifying_) startVerification();
}

void MainWindow::searchTextChange() {
  search_.wordChanged();
  apps_->search().wordChanged();
  if (comparedSearch_) comparedSearch_->wordChanged();
  if (filteredSearch_) filteredSearch_->wordChanged();
}

void MainWindow::rebuildClick() { rebuild(); }

void MainWindow::rebuild() {
  // The rebuild lets queued events run; a click that arrives then must not
  // start a second rebuild inside the first.
  if (!rebuild_ || rebuilding_) return;
  rebuilding_ = true;
  // Nothing is read for the details while the list is built: what waits is
  // dropped, and the rows on screen ask again once the list stands.
  cancelDetails();
  // A comparison shows the rebuilt list against the same earlier inventory;
  // meanwhile the window shows the list being built.
  std::optional<std::vector<InventoryRecord>> older;
  bool changedOnly = false;
  bool olderWhole = false;
  if (comparison_) {
    older = comparison_->older();
    changedOnly = comparison_->changedOnly();
    olderWhole = comparison_->olderWhole();
    endComparison();
  }
  // The filter shows nothing while rows come and go; the rebuild saves the
  // signatures known so far with the state file.
  if (filtered_) baseListChanged();
  std::vector<Text> listed;
  listed.reserve(list_.rowCount());
  for (std::size_t row = 0; row < list_.rowCount(); ++row)
    listed.push_back(list_.cell(row, pathCell));
  remembered_->keepOnly(listed);
  kept_.put(remembered_->table());
  rebuild_();
  rebuilding_ = false;
  // The scan's last word stays: 再作成終了 with the rows' count after it, or
  // why it failed, which an unattended run reports.
  const Text ended(form_.caption(Control::statusLabel));
  if (older) {
    startComparison(std::move(*older), olderWhole);
    if (changedOnly) setChangedOnly(true);
  } else if (signatureFilter_.any()) {
    baseListChanged();
  }
  if (ended == rebuildFinishedText) {
    showListStatus(true);
    listStatus_ = ended + L"、" + listStatus_;
    form_.setCaption(Control::statusLabel, listStatus_);
  } else if (ended != form_.caption(Control::statusLabel)) {
    form_.setCaption(Control::statusLabel, ended);
  }
  if (observer_) observer_->cellsChanged();
}

void MainWindow::showFailure(const Error& error) {
  form_.setCaption(Control::statusLabel, errorMessage(L"", error));
}

std::vector<MenuEntry> MainWindow::rowMenu(std::optional<std::size_t> focusedRow) const {
  if (appsShown_) return apps_->rowMenu(focusedRow);
  RowMenuState state;
  const std::optional<std::size_t> row = commandRow(shownList(), focusedRow);
  state.fromRegistryKey = row && isRegistryKeySource(shownList().source(*row));
  state.comparing = comparison_ != nullptr;
  state.changedOnly = comparison_ && comparison_->changedOnly();
  state.filesReady = files_ != nullptr && !rebuilding_;
  state.signatureFilter = signatureFilter_;
  return vemdrol::rowMenu(shownList(), state);
}

std::vector<MenuEntry> MainWindow::columnMenu() const {
  if (appsShown_) return apps_->columnMenu();
  std::vector<ColumnChoice> choices;
  for (std::size_t i = 0; i < list_.columnCount(); ++i) {
    choices.push_back({i, list_.column(i).name, list_.column(i).shown});
  }
  for (std::size_t d = 0; d < detailCount; ++d) {
    choices.push_back({firstDetailColumn + d, detailColumns[d].name, detailShown_[d]});
  }
  return vemdrol::columnMenu(choices);
}

void MainWindow::listCommand(int command, std::optional<std::size_t> focusedRow) {
  if (appsShown_) return apps_->listCommand(command, focusedRow);
  if (command >= columnCommandBase) {
    const auto column = static_cast<std::size_t>(command - columnCommandBase);
    if (column < list_.columnCount()) showColumn(column, !list_.column(column).shown);
    if (isDetailColumn(column)) showColumn(column, !detailShown_[detailOf(column)]);
    return;
  }
  const ListModel& list = shownList();
  const auto oneFile = [&](auto&& action) {
    const std::optional<std::size_t> row = commandRow(list, focusedRow);
    if (!row || list.cell(*row, pathCell).empty()) return;
    if (Status done = action(list.cell(*row, pathCell)); !done) showFailure(done.error());
  };
  const auto copy = [&](const Text& text) {
    if (text.empty()) return;
    if (Status copied = services_.setClipboardText(text); !copied) showFailure(copied.error());
  };
  const auto askFile = [&](bool save, TextView title) {
    if (!save) {
      return services_.askFileName(FileQuestion{false, Text(title), Text(comparedFilterName),
                                                Text(comparedFilterPattern), L""});
    }
    return services_.askFileName(
        FileQuestion{true, Text(title), Text(inventoryFilterName), L"*.cnt", L"Vemdrol.cnt"});
  };
  switch (static_cast<ListCommand>(command)) {
    case ListCommand::copyRows:
      // A copy already waiting takes the rows selected when it is done.
      if (wait_ && wait_->then == AfterFacts::copy) break;
      if (wait_) cancelDetails();
      // The shown detail cells of every selected row go with them: those not
      // read yet are read first.
      if (!waitForFacts(shownParts(), AfterFacts::copy)) copyShownRows();
      if (!verifying_) startVerification();
      break;
    case ListCommand::copyPaths:
      copy(selectedPathsText(list));
      break;
    case ListCommand::openFileLocation:
      oneFile([this](TextView path) { return services_.openFileLocation(path); });
      break;
    case ListCommand::showProperties:
      oneFile([this](TextView path) -> Status {
        Status shown = services_.showFileProperties(path);
        if (shown || shown.error().number != noPropertiesDialogError) return shown;
        form_.setCaption(Control::statusLabel, noPropertiesDialogMessage);
        return success();
      });
      break;
    case ListCommand::openInRegistryEditor: {
      const std::optional<std::size_t> row = commandRow(list, focusedRow);
      if (!row || !isRegistryKeySource(list.source(*row))) break;
      if (Status opened = services_.openRegistryEditorAt(list.source(*row)); !opened) {
        showFailure(opened.error());
      }
      break;
    }
    case ListCommand::selectAll: {
      ListModel& rows = shownList();
      for (std::size_t row = 0; row < rows.rowCount(); ++row) (void)rows.setSelected(row, true);
      break;
    }
    case ListCommand::compare:
      if (files_ && !rebuilding_) {
        if (const std::optional<Text> path = askFile(false, compareTitle)) compareWith(*path);
      }
      break;
    case ListCommand::changedOnly:
      if (comparison_) setChangedOnly(!comparison_->changedOnly());
      break;
    case ListCommand::endComparison:
      endComparison();
      break;
    case ListCommand::hideMicrosoft: {
      SignatureFilter filter = signatureFilter_;
      filter.hideMicrosoft = !filter.hideMicrosoft;
      setSignatureFilter(filter);
      break;
    }
    case ListCommand::unverifiedOnly: {
      SignatureFilter filter = signatureFilter_;
      filter.unverifiedOnly = !filter.unverifiedOnly;
      setSignatureFilter(filter);
      break;
    }
    case ListCommand::saveList:
      if (files_ && !rebuilding_) {
        if (const std::optional<Text> path = askFile(true, saveListTitle)) saveListAs(*path);
      }
      break;
  }
}

void MainWindow::copyShownRows() {
  const std::vector<ShownColumn> shown = shownColumns();
  std::vector<Text> names;
  for (const ShownColumn& column : shown) names.emplace_back(column.name);
  const Text text = selectedRowsText(shownList(), names, [&](std::size_t row, std::size_t place) {
    return cellText(row, shown[place].column);
  });
  if (text.empty()) return;
  if (Status copied = services_.setClipboardText(text); !copied) showFailure(copied.error());
}

void MainWindow::columnResized(std::size_t column, long widthTwips) {
  if (appsShown_) return apps_->columnResized(column, widthTwips);
  if (column == changeColumn) changeWidth_ = widthTwips;
  if (isDetailColumn(column)) detailWidths_[detailOf(column)] = widthTwips;
  if (column >= list_.columnCount()) return;
  list_.setColumnWidth(column, widthTwips);
  const std::size_t entry = tableIndexOfListColumn(columns_, column);
  if (entry < columns_.widthsTwips.size()) columns_.widthsTwips[entry] = widthTwips;
}

void MainWindow::showColumn(std::size_t column, bool shown) {
  if (appsShown_) return apps_->showColumn(column, shown);
  const bool own = column < list_.columnCount();
  if (!own && !isDetailColumn(column)) return;
  if (!shown) {
    std::size_t others = 0;
    for (std::size_t i = 0; i < list_.columnCount(); ++i) {
      others += i != column && list_.column(i).shown ? 1 : 0;
    }
    for (std::size_t d = 0; d < detailCount; ++d) {
      others += firstDetailColumn + d != column && detailShown_[d] ? 1 : 0;
    }
    if (others == 0) return;
  }
  if (own) {
    const std::size_t entry = tableIndexOfListColumn(columns_, column);
    if (entry < columns_.shown.size()) columns_.shown[entry] = shown;
    // The list tells the view itself, when the view shows it.
    list_.setColumnShown(column, shown);
    if (!comparison_ && !filtered_) return;
  } else {
    if (detailShown_[detailOf(column)] == shown) return;
    detailShown_[detailOf(column)] = shown;
  }
  if (observer_) observer_->columnsChanged();
}

std::vector<ShownColumn> MainWindow::shownColumns() const {
  if (appsShown_) return apps_->shownColumns();
  std::vector<ShownColumn> shown;
  if (comparison_) shown.push_back({changeColumn, changeColumnName, changeWidth_});
  for (std::size_t i = 0; i < list_.columnCount(); ++i) {
    const ListColumn& column = list_.column(i);
    if (column.shown) shown.push_back({i, column.name, column.widthTwips});
  }
  for (std::size_t d = 0; d < detailCount; ++d) {
    if (detailShown_[d]) {
      shown.push_back({firstDetailColumn + d, detailColumns[d].name, detailWidths_[d]});
    }
  }
  return shown;
}

long MainWindow::columnWidth(std::size_t column) const {
  if (appsShown_) return apps_->columnWidth(column);
  if (column == changeColumn) return changeWidth_;
  if (isDetailColumn(column)) return detailWidths_[detailOf(column)];
  return column < list_.columnCount() ? list_.column(column).widthTwips : 0;
}

TextView MainWindow::cellText(std::size_t row, std::size_t column) const {
  if (appsShown_) return apps_->cellText(row, column);
  const ListModel& list = shownList();
  if (column < cellCount) return list.cell(row, column);
  if (row >= list.rowCount()) return {};
  return extraCell(list.cells(row), list.tag(row), list.source(row), column);
}

TextView MainWindow::cellToShow(std::size_t row, std::size_t column) {
  const TextView known = cellText(row, column);
  if (appsShown_ || !known.empty() || !isDetailColumn(column) || detailOf(column) == sourceDetail ||
      !worker_ || rebuilding_) {
    return known;
  }
  const ListModel& list = shownList();
  const Text& path = list.cell(row, pathCell);
  if (path.empty()) return known;
  const Text key = FactsCache::keyOf(path);
  // One reading for the row's every shown detail, rather than one a column.
  if (!facts_.cell(key, detailOf(column))) askFor(path, key, shownParts(), true);
  return known;
}

Text MainWindow::changedCellTip(std::size_t row, std::size_t column) const {
  if (appsShown_) return apps_->changedCellTip(row, column);
  if (!comparison_ || column >= cellCount || row >= shownList().rowCount()) return Text();
  const std::optional<TextView> older = comparison_->olderCell(shownList().tag(row), column);
  if (!older) return Text();
  return L"以前: " + Text(*older) + L"\n現在: " + shownList().cell(row, column);
}

bool MainWindow::rowRemoved(std::size_t row) const {
  if (appsShown_) return apps_->rowGrey(row);
  return comparison_ && row < shownList().rowCount() && comparison_->removed(shownList().tag(row));
}

std::optional<CellOrder> MainWindow::extraOrder(std::size_t column) const {
  if (isDetailColumn(column)) return cellOrderOf(detailColumns[detailOf(column)].name);
  if (column == changeColumn && comparison_) return CellOrder::text;
  return std::nullopt;
}

TextView MainWindow::extraCell(const std::array<Text, cellCount>& cells, std::size_t tag,
                               TextView source, std::size_t column) const {
  if (column == changeColumn) return comparison_ ? comparison_->change(tag) : TextView();
  // The row's own, never its file's.
  if (column == firstDetailColumn + sourceDetail) return source;
  if (!isDetailColumn(column) || cells[pathCell].empty()) return {};
  return facts_.cell(FactsCache::keyOf(cells[pathCell]), detailOf(column)).value_or(TextView());
}

unsigned MainWindow::partsOfColumn(std::size_t column) {
  return isDetailColumn(column) ? detailPartOf(detailOf(column)) : 0;
}

unsigned MainWindow::shownParts() const {
  unsigned parts = 0;
  for (std::size_t d = 0; d < detailCount; ++d) {
    if (detailShown_[d]) parts |= detailPartOf(d);
  }
  return parts;
}

void MainWindow::askFor(const Text& path, const Text& key, unsigned parts, bool urgent) {
  if (parts == 0) return;
  const unsigned missing = facts_.ask(key, parts, urgent);
  if (missing != 0) worker_->request(DetailRequest{path, key, missing}, urgent);
}

bool MainWindow::waitForFacts(unsigned parts, AfterFacts then, std::size_t sortColumn, int order) {
  // While the list is built nothing is read: what is known is all there is.
  if (parts == 0 || !worker_ || rebuilding_) return false;
  const ListModel& list = shownList();
  FactsWait rows(parts);
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    if (then == AfterFacts::copy && !list.selected(row)) continue;
    const Text& path = list.cell(row, pathCell);
    if (path.empty()) continue;
    Text key = FactsCache::keyOf(path);
    if (facts_.knows(key, parts)) continue;
    askFor(path, key, parts, false);
    rows.addRow(key);
  }
  if (rows.done()) return false;
  wait_.emplace(Wait{std::move(rows), then, sortColumn, order});
  showWaitProgress();
  return true;
}

void MainWindow::detailsArrived() {
  if (!worker_) return;
  const std::vector<DetailResult> results = worker_->takeResults();
  if (results.empty()) return;
  bool signatures = false;
  for (const DetailResult& result : results) {
    facts_.store(result.key, result.parts, result.details);
    if (wait_ && facts_.knows(result.key, wait_->rows.parts())) wait_->rows.arrived(result.key);
    if ((result.parts & signaturePart) == 0) continue;
    signatures = true;
    if (verifying_) verifying_->arrived(result.key);
  }
  if (observer_) observer_->cellsChanged();
  if (signatures) signaturesArrived();
  if (!wait_) return;
  if (wait_->rows.done()) {
    finishWait();
  } else {
    showWaitProgress();
  }
}

void MainWindow::showWaitProgress() {
  const std::size_t total = wait_->rows.rowsTotal();
  const auto percent = static_cast<int>(wait_->rows.rowsDone() * 100 / (total ? total : 1));
  if (percent == wait_->shownPercent) return;
  wait_->shownPercent = percent;
  form_.setCaption(Control::statusLabel, factsProgressText(wait_->rows.rowsDone(), total));
}

void MainWindow::clearWaitProgress() {
  if (!form_.caption(Control::statusLabel).starts_with(factsProgressStart)) return;
  form_.setCaption(Control::statusLabel, L"");
  showListStatus(true);
}

void MainWindow::finishWait() {
  const Wait done = std::move(*wait_);
  wait_.reset();
  clearWaitProgress();
  if (done.then == AfterFacts::sort) {
    sortShownList(done.sortColumn, done.order);
  } else {
    copyShownRows();
  }
}

void MainWindow::cancelDetails() {
  if (worker_) worker_->cancel();
  facts_.forgetAsked();
  // Whoever cancels asks again for what the filter needs, once the list
  // it takes its rows from stands.
  verifying_.reset();
  if (wait_) {
    wait_.reset();
    clearWaitProgress();
  }
  if (observer_) observer_->cellsChanged();
}

void MainWindow::compareWith(TextView path) {
  if (!files_) return;
  OlderInventory older = readOlderInventory(*files_, path, L"", damagedLinesNamed);
  if (older.read) startComparison(std::move(older.read->records), older.read->wholeTexts);
  form_.setCaption(Control::statusLabel, older.message);
  if (older.message.empty()) showListStatus(true);
}

void MainWindow::startComparison(std::vector<InventoryRecord> older, bool olderWhole) {
  cancelDetails();
  shownList().setObserver(nullptr);
  comparedSearch_.reset();
  comparison_ = std::make_unique<ComparedList>(list_, std::move(older), olderWhole);
  comparison_->rows().setExtraCells(this);
  comparedSearch_.emplace(searchWindow_, comparison_->rows(),
                          [this](std::size_t row, Text& text) { comparison_->rowText(row, text); });
  baseListChanged();
}

void MainWindow::setChangedOnly(bool changedOnly) {
  if (!comparison_) return;
  cancelDetails();
  comparison_->setChangedOnly(changedOnly);
  // The rows are new: the search starts again from the top.
  comparedSearch_->wordChanged();
  if (filtered_) {
    refillFilteredList();
    filteredSearch_->wordChanged();
  }
  startVerification();
  showListStatus(true);
}

void MainWindow::endComparison() {
  if (!comparison_) return;
  cancelDetails();
  comparison_->rows().setObserver(nullptr);
  comparedSearch_.reset();
  comparison_.reset();
  baseListChanged();
}

void MainWindow::showTab(ListTab tab) {
  const bool apps = tab == ListTab::apps;
  if (apps == appsShown_) return;
  // The program files' details wait while the other tab is shown; their
  // rows ask again when they are shown.
  if (apps) cancelDetails();
  shownList().setObserver(nullptr);
  appsShown_ = apps;
  apps_->setObserver(apps ? observer_ : nullptr);
  showShownList();
  if (!apps) startVerification();
  // The count is the shown tab's.
  showListStatus(true);
}

void MainWindow::showShownList() {
  ListModel& shown = shownList();
  shown.setObserver(observer_);
  if (!observer_) return;
  observer_->columnsChanged();
  observer_->rowsChanged();
  observer_->sortChanged();
}

void MainWindow::saveListAs(TextView path) {
  if (!files_) return;
  // The inventory's own rows, in their order: never the compared list's
  // removed rows or its 差分 column; those the filter keeps while it is on.
  std::optional<FilteredList> kept;
  if (signatureFilter_.any()) {
    kept.emplace(list_);
    kept->refill(list_,
                 [this](const ListModel& list, std::size_t row) { return keepsRow(list, row); });
  }
  const ListModel& rows = kept ? kept->rows() : list_;
  if (Status saved = files_->replaceFile(path, inventoryFileBytes(rows)); !saved) {
    form_.setCaption(Control::statusLabel,
                     Text(listNotSavedMessage) + errorMessage(L"", saved.error()));
    return;
  }
  form_.setCaption(Control::statusLabel, listSavedMessage);
}

void MainWindow::setSignatureFilter(const SignatureFilter& filter) {
  if (filter == signatureFilter_) return;
  // The sort the user chose for the filtered list stays with the list.
  if (filtered_ && !filter.any()) {
    const ListModel& from = filtered_->rows();
    ListModel& to = baseList();
    to.setSortKey(from.sortKey());
    to.setSortOrder(from.sortOrder());
    if (from.sorted()) to.setSorted(true);
  }
  signatureFilter_ = filter;
  baseListChanged();
}

bool MainWindow::keepsRow(const ListModel& list, std::size_t row) const {
  const Text& path = list.cell(row, pathCell);
  if (path.empty()) return true;
  return filterKeeps(signatureFilter_, facts_.signature(FactsCache::keyOf(path)));
}

void MainWindow::baseListChanged() {
  if (filtered_) filtered_->rows().setObserver(nullptr);
  filteredSearch_.reset();
  filtered_.reset();
  // An unattended rebuild ends before anyone could look at a filtered list.
  if (signatureFilter_.any() && !rebuilding_ && !unattended_) makeFilteredList();
  showShownList();
  if (filtered_) startVerification();
  showListStatus(true);
}

void MainWindow::makeFilteredList() {
  ListModel& base = baseList();
  base.setObserver(nullptr);
  filtered_ = std::make_unique<FilteredList>(base);
  ListModel& rows = filtered_->rows();
  rows.setExtraCells(this);
  rows.setSortKey(base.sortKey());
  rows.setSortOrder(base.sortOrder());
  if (base.sorted()) rows.setSorted(true);
  // A comparison's rows are searched with their 差分 cell, as when shown
  // whole.
  filteredSearch_.emplace(searchWindow_, rows, [this](std::size_t row, Text& text) {
    const ListModel& shown = filtered_->rows();
    Text own;
    vemdrol::rowText(shown, row, own);
    text = comparison_ ? Text(comparison_->change(shown.tag(row))) + L' ' + own : own;
  });
  refillFilteredList();
}

void MainWindow::refillFilteredList() {
  filtered_->refill(baseList(),
                    [this](const ListModel& list, std::size_t row) { return keepsRow(list, row); });
  lastRefill_ = std::chrono::steady_clock::now();
}

void MainWindow::startVerification() {
  verifying_.reset();
  if (!filtered_ || !worker_ || rebuilding_) return;
  const ListModel& list = baseList();
  FactsWait rows(signaturePart);
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    const Text& path = list.cell(row, pathCell);
    if (path.empty()) continue;
    Text key = FactsCache::keyOf(path);
    if (facts_.confirmed(key, signaturePart)) continue;
    askFor(path, key, signaturePart, false);
    rows.addRow(key);
  }
  if (!rows.done()) verifying_.emplace(std::move(rows));
}

void MainWindow::signaturesArrived() {
  if (!filtered_) return;
  const bool done = verifying_ && verifying_->done();
  if (done) verifying_.reset();
  // A refill costs a walk over every row: a few a second while results
  // stream in keep the window answering.
  constexpr auto refillInterval = std::chrono::milliseconds(300);
  if (!verifying_ || std::chrono::steady_clock::now() - lastRefill_ >= refillInterval) {
    refillFilteredList();
  }
  showListStatus(false);
  if (done) saveRememberedSignatures();
}

void MainWindow::showListStatus(bool force) {
  // The scan's pass texts hold the line while it runs.
  if (rebuilding_) return;
  const Text current(form_.caption(Control::statusLabel));
  // What another part of the window said stays until the user acts.
  if (!force && !current.empty() && current != listStatus_) return;
  ListStatus status;
  if (appsShown_) {
    // The アプリ tab's rows as it shows them; its filters are its own.
    status.shownRows = status.allRows = apps_->rows().rowCount();
    status.comparing = apps_->comparing();
  } else {
    status.shownRows = filtered_ ? filtered_->rows().rowCount() : baseList().rowCount();
    status.allRows = comparison_ ? comparison_->comparedRowCount() : list_.rowCount();
    status.filter = signatureFilter_;
    status.comparing = comparison_ != nullptr;
    status.changedOnly = comparison_ && comparison_->changedOnly();
    if (verifying_) {
      status.verifying = ListStatus::Progress{verifying_->rowsDone(), verifying_->rowsTotal()};
    }
  }
  listStatus_ = listStatusText(status);
  if (listStatus_ != current) form_.setCaption(Control::statusLabel, listStatus_);
}

void MainWindow::saveRememberedSignatures() {
  if (!folder_ || rebuilding_ || !remembered_->changed()) return;
  kept_.put(remembered_->table());
  // A state file that cannot be written now is written with the next
  // rebuild; the verification is only done again for what it lost.
  (void)saveKeptTables(*folder_, kept_);
}

void MainWindow::connect(const Machine& machine) {
  files_ = &machine.files;
  folder_.emplace(ProgramFolder{machine.files, services_.programFolder()});
  settingsFolder_.emplace(*folder_);
  VersionResourceReader& versions = machine.versions;
  loader_ = [this, &versions](Text&) {
    FormFailureReport report(form_);
    const InventoryLoad load = loadInventory(
        *folder_, list_, skipList_, kept_,
        [&versions](TextView path) { return WVerNumber(versions, path); }, report);
    if (const StateTable* signatures = kept_.find(signatureTableName)) {
      remembered_->load(*signatures);
    }
    // The applications the last rebuild listed show at once.
    if (const StateTable* apps = kept_.find(appsTableName)) {
      if (std::optional<std::vector<InstalledApp>> kept = appsOfStateTable(*apps)) {
        apps_->setApps(std::move(*kept));
      }
    }
    if (load.fullTextsUnavailable) {
      form_.setCaption(Control::statusLabel, fullTextsUnavailableText(*load.fullTextsUnavailable));
    }
  };
  rebuild_ = [this, machine] {
    FormScanView shown(form_, services_);
    TrayScanView view(shown, form_, tray_);
    ScanParts parts{view,          list_,
                    columns_,      inventory_,
                    listing_,      machine.registry,
                    machine.files, machine.versions,
                    &*folder_,     skipList_};
    parts.kept = &kept_;
    parts.windowsFolder = machine.windowsFolder;
    const AppSources appSources{&machine.registry,
                                {{currentUserName(machine.registry), &machine.registry}},
                                &machine.files};
    std::vector<InstalledApp> apps;
    parts.appSources = &appSources;
    parts.apps = &apps;
    // The scan lets queued events run; the button stays disabled meanwhile,
    // so those events cannot start a second rebuild.
    form_.setEnabled(Control::rebuildButton, false);
    lastRebuild_ = runScan(parts);
    form_.setEnabled(Control::rebuildButton, true);
    if (lastRebuild_->built.ok()) apps_->setApps(std::move(apps));
  };
}

}  // namespace vemdrol
