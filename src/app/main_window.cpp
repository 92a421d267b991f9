#include "app/main_window.h"

#include <algorithm>

#include "app/layout.h"
#include "app/progress.h"
#include "app/single_copy.h"
#include "files/error_message.h"
#include "rows/saved_rows.h"
#include "scan/scan.h"
#include "search/column_sort.h"
#include "version/version_number.h"

namespace vemdrol {

bool argumentAsksForRebuild(TextView argument) {
  return !argument.empty() && containsNoCase(argument, L"作成");
}

MainWindow::MainWindow(Form& form, WindowServices& services) : form_(form), services_(services) {}

void MainWindow::load() {
  // A failing step ends start-up where it stands; the program goes on with
  // what the finished steps produced.
  if (Status started = startUp(); !started) {
    form_.setCaption(Control::Label1, errorMessage(L"", started.error()));
  }
}

Status MainWindow::startUp() {
  // The clipboard is the user's: start-up leaves it alone.
  form_.setCaption(Control::Label1, L"");
  const ViewSettings settings = readViewSettings();
  placeWindow(settings);

  columns_.fill();
  applyColumnSettings(settings);
  rebuildColumns(columns_, list_);

  Text flag;
  if (loader_) loader_(flag);

  if (argumentAsksForRebuild(services_.commandLine())) flag = L"1";

  if (equalNoCase(flag, L"1") || list_.rowCount() == 0) {
    unattended_ = true;
    form_.setVisible(Control::Form1, false);
    rebuild();
    form_.setTimerInterval(1000);
  } else {
    applySortSetting(settings);
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
    form_.setBounds(Control::Form1, fittedToWorkArea(*settings.window, workArea));
    if (settings.maximized) form_.setMaximized(true);
    return;
  }
  TwipsRect window = form_.bounds(Control::Form1);
  window.width = std::min(window.width, workArea.width);
  window.height = std::min(window.height, workArea.height);
  form_.setBounds(Control::Form1,
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
  // A list with no column to show would look empty: show them all.
  if (!anyShown) std::fill(columns_.shown.begin(), columns_.shown.end(), true);
}

void MainWindow::applySortSetting(const ViewSettings& settings) {
  if (!settings.sort) return;
  for (std::size_t i = 0; i < list_.columnCount(); ++i) {
    if (list_.column(i).name != settings.sort->column) continue;
    list_.setSortKey(i);
    list_.setSortOrder(settings.sort->descending ? 1 : 0);
    list_.setSorted(true);
    return;
  }
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
  if (list_.sorted() && list_.sortKey() < list_.columnCount()) {
    settings.sort = SortView{list_.column(list_.sortKey()).name, list_.sortOrder() == 1};
  }
  // A folder that takes no file keeps no view; the next start uses the
  // defaults.
  const ProgramFolder& folder = *settingsFolder_;
  folder.files.replaceFile(folder.path(viewSettingsName), viewSettingsBytes(settings));
}

void MainWindow::resize() { applyResizeLayout(form_); }

void MainWindow::timer() {
  const bool failed = lastRebuild_ && !lastRebuild_->ok();
  // Nobody sees the hidden window's status line: the error goes to the
  // console, and the exit code tells a script.
  if (failed) services_.reportError(form_.caption(Control::Label1));
  services_.endProgram(failed ? rebuildFailedExitCode : 0);
}

void MainWindow::columnClick(std::size_t header) { vemdrol::columnClick(list_, header); }

void MainWindow::command1Click() { rebuild(); }

void MainWindow::rebuild() {
  // The rebuild lets queued events run; a click that arrives then must not
  // start a second rebuild inside the first.
  if (!rebuild_ || rebuilding_) return;
  rebuilding_ = true;
  rebuild_();
  rebuilding_ = false;
}

void MainWindow::showFailure(const Error& error) {
  form_.setCaption(Control::Label1, errorMessage(L"", error));
}

void MainWindow::listCommand(int command, std::optional<std::size_t> focusedRow) {
  if (command >= columnCommandBase) {
    const auto column = static_cast<std::size_t>(command - columnCommandBase);
    if (column < list_.columnCount()) showColumn(column, !list_.column(column).shown);
    return;
  }
  const auto oneFile = [&](auto&& action) {
    const std::optional<std::size_t> row = commandRow(list_, focusedRow);
    if (!row || list_.cell(*row, pathCell).empty()) return;
    if (Status done = action(list_.cell(*row, pathCell)); !done) showFailure(done.error());
  };
  const auto copy = [&](const Text& text) {
    if (text.empty()) return;
    if (Status copied = services_.setClipboardText(text); !copied) showFailure(copied.error());
  };
  switch (static_cast<ListCommand>(command)) {
    case ListCommand::copyRows:
      copy(selectedRowsText(list_));
      break;
    case ListCommand::copyPaths:
      copy(selectedPathsText(list_));
      break;
    case ListCommand::openFileLocation:
      oneFile([this](TextView path) { return services_.openFileLocation(path); });
      break;
    case ListCommand::showProperties:
      oneFile([this](TextView path) { return services_.showFileProperties(path); });
      break;
    case ListCommand::selectAll:
      for (std::size_t row = 0; row < list_.rowCount(); ++row) list_.setSelected(row, true);
      break;
  }
}

void MainWindow::columnResized(std::size_t column, long widthTwips) {
  list_.setColumnWidth(column, widthTwips);
  const std::size_t entry = tableIndexOfListColumn(columns_, column);
  if (entry < columns_.widthsTwips.size()) columns_.widthsTwips[entry] = widthTwips;
}

void MainWindow::showColumn(std::size_t column, bool shown) {
  if (column >= list_.columnCount()) return;
  if (!shown) {
    std::size_t others = 0;
    for (std::size_t i = 0; i < list_.columnCount(); ++i) {
      others += i != column && list_.column(i).shown ? 1 : 0;
    }
    if (others == 0) return;
  }
  const std::size_t entry = tableIndexOfListColumn(columns_, column);
  if (entry < columns_.shown.size()) columns_.shown[entry] = shown;
  list_.setColumnShown(column, shown);
}

void MainWindow::connect(const Machine& machine) {
  folder_.emplace(ProgramFolder{machine.files, services_.programFolder()});
  settingsFolder_.emplace(*folder_);
  VersionResourceReader& versions = machine.versions;
  loader_ = [this, &versions](Text& flag) {
    FormStatusLine status(form_);
    CntRead(
        flag, *folder_, list_, skipList_,
        [&versions](TextView path) { return WVerNumber(versions, path); }, status);
  };
  rebuild_ = [this, machine] {
    FormBuildDisplay display(form_, services_);
    ScanParts parts{display,          list_,         columns_,         inventory_, listing_,
                    machine.registry, machine.files, machine.versions, &*folder_,  skipList_};
    // The scan lets queued events run; the button stays disabled meanwhile,
    // so those events cannot start a second rebuild.
    form_.setEnabled(Control::Command1, false);
    lastRebuild_ = runScan(parts);
    form_.setEnabled(Control::Command1, true);
  };
}

}  // namespace vemdrol
