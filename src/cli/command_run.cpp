#include "cli/command_run.h"

#include <optional>
#include <vector>

#include "cli/apps_run.h"
#include "cli/failure_text.h"
#include "cli/inventory_output.h"
#include "export/exporter.h"
#include "files/error_message.h"
#include "rows/saved_rows.h"
#include "scan/scan.h"
#include "vemdrol_version.h"
#include "version/version_number.h"

namespace vemdrol {

namespace {

// A failure of the load is said on the console; the run goes on as
// start-up does.
class ConsoleFailureReport final : public FailureReport {
 public:
  explicit ConsoleFailureReport(Console& console) : console_(console) {}
  void failed(const Failure& failure) override { console_.writeLine(failureText(failure), true); }

 private:
  Console& console_;
};

// A run without a window shows no progress; its failures come back in the
// scan's outcome.
class QuietScanObserver final : public ScanObserver {
 public:
  void failed(const Failure&) override {}
  void onBuild(const BuildEvent&) override {}
  void onScan(const ScanEvent&) override {}
  void letEventsRun() override {}
};

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
    // A mistake in the command line shows before anything is scanned.
    const std::vector<Text> names =
        InventoryOutput::columnNames(!request_.compareWith.empty(), request_.details);
    for (const SortRequest& sort : request_.sort) {
      Result<RowSortKey> key = resolveSortColumn(sort, names);
      if (!key) return usage(machine_.console, key.error().description);
    }
    std::optional<CheckedInventory> older;
    if (!request_.compareWith.empty()) {
      older = readOlder();
      if (!older) return exitFailed;
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

    std::vector<InventoryRecord> rows;
    rows.reserve(list_.rowCount());
    for (std::size_t row = 0; row < list_.rowCount(); ++row) rows.push_back(list_.cells(row));
    InventoryOutput output(std::move(rows));
    if (older) {
      failed |= older->damagedLines > 0;
      output.compareWith(std::move(older->records), request_.changedOnly);
    }
    if (request_.details) {
      DetailReader details(machine_.files, machine_.versions, machine_.signatures);
      output.addDetails(details);
    }
    // Resolved above already, so this cannot fail.
    (void)output.sortBy(request_.sort);
    const ExportInfo info{L"Vemdrol", vemdrolVersion, machine_.now, machine_.computer,
                          L"インストール済みプログラム一覧"};
    for (const OutputTarget& target : request_.outputs) {
      Status written =
          writeWholeFile(machine_.files, target.file, output.bytes(target.format, info));
      if (!written) {
        say(written.error().description, true);
        failed = true;
        continue;
      }
      say(target.file + L" に " + std::to_wstring(output.rowCount()) + L" 行を書き出しました");
    }
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
    ConsoleFailureReport report(machine_.console);
    VersionResourceReader& versions = machine_.versions;
    // As at every start: the saved rows' load sets up the skip list from its
    // file and from a trace log that a killed rebuild left behind.
    loadInventory(
        home_, list_, skipList_, [&versions](TextView path) { return WVerNumber(versions, path); },
        report);
    QuietScanObserver observer;
    ScanParts parts{observer,          list_,          columns_,          inventory_, listing_,
                    machine_.registry, machine_.files, machine_.versions, &home_,     skipList_};
    return runScan(parts);
  }

  // The earlier inventory, read with the inventory file's field rules; its
  // damaged lines are named, and the rest is compared.
  std::optional<CheckedInventory> readOlder() {
    OlderInventory older =
        readOlderInventory(machine_.files, request_.compareWith, request_.compareWith,
                           CheckedInventory::maxNotedDamage);
    if (!older.message.empty()) say(older.message, true);
    return std::move(older.read);
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
  if (request.apps) return runAppsCommand(request, machine);
  return Run(request, machine).run();
}

}  // namespace vemdrol
