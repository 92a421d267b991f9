// The scan: builds the inventory from the registry, turns it into list rows
// with version numbers and version texts, adds the further program files of
// the programs' folders, then the COM servers the builder does not read
// (inventory/registered_servers.h) and the further files of their folders,
// traces every step and saves the list. Each row carries its source: the
// registry key that named its file, or the folder scan that found it. The
// window's rebuild, the command line and the scanner of other systems all
// run it.
#pragma once

#include <functional>
#include <optional>
#include <variant>

#include "apps/app_lister.h"
#include "files/program_files.h"
#include "files/skip_list.h"
#include "inventory/build_events.h"
#include "inventory/inventory.h"
#include "inventory/registry_listing.h"
#include "os/filesystem.h"
#include "os/registry.h"
#include "os/version_resource.h"
#include "rows/column_table.h"
#include "rows/list_model.h"
#include "state/kept_inventory.h"

namespace vemdrol {

// What a scan reports beyond its builder's events, in the order they happen.
// The scan starts; its progress counts from here.
struct ScanStarted {};
// The rows are made, each with its version number and texts.
struct VersionsStarted {};
// The further program files of a folder (ending in "\") are looked for.
struct FolderScanStarted {
  Text folder;
};
// A file's version texts could not be read; the message is the version
// reader's own (version/version_strings.h).
struct VersionTextsFailed {
  Text message;
};
// The installed applications are listed, after the program files.
struct AppsStarted {};
// The scan ended and nothing failed, its save included.
struct RebuildFinished {};
// The scan ends, whatever happened; its progress is over.
struct ScanEnded {};

using ScanEvent = std::variant<ScanStarted, VersionsStarted, FolderScanStarted, VersionTextsFailed,
                               AppsStarted, RebuildFinished, ScanEnded>;

// Who hears what a scan does, and where it lets the world in.
class ScanObserver : public BuildReport {
 public:
  virtual void onScan(const ScanEvent& event) = 0;
  // The only two points where queued window events may run: after a new
  // program folder is collected, and before each folder is scanned. The list
  // has heard of every row by then.
  virtual void letEventsRun() = 0;
};

struct ScanParts {
  ScanObserver& observer;
  ListModel& list;
  const ColumnTable& columns;
  Inventory& inventory;
  RegistryListing& listing;
  Registry& registry;
  // The files of the machine scanned: the programs and their folders.
  FileSystem& files;
  VersionResourceReader& versions;
  // The program's own folder: scanned first, and where the trace log, the
  // inventory file and the skip list lie. nullptr for a system the program
  // does not run on: no own folder, nothing traced or saved.
  const ProgramFolder* home;
  const std::optional<SkipList>& skipList;
  // Called once the scan no longer reads the registry.
  std::function<void()> registryDone = {};
  // false: the program's own folder is scanned first as always, but
  // nothing is written there, neither trace log nor saved files: another
  // copy of the program holds the folder.
  bool writesHome = true;
  // The tables the state file keeps beside the rows, saved with them; the
  // parts of the scan that make a table put it here before the save.
  // nullptr: none (a scan that saves nothing).
  KeptTables* kept = nullptr;
  // The Windows folder of the machine scanned ("C:\Windows"), where a
  // 32-bit server's System32 files lie in SysWOW64; empty: none is known,
  // and 32-bit paths are taken as they are.
  Text windowsFolder = {};
  // Where the installed applications are listed from once the program
  // files are done, reading the registry again; the list goes to apps and,
  // as its own table, to kept before the save. nullptr: none are listed (a
  // scan whose registry is let go early, see registryDone). A scan that
  // fails leaves both as they were.
  const AppSources* appSources = nullptr;
  std::vector<InstalledApp>* apps = nullptr;
};

// How a scan ended. Every failure has been reported already.
struct ScanOutcome {
  // The error that cut the scan short (also the trace log's last line), or
  // a builder that could not finish.
  Status built = success();
  Status saved = success();
  bool ok() const { return built.ok() && saved.ok(); }
};

// Runs the whole scan, the list's rows ending as its result.
ScanOutcome runScan(ScanParts& parts);

// Whether a file name is a program file of the kinds the folder scan adds.
bool isProgramFileName(TextView name);

}  // namespace vemdrol
