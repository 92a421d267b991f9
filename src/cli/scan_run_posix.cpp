#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "base/utf8.h"
#include "cli/inventory_output.h"
#include "cli/scan_apps.h"
#include "cli/scan_run.h"
#include "cli/scan_trust.h"
#include "cli/scan_unreadable.h"
#include "cli/scan_words.h"
#include "export/exporter.h"
#include "offline/target.h"
#include "os/pe_version_reader.h"
#include "os/posix/errors.h"
#include "os/posix/filesystem.h"
#include "scan/scan.h"
#include "state/kept_inventory.h"
#include "trust/signature_memo.h"
#include "vemdrol_version.h"

namespace vemdrol {

namespace {

constexpr int exitSuccess = 0;
constexpr int exitFailed = 1;
constexpr int exitBadCommandLine = 2;

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// One line on standard error that keeps being rewritten while the scan runs:
// the phase, the registry keys opened and the program files read.
class ProgressLine final : public ScanObserver {
 public:
  ProgressLine(const ScanEnvironment& environment) : environment_(environment) {}
  ~ProgressLine() override {
    if (shown_) writeAll(environment_.errorFd, "\r\x1b[K");
  }

  void keyOpened() {
    ++keys_;
    show(false);
  }
  void fileRead() {
    ++files_;
    show(false);
  }

  void onScan(const ScanEvent& event) override {
    if (std::holds_alternative<VersionsStarted>(event)) {
      phase_ = environment_.japanese ? "ファイル" : "files";
      show(true);
    }
  }
  void onBuild(const BuildEvent&) override {}
  // The failure that ends the scan comes back in its outcome; those the scan
  // goes on after are not told.
  void failed(const Failure&) override {}
  void letEventsRun() override {}

 private:
  void show(bool now) {
    if (!environment_.progress) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - last_ < std::chrono::milliseconds(100)) return;
    last_ = time;
    shown_ = true;
    const std::string line =
        environment_.japanese ? "\r\x1b[K" + phase_ + ": レジストリ キー " + std::to_string(keys_) +
                                    "、ファイル " + std::to_string(files_)
                              : "\r\x1b[K" + phase_ + ": " + std::to_string(keys_) +
                                    " registry keys, " + std::to_string(files_) + " files";
    writeAll(environment_.errorFd, line);
  }

  const ScanEnvironment& environment_;
  std::string phase_ = environment_.japanese ? "レジストリ" : "registry";
  std::size_t keys_ = 0;
  std::size_t files_ = 0;
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
};

class CountingRegistry final : public Registry {
 public:
  CountingRegistry(Registry& inner, ProgressLine& progress) : inner_(inner), progress_(progress) {}
  std::unique_ptr<RegistryKey> open(RegistryRoot root, TextView subKey) override {
    progress_.keyOpened();
    return inner_.open(root, subKey);
  }
  std::unique_ptr<RegistryKey> openInView(RegistryRoot root, TextView subKey,
                                          RegistryView view) override {
    progress_.keyOpened();
    return inner_.openInView(root, subKey, view);
  }

 private:
  Registry& inner_;
  ProgressLine& progress_;
};

class CountingVersionReader final : public VersionResourceReader {
 public:
  CountingVersionReader(VersionResourceReader& inner, ProgressLine& progress)
      : inner_(inner), progress_(progress) {}
  Result<std::optional<VersionResource>> versionResourceOf(TextView path) override {
    progress_.fileRead();
    return inner_.versionResourceOf(path);
  }

 private:
  VersionResourceReader& inner_;
  ProgressLine& progress_;
};

class Run {
 public:
  Run(const ScanRequest& request, const ScanEnvironment& environment)
      : request_(request), environment_(environment), words_(environment.japanese) {}

  int run() {
    switch (request_.mode) {
      case ScanRequest::Mode::help:
        writeAll(environment_.outputFd, scanHelpText(environment_.japanese));
        return exitSuccess;
      case ScanRequest::Mode::version:
        writeAll(environment_.outputFd, "vemdrol-scan " + toUtf8(vemdrolVersion) + "\n");
        return exitSuccess;
      case ScanRequest::Mode::badCommandLine:
        return bad(request_.problem);
      case ScanRequest::Mode::run:
        break;
    }
    if (request_.apps) return runAppsScan(request_, environment_);
    const std::vector<Text> names =
        InventoryOutput::columnNames(request_.compareWith.has_value(), request_.details);
    for (const SortRequest& sort : request_.sort) {
      if (!resolveSortColumn(sort, names)) {
        return bad({ScanProblem::Kind::unknownSortColumn, toUtf8(sort.column)});
      }
    }
    if (request_.against && request_.details)
      return bad({ScanProblem::Kind::detailsNeedTarget, {}});

    std::optional<CheckedInventory> older;
    if (request_.compareWith) {
      older = readInventory(*request_.compareWith);
      if (!older) return exitFailed;
    }
    bool failed = older && older->damagedLines > 0;

    std::vector<InventoryRecord> rows;
    std::vector<Text> sources;
    std::optional<OfflineTarget> target;
    if (request_.against) {
      std::optional<CheckedInventory> newer = readInventory(*request_.against);
      if (!newer) return exitFailed;
      failed |= newer->damagedLines > 0;
      rows = std::move(newer->records);
    } else {
      Result<OfflineTarget> opened = openTarget(request_.target, request_.user);
      if (!opened) return fail(words_.error(opened.error()));
      target.emplace(std::move(opened).value());
      // The registry files were read whole; what is left of them in the
      // heap goes back before the build needs room of its own.
      ::malloc_trim(0);
      if (!scan(*target, rows, sources)) return exitFailed;
    }

    InventoryOutput output(std::move(rows), std::move(sources));
    if (older) {
      output.compareWith(std::move(older->records), request_.changedOnly, older->wholeTexts);
    }
    if (target && (request_.details || request_.signatureFilter.any())) {
      const TargetTrust trust =
          loadTargetTrust(*target, environment_.now.time_since_epoch().count(), words_,
                          [this](TextView warning) { say(warning); });
      const auto reader = makeTargetSignatureReader(*target->files, trust);
      SignatureMemo signatures(*reader);
      output.filterBySignature(request_.signatureFilter, signatures);
      if (request_.details) {
        PeVersionResourceReader versions(*target->files);
        DetailReader details(*target->files, versions, &signatures);
        output.addDetails(details);
      }
    }
    (void)output.sortBy(request_.sort);
    const ExportInfo info{L"Vemdrol", vemdrolVersion, environment_.now,
                          target ? target->computerName : Text(),
                          L"インストール済みプログラム一覧"};
    const std::string bytes = output.bytes(request_.format, info);
    if (!request_.output) {
      writeAll(environment_.outputFd, bytes);
    } else {
      std::optional<Text> path = decodeUtf8(*request_.output);
      if (!path) return fail(words_.outputNameNotUtf8());
      if (Status written = local_.replaceFile(*path, bytes); !written) {
        return fail(words_.cannotWrite(*path, written.error()));
      }
    }
    if (unreadable_ > 0) say(words_.unreadableCount(unreadable_));
    return failed ? exitFailed : exitSuccess;
  }

 private:
  int bad(const ScanProblem& problem) {
    say(words_.problem(problem));
    writeAll(environment_.errorFd, toUtf8(words_.seeHelp()) + "\n");
    return exitBadCommandLine;
  }

  void say(TextView message) {
    writeAll(environment_.errorFd, "vemdrol-scan: " + toUtf8(message) + "\n");
  }

  int fail(TextView message) {
    say(message);
    return exitFailed;
  }

  // An inventory file, read line by line; damaged lines are named.
  std::optional<CheckedInventory> readInventory(const std::string& file) {
    const Text path = decodeUtf8(file).value_or(Text());
    OlderInventory read = readOlderInventory(local_, path, path, CheckedInventory::maxNotedDamage);
    if (!read.message.empty()) say(words_.japanese() ? read.message : olderInEnglish(read, path));
    return std::move(read.read);
  }

  // What the comparison said of an earlier inventory, in English: its
  // damaged lines, or why it could not be read, asked of the file again.
  Text olderInEnglish(const OlderInventory& read, const Text& path) {
    if (read.read) {
      return ScanWords::olderDamaged(path, read.read->damagedLines, read.read->damaged,
                                     CheckedInventory::maxNotedDamage);
    }
    Result<std::string> bytes = local_.readFile(path);
    if (!bytes) {
      return ScanWords::olderUnreadable(
          path, std::to_wstring(bytes.error().number) + L" " + words_.error(bytes.error()));
    }
    const auto state = readStateAlone(bytes.value());
    const auto* why = std::get_if<StateUnavailable>(&state);
    return ScanWords::olderUnreadable(
        path, why && *why == StateUnavailable::newerVersion
                  ? L"a later version of Vemdrol saved it in a form this one cannot read"
                  : L"it is damaged");
  }

  // The rows with their sources, or false when the scan failed.
  bool scan(OfflineTarget& target, std::vector<InventoryRecord>& rows, std::vector<Text>& sources) {
    ProgressLine progress(environment_);
    CountingRegistry registry(*target.registry, progress);
    UnreadableFiles files(*target.files, [this, &target](TextView path, const Error& error) {
      Result<std::string> native = target.files->nativePath(path);
      say(words_.unreadableFile(path, decodeUtf8(native ? native.value() : "").value_or(Text()),
                                fileReadError(static_cast<int>(error.number))));
    });
    PeVersionResourceReader pe(files);
    CountingVersionReader versions(pe, progress);
    ListModel list;
    ColumnTable columns;
    columns.fill();
    Inventory inventory;
    RegistryListing listing;
    // The names Vemdrol never reads on any machine; a system that is not
    // running has no trace log of its own to add to them.
    const std::optional<SkipList> skipList = builtInSkipList();
    // The target's registry is let go as soon as the build has read it.
    ScanParts parts{progress,
                    list,
                    columns,
                    inventory,
                    listing,
                    registry,
                    files,
                    versions,
                    nullptr,
                    skipList,
                    [&target] { target.registry.reset(); }};
    parts.windowsFolder = target.windowsFolder;
    const ScanOutcome outcome = runScan(parts);
    unreadable_ = files.count();
    if (!outcome.built) {
      say(words_.scanFailed(outcome.built.error()));
      return false;
    }
    rows.reserve(list.rowCount());
    sources.reserve(list.rowCount());
    for (std::size_t row = 0; row < list.rowCount(); ++row) {
      rows.push_back(list.cells(row));
      sources.push_back(list.source(row));
    }
    return true;
  }

  const ScanRequest& request_;
  const ScanEnvironment& environment_;
  const ScanWords words_;
  // The target's program files that could not be read, for the closing line.
  std::size_t unreadable_ = 0;
  // This machine's own files: the output and the inventory files compared,
  // by their Linux paths.
  PosixFileSystem local_;
};

}  // namespace

int runScanCommand(const ScanRequest& request, const ScanEnvironment& environment) {
  return Run(request, environment).run();
}

}  // namespace vemdrol
