#include "cli/command_run.h"

#include <optional>
#include <vector>

#include "export/exporter.h"
#include "files/error_message.h"
#include "rows/saved_rows.h"
#include "scan/scan.h"
#include "vemdrol_version.h"
#include "version/version_number.h"

namespace vemdrol {

namespace {

// Everything a load shows in the status line is a failure; the run goes on
// as start-up does, and says so.
class ConsoleStatusLine final : public StatusLine {
 public:
  explicit ConsoleStatusLine(Console& console) : console_(console) {}
  void showStatus(TextView text) override { console_.writeLine(text, true); }

 private:
  Console& console_;
};

// A run without a window shows no progress; its failures come back in the
// scan's outcome.
class QuietScanObserver final : public ScanObserver {
 public:
  void showStatus(TextView) override {}
  void progress(TextView, double, TextView, double, double) override {}
  void setBusy(bool) override {}
  void showProgressRows(bool) override {}
  void letEventsRun() override {}
};

class ListRows final : public ExportRows {
 public:
  explicit ListRows(const ListModel& list) : list_(list) {}
  std::size_t rowCount() const override { return list_.rowCount(); }
  TextView cell(std::size_t row, std::size_t column) const override {
    return list_.cell(row, column);
  }

 private:
  const ListModel& list_;
};

ExportFormat exportFormatOf(OutputFormat format) {
  switch (format) {
    case OutputFormat::tabSeparated:
      return ExportFormat::tabSeparated;
    case OutputFormat::html:
      return ExportFormat::html;
    case OutputFormat::json:
      return ExportFormat::json;
    case OutputFormat::csv:
    case OutputFormat::inventoryFile:
      break;
  }
  return ExportFormat::csv;
}

int usage(Console& console, TextView problem) {
  if (!problem.empty()) console.writeLine(problem, true);
  console.writeLine(usageText(), !problem.empty());
  return problem.empty() ? exitSuccess : exitBadCommandLine;
}

class Run {
 public:
  Run(const CommandLineRequest& request, CommandLineMachine& machine)
      : request_(request), machine_(machine), home_{machine.files, machine.programFolder} {
    columns_.fill();
    rebuildColumns(columns_, list_);
  }

  int run() {
    std::vector<RowSortKey> keys;
    for (const SortRequest& sort : request_.sort) {
      Result<RowSortKey> key = resolveSortColumn(sort, columns_.names);
      if (!key) return usage(machine_.console, key.error().description);
      keys.push_back(key.value());
    }
    bool failed = false;
    if (request_.saved) {
      if (!loadSaved()) return exitFailed;
    } else {
      const ScanOutcome outcome = scan();
      if (!outcome.built) {
        say(L"一覧の作成に失敗しました: " + errorMessage(L"", outcome.built.error()), true);
        return exitFailed;
      }
      if (!outcome.saved) {
        say(L"一覧を保存できませんでした: " + errorMessage(L"", outcome.saved.error()), true);
        failed = true;
      }
    }
    if (!keys.empty()) list_.sortBy(keys);
    for (const OutputTarget& output : request_.outputs) failed |= !write(output);
    return failed ? exitFailed : exitSuccess;
  }

 private:
  void say(TextView line, bool error = false) { machine_.console.writeLine(line, error); }

  bool loadSaved() {
    Result<std::optional<std::vector<InventoryRecord>>> records = readSavedRecords(home_);
    const Text path = home_.path(inventoryFileReadName);
    if (!records) {
      say(L"保存された一覧 " + path + L" を読めません: " + errorMessage(L"", records.error()),
          true);
      return false;
    }
    if (!records.value()) {
      say(L"保存された一覧 " + path + L" がありません", true);
      return false;
    }
    HeldRowNotices held(list_);
    for (InventoryRecord& record : *records.value()) list_.addRow(std::move(record));
    return true;
  }

  ScanOutcome scan() {
    ConsoleStatusLine status(machine_.console);
    Text flag;
    VersionResourceReader& versions = machine_.versions;
    // As at every start: the saved rows' load sets up the skip list from its
    // file and from a trace log that a killed rebuild left behind.
    CntRead(
        flag, home_, list_, skipList_,
        [&versions](TextView path) { return WVerNumber(versions, path); }, status);
    QuietScanObserver observer;
    ScanParts parts{observer,          list_,          columns_,          inventory_, listing_,
                    machine_.registry, machine_.files, machine_.versions, &home_,     skipList_};
    return runScan(parts);
  }

  bool write(const OutputTarget& output) {
    ListRows rows(list_);
    std::vector<ExportColumn> columns = inventoryColumns();
    ExportTable table{{L"Vemdrol", vemdrolVersion, machine_.now, machine_.computer,
                       L"インストール済みプログラム一覧"},
                      std::move(columns),
                      rows};
    Status written = writeExport(machine_.files, output.file, table, exportFormatOf(output.format));
    if (!written) {
      say(written.error().description, true);
      return false;
    }
    say(output.file + L" に " + std::to_wstring(list_.rowCount()) + L" 行を書き出しました");
    return true;
  }

  const CommandLineRequest& request_;
  CommandLineMachine& machine_;
  ProgramFolder home_;
  ColumnTable columns_;
  ListModel list_;
  Inventory inventory_;
  RegistryListing listing_;
  std::optional<SkipList> skipList_;
};

}  // namespace

int runCommandLine(const CommandLineRequest& request, CommandLineMachine& machine) {
  switch (request.mode) {
    case CommandLineRequest::Mode::usage:
      return usage(machine.console, L"");
    case CommandLineRequest::Mode::badCommandLine:
      return usage(machine.console, request.problem);
    case CommandLineRequest::Mode::window:
    case CommandLineRequest::Mode::run:
      break;
  }
  return Run(request, machine).run();
}

}  // namespace vemdrol
