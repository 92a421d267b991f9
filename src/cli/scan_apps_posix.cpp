#include <unistd.h>

#include <cerrno>

#include "apps/app_lister.h"
#include "base/utf8.h"
#include "cli/apps_output.h"
#include "cli/scan_apps.h"
#include "cli/scan_words.h"
#include "export/exporter.h"
#include "offline/target.h"
#include "os/posix/filesystem.h"
#include "vemdrol_version.h"

namespace vemdrol {

namespace {

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

int runAppsScan(const ScanRequest& request, const ScanEnvironment& environment) {
  const ScanWords words(environment.japanese);
  const auto say = [&](TextView message) {
    writeAll(environment.errorFd, "vemdrol-scan: " + toUtf8(message) + "\n");
  };
  const std::vector<Text> names =
      AppsOutput::columnNames(request.compareWith.has_value(), request.allApps);
  for (const SortRequest& sort : request.sort) {
    if (!resolveSortColumn(sort, names)) {
      say(words.problem({ScanProblem::Kind::unknownSortColumn, toUtf8(sort.column)}));
      writeAll(environment.errorFd, toUtf8(words.seeHelp()) + "\n");
      return 2;
    }
  }
  PosixFileSystem local;
  std::optional<std::vector<AppRecord>> older;
  if (request.compareWith) {
    const Text path = decodeUtf8(*request.compareWith).value_or(Text());
    OlderApps read = readOlderApps(local, path, path);
    if (!read.message.empty() && words.japanese()) say(read.message);
    if (!read.message.empty() && !words.japanese()) {
      // The reason asked of the file again: the file itself, or its content.
      Result<std::string> bytes = local.readFile(path);
      say(ScanWords::olderUnreadable(
          path, !bytes ? words.error(bytes.error())
                       : Text(L"neither a JSON export of Vemdrol nor an inventory file with the "
                              L"applications kept beside it")));
    }
    if (!read.records) return 1;
    older = std::move(read.records);
  }

  // Only the keys the listing reads, of the machine and of every user.
  const TargetReading reading{false, appMachineSubtrees(), appUserSubtrees()};
  Result<OfflineTarget> opened = openTarget(request.target, std::nullopt, reading);
  if (!opened) {
    say(words.error(opened.error()));
    return 1;
  }
  OfflineTarget& target = opened.value();
  for (const Error& warning : target.warnings) say(words.error(warning));
  AppSources sources{target.machine.get(), {}, target.files.get()};
  for (const OfflineUser& user : target.users)
    sources.users.push_back({user.name, user.registry.get()});

  AppsOutput output(listInstalledApps(sources), request.allApps);
  if (older) output.compareWith(*older, request.changedOnly);
  // Resolved above already, so this cannot fail.
  (void)output.sortBy(request.sort);
  const ExportInfo info{L"Vemdrol", vemdrolVersion, environment.now, target.computerName,
                        L"インストール済みアプリ一覧"};
  const std::string bytes = output.bytes(request.format, info);
  if (!request.output) {
    writeAll(environment.outputFd, bytes);
    return 0;
  }
  const std::optional<Text> path = decodeUtf8(*request.output);
  if (!path) {
    say(words.outputNameNotUtf8());
    return 1;
  }
  if (Status written = local.replaceFile(*path, bytes); !written) {
    say(words.cannotWrite(*path, written.error()));
    return 1;
  }
  return 0;
}

}  // namespace vemdrol
