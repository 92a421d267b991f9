// vemdrol_walk.exe: the lower limit of a rebuild. It makes the registry calls
// the builder makes, and no others (the subkeys of HKEY_CLASSES_ROOT; the
// default value and subkeys of each first-level key; the same of every open
// command key and every in-process server key; then the servers the passes
// do not read, through the scan's own listing of them), and reads the
// version resource of each program file those keys name once. It builds no
// inventory, shows nothing and saves nothing, so no rebuild on the same
// registry can be faster.
//
// Prints its counts and its own time as name=value lines.
#include <chrono>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "base/paths.h"
#include "base/utf16.h"
#include "inventory/registered_servers.h"
#include "os/filesystem.h"
#include "os/process.h"
#include "os/registry.h"
#include "os/version_resource.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

struct Counts {
  long long opened = 0;
  long long defaultValues = 0;
  long long subkeys = 0;
  long long files = 0;
  long long versions = 0;
  long long failures = 0;
};

// The text of a string default value up to its first NUL.
Text valueText(const RegistryData& data) {
  Text text = fromUtf16Le(data.bytes);
  const std::size_t nul = text.find(L'\0');
  if (nul != Text::npos) text.resize(nul);
  return text;
}

class Walk {
 public:
  Walk(Registry& registry, VersionResourceReader& versions)
      : registry_(registry), versions_(versions) {}

  int run() {
    const auto started = std::chrono::steady_clock::now();
    std::vector<Text> firstLevel;
    if (auto root = registry_.open(RegistryRoot::classesRoot, L"")) {
      ++counts_.opened;
      subkeys(*root, [&](Text name) { firstLevel.push_back(std::move(name)); });
    }
    std::vector<Text> commands;
    std::vector<Text> servers;
    for (const Text& name : firstLevel) {
      const bool classes = equalNoCase(name, L"CLSID");
      list(name, [&](Text sub) {
        if (classes) {
          servers.push_back(name + L"\\" + sub + L"\\InprocServer32");
        } else if (equalNoCase(sub, L"shell")) {
          commands.push_back(name + L"\\shell\\open\\command");
        }
      });
    }
    for (const Text& key : commands) {
      if (auto value = list(key, [](Text) {})) name(exePathOf(valueText(*value)));
    }
    for (const Text& key : servers) {
      if (auto value = list(key, [](Text) {})) {
        const Text path = valueText(*value);
        if (!startsWithNoCase(path, L"%SystemRoot%")) name(path);
      }
    }
    struct Failures final : BuildReport {
      explicit Failures(long long& count) : count(count) {}
      void failed(const Failure&) override { ++count; }
      void onBuild(const BuildEvent&) override {}
      long long& count;
    } report(counts_.failures);
    const Text windows = windowsFolder();
    for (const RegisteredServer& server : listRegisteredServers(registry_, report)) {
      name(server.view == RegistryView::bits32 ? redirectedFor32Bit(server.path, windows)
                                               : server.path);
    }
    for (const Text& path : files_) {
      Result<std::optional<VersionResource>> resource = versions_.versionResourceOf(path);
      if (!resource) {
        ++counts_.failures;
      } else if (resource.value()) {
        ++counts_.versions;
      }
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);

    std::printf(
        "first_level=%zu\nkeys_opened=%lld\ndefault_values=%lld\nsubkeys=%lld\n"
        "files=%zu\nversions=%lld\nfailures=%lld\nms=%lld\n",
        firstLevel.size(), counts_.opened, counts_.defaultValues, counts_.subkeys, files_.size(),
        counts_.versions, counts_.failures, static_cast<long long>(elapsed.count()));
    return counts_.failures == 0 ? 0 : 1;
  }

 private:
  template <class Each>
  void subkeys(RegistryKey& key, Each each) {
    for (std::uint32_t index = 0;; ++index) {
      Result<std::optional<Text>> sub = key.subkeyName(index);
      if (!sub) {
        ++counts_.failures;
        return;
      }
      if (!sub.value()) return;
      ++counts_.subkeys;
      each(std::move(*sub.value()));
    }
  }

  // Opens a key, reads its default value and walks its subkeys, as the
  // listing does; the default value when there is one.
  template <class Each>
  std::optional<RegistryData> list(TextView path, Each each) {
    auto key = registry_.open(RegistryRoot::classesRoot, path);
    if (!key) return std::nullopt;
    ++counts_.opened;
    Result<std::optional<RegistryData>> value = key->defaultValue();
    std::optional<RegistryData> found;
    if (!value) {
      ++counts_.failures;
    } else if (value.value()) {
      ++counts_.defaultValues;
      found = std::move(value.value());
    }
    subkeys(*key, each);
    return found;
  }

  // Each file once, whatever the letter case of its path.
  void name(const Text& path) {
    if (directoryOf(path).empty()) return;
    if (seen_.insert(foldCase(path)).second) files_.push_back(path);
  }

  Registry& registry_;
  VersionResourceReader& versions_;
  Counts counts_;
  std::unordered_set<Text> seen_;
  std::vector<Text> files_;
};

}  // namespace
}  // namespace vemdrol

int wmain() {
  auto files = vemdrol::makeSystemFileSystem();
  auto registry = vemdrol::makeSystemRegistry();
  auto versions = vemdrol::makeSystemVersionResourceReader(*files);
  return vemdrol::Walk(*registry, *versions).run();
}
