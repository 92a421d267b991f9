#include "cli/command_run.h"

#include <optional>
#include <vector>

#include "cli/apps_run.h"
#include "cli/failure_text.h"
#include "cli/inventory_output.h"
#include "export/exporter.h"
#include "files/error_message.h"
#include "scan/scan.h"
#include "state/saved_rows.h"
#include "trust/signature_memo.h"
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
    std::vector<Text> sources;
    rows.reserve(list_.rowCount());
    sources.reserve(list_.rowCount());
    for (std::size_t row = 0; row < list_.rowCount(); ++row) {
      rows.push_back(list_.cells(row));
      sources.push_back(list_.source(row));
    }
    InventoryOutput output(std::move(rows), std::move(sources));
    if (older) {
      failed |= older->damagedLines > 0;
      output.compareWith(std::move(older->records), request_.changedOnly, older->wholeTexts);
    }
    // Each file's signature is read once, for the filter and the columns.
    std::optional<SignatureMemo> signatures;
    if (machine_.signatures) signatures.emplace(*machine_.signatures);
    if (signatures) output.filterBySignature(request_.signatureFilter, *signatures);
    if (request_.details) {
      DetailReader details(machine_.files, machine_.versions, signatures ? &*signatures : nullptr);
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
    Result<std::optional<SavedRows>> saved = readSavedRows(home_);
    const Text path = home_.path(inventoryFileReadName);
    if (!saved) {
      say(L"保存された一覧 " + path + L" を読めません: " + errorMessage(L"", saved.error()), true);
      return false;
    }
    if (!saved.value()) {
      say(L"保存された一覧 " + path + L" がありません", true);
      return false;
    }
    if (saved.value()->fullTextsUnavailable) {
      say(fullTextsUnavailableText(*saved.value()->fullTextsUnavailable), true);
    }
    HeldRowNotices held(list_);
    for (KeptRow& row : saved.value()->rows) {
      list_.addRow(std::move(row.cells), 0, std::move(row.source));
    }
    return true;
  }

  ScanOutcome scan() {
    ConsoleFailureReport report(machine_.console);
    VersionResourceReader& versions = machine_.versions;
    // As at every start: the saved rows' load sets up the skip list from its
    // file and from a trace log that a killed rebuild left behind. Beside
    // another copy nothing is saved: the skip list is only read.
    if (machine_.writesFolder) {
      loadInventory(
          home_, list_, skipList_, kept_,
          [&versions](TextView path) { return WVerNumber(versions, path); }, report);
    } else {
      skipList_ = readSkipList(home_);
    }
    QuietScanObserver observer;
    ScanParts parts{observer,          list_,          columns_,          inventory_, listing_,
                    machine_.registry, machine_.files, machine_.versions, &home_,     skipList_};
    parts.kept = &kept_;
    parts.writesHome = machine_.writesFolder;
    parts.windowsFolder = machine_.windowsFolder;
    // The applications are listed and kept with every rebuild, as the
    // window's own does, so that /apps /saved and the next start have them.
    const AppSources appSources{&machine_.registry,
                                {{currentUserName(machine_.registry), &machine_.registry}},
                                &machine_.files};
    parts.appSources = &appSources;
    parts.apps = &apps_;
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
  KeptTables kept_;
  std::vector<InstalledApp> apps_;
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
