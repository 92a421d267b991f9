#include "scan/scan.h"

#include <unordered_set>

#include "apps/app_state.h"
#include "base/paths.h"
#include "files/error_message.h"
#include "files/trace_log.h"
#include "inventory/builder.h"
#include "inventory/registered_servers.h"
#include "state/saved_rows.h"
#include "version/version_memo.h"
#include "version/version_number.h"
#include "version/version_strings.h"

namespace vemdrol {

namespace {

const SkipList noSkipList;

// A set of texts that ignores letter case, for the duplicate tests and the
// folder list: each test is a hash look-up instead of a walk over the list.
class FoldedSet {
 public:
  bool insert(TextView a, TextView b = {}) { return keys_.insert(key(a, b)).second; }
  bool contains(TextView a, TextView b = {}) const { return keys_.count(key(a, b)) > 0; }

 private:
  static Text key(TextView a, TextView b) {
    Text joined = foldCase(a);
    joined += L'\0';
    joined += b;
    return joined;
  }
  std::unordered_set<Text> keys_;
};

bool isExtensionList(TextView type) { return startsWithNoCase(type, L"*."); }

class Scan {
 public:
  explicit Scan(ScanParts& parts)
      : parts_(parts),
        observer_(parts.observer),
        inventory_(parts.inventory),
        list_(parts.list),
        versions_(parts.versions, skipList()) {
    if (parts.home && parts.writesHome) trace_.emplace(*parts.home);
  }

  ScanOutcome run() {
    ScanOutcome outcome;
    outcome.built = build();
    if (!outcome.built) {
      observer_.failed(Failure{Procedure::scan, outcome.built.error()});
      // The log may be the very thing that cannot be written; the failure
      // reported stays either way.
      (void)appendTrace(errorMessage(L"", outcome.built.error()));
    } else if (!builderDone_) {
      outcome.built = builderDone_;
    } else {
      listApps();
    }
    outcome.saved = closingBlock(outcome.built.ok());
    return outcome;
  }

 private:
  Status build() {
    if (trace_) {
      if (Status started = trace_->start(); !started) return started;
    }
    observer_.onScan(ScanStarted{});
    inventory_.reset();
    // Every row of this scan gets a freshly read version.
    inventory_.version.clear();
    // The servers the passes do not read are listed while the registry is
    // still there, and made rows after every row of the passes.
    BuilderParts builder{parts_.registry, parts_.files, observer_, parts_.listing, [this] {
                           servers_ = listRegisteredServers(parts_.registry, observer_);
                           if (parts_.registryDone) parts_.registryDone();
                         }};
    builderDone_ = buildInventory(inventory_, builder);
    rebuildColumns(parts_.columns, list_);
    observer_.onScan(VersionsStarted{});
    if (parts_.home) {
      Text ownFolder = parts_.home->folder;
      if (ownFolder.empty() || ownFolder.back() != L'\\') ownFolder += L'\\';
      addFolder(ownFolder, false);
    }
    // The list hears of new rows when events are let run, not for each row;
    // see letEventsRun.
    HeldRowNotices held(list_);
    if (Status rows = phaseA(); !rows) return rows;
    if (Status scanned = phaseB(); !scanned) return scanned;
    if (Status servers = phaseC(); !servers) return servers;
    return appendTrace(traceEndLine);
  }

  void listApps() {
    if (!parts_.appSources || !parts_.apps) return;
    observer_.onScan(AppsStarted{});
    *parts_.apps = listInstalledApps(*parts_.appSources);
    if (parts_.kept) parts_.kept->put(appsStateTable(*parts_.apps));
  }

  Status appendTrace(TextView line) { return trace_ ? trace_->append(line) : success(); }

  const SkipList& skipList() const { return parts_.skipList ? *parts_.skipList : noSkipList; }

  // The texts, and a failure reported. A file of the
  // folder scan is read afresh for them (see version/version_memo.h).
  VersionStrings versionStrings(TextView path, bool readAfresh) {
    VersionStrings strings =
        readAfresh ? WVerINformation(parts_.versions, path, skipList()) : versions_.strings(path);
    if (strings.outcome == VersionStringsOutcome::failed) {
      observer_.onScan(VersionTextsFailed{strings.statusMessage});
    }
    return strings;
  }

  void addRow(std::size_t i) {
    listed_.insert(inventory_.fullPath[i]);
    list_.addRow({inventory_.fileType[i], inventory_.definition[i], inventory_.appName[i],
                  inventory_.fullPath[i], inventory_.version[i]},
                 0, inventory_.source[i]);
  }

  // A further program file found in the folder, or a server's file: a row
  // of the file's name, its version and its texts, which are read afresh
  // once its path is in the trace log.
  Status addFileRow(const Text& path, const Text& version, Text source) {
    if (Status traced = appendTrace(path); !traced) return traced;
    const VersionStrings strings = versionStrings(path, true);
    const Text name = path.substr(directoryOf(path).size());
    inventory_.append(name, strings.description, strings.legalCopyright, path, 0,
                      std::move(source));
    const std::size_t n = inventory_.size() - 1;
    inventory_.version[n] = version;
    known_.insert(name, version);
    addRow(n);
    return success();
  }

  void selectLastRow() {
    // An empty list has no last row; the folders are scanned all the same.
    if (list_.rowCount() > 0) (void)list_.selectOnly(list_.rowCount() - 1);
  }

  void letEventsRun() {
    // The window may paint now: it must know every row.
    list_.announceRows();
    observer_.letEventsRun();
    selectLastRow();
  }

  void addFolder(const Text& folder, bool eventsMayRun) {
    if (!folders_.insert(folder)) return;
    folderList_.push_back(folder);
    if (eventsMayRun) letEventsRun();
  }

  // Phase A: a row for each entry of the inventory.
  Status phaseA() {
    FoldedSet shown;
    for (std::size_t i = 0; i < inventory_.size(); ++i) {
      if (inventory_.fileType[i].empty()) continue;
      Result<Text> version = versions_.number(inventory_.fullPath[i]);
      if (!version) return version.error();
      const Text& v = version.value();
      // The same file name with the same version is shown once; a library
      // without a version number meets itself here and is not shown.
      if (!isExtensionList(inventory_.fileType[i]) &&
          (v.empty() || shown.contains(inventory_.fileType[i], v))) {
        continue;
      }
      if (inventory_.definition[i].empty() && inventory_.appName[i].empty()) {
        VersionStrings strings = versionStrings(inventory_.fullPath[i], false);
        inventory_.definition[i] = strings.description;
        inventory_.appName[i] = strings.legalCopyright;
      }
      if (inventory_.version[i].empty()) inventory_.version[i] = v;
      addRow(i);
      shown.insert(inventory_.fileType[i], inventory_.version[i]);
      addFolder(directoryOf(inventory_.fullPath[i]), true);
    }
    return success();
  }

  // Phase B: the further program files of every collected folder.
  Status phaseB() {
    // Every entry that is no extension list, row or not, stands for its file
    // name and version.
    for (std::size_t i = 0; i < inventory_.size(); ++i) {
      if (!isExtensionList(inventory_.fileType[i])) {
        known_.insert(inventory_.fileType[i], inventory_.version[i]);
      }
    }
    return scanFolders(0);
  }

  // The folders collected from the first on, and those they bring.
  Status scanFolders(std::size_t first) {
    for (std::size_t k = first; k < folderList_.size(); ++k) {
      const Text& folder = folderList_[k];
      observer_.onScan(FolderScanStarted{folder});
      if (Status traced = appendTrace(folder + folderLineSuffix); !traced) return traced;
      letEventsRun();

      // A folder that cannot be listed (gone since it was collected) has no
      // files to add.
      Result<std::vector<Text>> names = parts_.files.listFiles(folder);
      if (!names) continue;
      for (const Text& name : names.value()) {
        if (!isProgramFileName(name)) continue;
        const Text path = folder + name;
        Result<Text> version = versions_.number(path);
        if (!version) return version.error();
        if (known_.contains(name, version.value())) continue;
        // On disk before the version strings are read: if reading them
        // kills the program, the next start puts this file on the skip list.
        if (Status added = addFileRow(path, version.value(), folder + folderLineSuffix); !added) {
          return added;
        }
      }
    }
    return success();
  }

  // Phase C: the servers that the passes do not read, each file once and
  // only when no row names it yet, so that every row before stays as it
  // was; then the folders they bring that were not scanned.
  Status phaseC() {
    const std::size_t scanned = folderList_.size();
    std::vector<RegisteredServer> servers = std::move(servers_);
    for (RegisteredServer& server : servers) {
      const Text path = server.view == RegistryView::bits32
                            ? redirectedFor32Bit(server.path, parts_.windowsFolder)
                            : std::move(server.path);
      if (listed_.contains(path)) continue;
      Result<bool> present = filePresent(parts_.files, path);
      if (!present || !present.value()) continue;
      Result<Text> version = versions_.number(path);
      if (!version) return version.error();
      if (Status added = addFileRow(path, version.value(), std::move(server.source)); !added) {
        return added;
      }
      addFolder(directoryOf(path), true);
    }
    return scanFolders(scanned);
  }

  Status closingBlock(bool built) {
    Status saved = success();
    if (parts_.home && parts_.writesHome) {
      const KeptTables none;
      saved = saveInventory(*parts_.home, list_, parts_.skipList, parts_.kept ? *parts_.kept : none,
                            observer_);
    }
    // A failure reported stays the last word: the end is announced only
    // when nothing failed.
    if (built && saved.ok()) observer_.onScan(RebuildFinished{});
    observer_.onScan(ScanEnded{});
    // The list rows are now the only full copy of the inventory.
    inventory_.keepOnlyFirst();
    return saved;
  }

  ScanParts& parts_;
  ScanObserver& observer_;
  Inventory& inventory_;
  ListModel& list_;
  std::optional<TraceLog> trace_;
  Status builderDone_ = success();
  FoldedSet folders_;
  std::vector<Text> folderList_;
  // The rows' paths, and the file names with versions that the folder scan
  // passes over.
  FoldedSet listed_;
  FoldedSet known_;
  std::vector<RegisteredServer> servers_;
  // Each file's version number is read once a scan, however often it is
  // named.
  VersionMemo versions_;
};

}  // namespace

bool isProgramFileName(TextView name) {
  return endsWithNoCase(name, L".EXE") || endsWithNoCase(name, L".DLL") ||
         endsWithNoCase(name, L".OCX") || endsWithNoCase(name, L".AX");
}

ScanOutcome runScan(ScanParts& parts) { return Scan(parts).run(); }

}  // namespace vemdrol
