#include "cli/apps_run.h"

#include <variant>

#include "apps/app_lister.h"
#include "apps/app_state.h"
#include "cli/apps_output.h"
#include "export/exporter.h"
#include "files/program_files.h"
#include "formats/state/state_file.h"
#include "state/kept_inventory.h"
#include "vemdrol_version.h"

namespace vemdrol {

namespace {

// The list the last rebuild kept in the state file beside the inventory
// file; nullopt, said on the console, when there is none.
std::optional<std::vector<InstalledApp>> keptApps(CommandLineMachine& machine) {
  const ProgramFolder home{machine.files, machine.programFolder};
  const Text path = stateFilePathFor(home.path(inventoryFileReadName));
  Result<std::string> bytes = machine.files.readFile(path);
  if (bytes) {
    const auto file = readStateFile(bytes.value());
    if (const StateFile* read = std::get_if<StateFile>(&file)) {
      if (const StateTable* table = read->table(appsTableName)) {
        if (std::optional<std::vector<InstalledApp>> apps = appsOfStateTable(*table)) return apps;
      }
    }
  }
  machine.console.writeLine(L"保存されたアプリの一覧 " + path + L" がありません", true);
  return std::nullopt;
}

}  // namespace

int runAppsCommand(const CommandLineRequest& request, CommandLineMachine& machine) {
  Console& console = machine.console;
  for (const OutputTarget& target : request.outputs) {
    if (target.format == OutputFormat::inventoryFile) {
      console.writeLine(L"アプリの一覧は一覧ファイルの形式では書き出せません", true);
      console.writeLine(usageText(), true);
      return exitBadCommandLine;
    }
  }
  const std::vector<Text> names =
      AppsOutput::columnNames(!request.compareWith.empty(), request.allApps);
  for (const SortRequest& sort : request.sort) {
    Result<RowSortKey> key = resolveSortColumn(sort, names);
    if (!key) {
      console.writeLine(key.error().description, true);
      console.writeLine(usageText(), true);
      return exitBadCommandLine;
    }
  }
  std::optional<std::vector<AppRecord>> older;
  if (!request.compareWith.empty()) {
    OlderApps read = readOlderApps(machine.files, request.compareWith, request.compareWith);
    if (!read.message.empty()) console.writeLine(read.message, true);
    if (!read.records) return exitFailed;
    older = std::move(read.records);
  }

  std::vector<InstalledApp> apps;
  if (request.saved) {
    std::optional<std::vector<InstalledApp>> kept = keptApps(machine);
    if (!kept) return exitFailed;
    apps = std::move(*kept);
  } else {
    const AppUser user{currentUserName(machine.registry), &machine.registry};
    apps = listInstalledApps(AppSources{&machine.registry, {user}, &machine.files});
  }

  AppsOutput output(apps, request.allApps);
  if (older) output.compareWith(*older, request.changedOnly);
  // Resolved above already, so this cannot fail.
  (void)output.sortBy(request.sort);
  const ExportInfo info{L"Vemdrol", vemdrolVersion, machine.now, machine.computer,
                        L"インストール済みアプリ一覧"};
  bool failed = false;
  for (const OutputTarget& target : request.outputs) {
    Status written = writeWholeFile(machine.files, target.file, output.bytes(target.format, info));
    if (!written) {
      console.writeLine(written.error().description, true);
      failed = true;
      continue;
    }
    console.writeLine(target.file + L" に " + std::to_wstring(output.rowCount()) +
                      L" 行を書き出しました");
  }
  return failed ? exitFailed : exitSuccess;
}

}  // namespace vemdrol
