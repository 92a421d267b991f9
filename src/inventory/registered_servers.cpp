#include "inventory/registered_servers.h"

#include <array>
#include <new>

#include "base/paths.h"
#include "inventory/registry_listing.h"

namespace vemdrol {

namespace {

constexpr TextView classesRootName = L"HKEY_CLASSES_ROOT\\";
// The 32-bit view's classes as they show under HKEY_CLASSES_ROOT of the
// 64-bit view, the name Windows gives that key.
constexpr TextView view32Name = L"WOW6432Node\\";
constexpr TextView libraryKey = L"InprocServer32";
constexpr TextView localServerKey = L"LocalServer32";

class ServerWalk {
 public:
  ServerWalk(Registry& registry, BuildReport& report) : registry_(registry), report_(report) {}

  std::vector<RegisteredServer> run() {
    std::vector<RegisteredServer> libraries32;
    std::vector<RegisteredServer> local64;
    std::vector<RegisteredServer> local32;
    try {
      const std::vector<Text> classes64 = classNames(RegistryView::bits64);
      const std::vector<Text> classes32 = classNames(RegistryView::bits32);
      const long long last = static_cast<long long>(classes64.size() + classes32.size()) - 1;
      long long step = 0;
      report_.onBuild(StepsReset{});
      for (const Text& name : classes64) {
        if (auto server = localServer(name, RegistryView::bits64)) local64.push_back(*server);
        report_.onBuild(StepReached{step++, last});
      }
      for (const Text& name : classes32) {
        if (auto server = library(name)) libraries32.push_back(*server);
        if (auto server = localServer(name, RegistryView::bits32)) local32.push_back(*server);
        report_.onBuild(StepReached{step++, last});
      }
    } catch (const std::bad_alloc&) {
      fail(faultError(Fault::outOfMemory, 7));
    }
    std::vector<RegisteredServer> servers = std::move(libraries32);
    for (auto* more : {&local64, &local32}) {
      servers.insert(servers.end(), std::make_move_iterator(more->begin()),
                     std::make_move_iterator(more->end()));
    }
    return servers;
  }

 private:
  void fail(const Error& error) { report_.failed(Failure{Procedure::listKey, error}); }

  std::vector<Text> classNames(RegistryView view) {
    std::vector<Text> names;
    const std::unique_ptr<RegistryKey> classes =
        registry_.openInView(RegistryRoot::classesRoot, L"CLSID", view);
    if (!classes) return names;
    for (std::uint32_t index = 0;; ++index) {
      Result<std::optional<Text>> name = classes->subkeyName(index);
      if (!name) {
        fail(name.error());
        break;
      }
      if (!name.value()) break;
      names.push_back(std::move(*name.value()));
    }
    return names;
  }

  // The key's default value as the passes read it; nothing for a key that
  // is not there or has none.
  std::optional<Text> serverText(const Text& subKey, RegistryView view) {
    const std::unique_ptr<RegistryKey> key =
        registry_.openInView(RegistryRoot::classesRoot, subKey, view);
    if (!key) return std::nullopt;
    Result<std::optional<RegistryData>> value = key->defaultValue();
    if (!value) {
      fail(value.error());
      return std::nullopt;
    }
    if (!value.value()) return std::nullopt;
    return dataText(*value.value());
  }

  static Text subKeyOf(const Text& name, TextView server) {
    return L"CLSID\\" + name + L"\\" + Text(server);
  }

  static Text sourceOf(const Text& subKey, RegistryView view) {
    Text source(classesRootName);
    if (view == RegistryView::bits32) source += view32Name;
    return source + subKey;
  }

  std::optional<RegisteredServer> library(const Text& name) {
    const Text subKey = subKeyOf(name, libraryKey);
    std::optional<Text> path = serverText(subKey, RegistryView::bits32);
    if (!path) return std::nullopt;
    const Text folder = directoryOf(*path);
    if (startsWithNoCase(*path, L"%SystemRoot%") || folder.empty() ||
        folder.size() == path->size()) {
      return std::nullopt;
    }
    return RegisteredServer{std::move(*path), sourceOf(subKey, RegistryView::bits32),
                            RegistryView::bits32};
  }

  std::optional<RegisteredServer> localServer(const Text& name, RegistryView view) {
    const Text subKey = subKeyOf(name, localServerKey);
    const std::optional<Text> command = serverText(subKey, view);
    if (!command) return std::nullopt;
    Text program = exePathOf(*command);
    if (program.empty()) return std::nullopt;
    return RegisteredServer{std::move(program), sourceOf(subKey, view), view};
  }

  Registry& registry_;
  BuildReport& report_;
};

// The subfolders of System32 that a 32-bit program reaches as they are.
constexpr std::array<TextView, 6> notRedirected = {L"catroot",      L"catroot2", L"driverstore",
                                                   L"drivers\\etc", L"logfiles", L"spool"};

bool startsWithFolder(TextView path, TextView folder) {
  return startsWithNoCase(path, folder) &&
         (path.size() == folder.size() || path[folder.size()] == L'\\');
}

}  // namespace

std::vector<RegisteredServer> listRegisteredServers(Registry& registry, BuildReport& report) {
  return ServerWalk(registry, report).run();
}

Text redirectedFor32Bit(TextView path, TextView windowsFolder) {
  while (!windowsFolder.empty() && windowsFolder.back() == L'\\') windowsFolder.remove_suffix(1);
  if (windowsFolder.empty() || !startsWithFolder(path, windowsFolder)) return Text(path);
  constexpr TextView system32 = L"\\System32\\";
  const TextView rest = path.substr(windowsFolder.size());
  if (!startsWithNoCase(rest, system32)) return Text(path);
  const TextView inside = rest.substr(system32.size());
  for (const TextView exempt : notRedirected) {
    if (startsWithFolder(inside, exempt)) return Text(path);
  }
  Text redirected(path.substr(0, windowsFolder.size()));
  redirected += L"\\SysWOW64\\";
  redirected += inside;
  return redirected;
}

}  // namespace vemdrol
