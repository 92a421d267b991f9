// Opening a generated machine (bench/offline_machine.h) as a Wine prefix and
// as a Windows installation, walking its classes the way the builder does,
// and running the whole builder over it.
//
// The machine is read from the folder VEMDROL_OFFLINE_MACHINE names, as
// `vemdrol_generate --offline 50000 FOLDER` writes it, so that a run's peak
// memory is that of reading it. Without it, a machine of
// VEMDROL_OFFLINE_EXTENSIONS extensions (50,000 by default) is first written
// to a temporary folder, and the generator's memory counts too.
//
//   build/native-release/bin/vemdrol_generate --offline 50000 build/offline-50000
//   VEMDROL_OFFLINE_MACHINE=build/offline-50000 /usr/bin/time -v
//       build/native-release/bin/vemdrol_bench --benchmark_filter=OfflineWindowsBuild
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "inventory/builder.h"
#include "offline/target.h"
#include "offline_machine.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

class QuietDisplay final : public BuildReport {
 public:
  void onBuild(const BuildEvent&) override {}
  void failed(const Failure&) override {}
};

// The folders of the two forms, written once per run when not given.
const OfflineMachine& machine() {
  static const OfflineMachine written = [] {
    OfflineMachine made;
    if (const char* given = std::getenv("VEMDROL_OFFLINE_MACHINE")) {
      made.winePrefix = fs::path(given) / "wine-prefix";
      made.windowsRoot = fs::path(given) / "windows";
      return made;
    }
    std::string folder = (fs::temp_directory_path() / "vemdrol-offline-XXXXXX").string();
    if (!::mkdtemp(folder.data())) std::abort();
    MachineShape shape;
    const char* extensions = std::getenv("VEMDROL_OFFLINE_EXTENSIONS");
    shape.extensions = extensions ? std::atoll(extensions) : 50'000;
    if (!writeOfflineMachine(shape, folder, made)) std::abort();
    std::atexit([] { fs::remove_all(machine().winePrefix.parent_path()); });
    return made;
  }();
  return written;
}

OfflineTarget open(const fs::path& folder, benchmark::State& state) {
  Result<OfflineTarget> target = openTarget(folder.string());
  if (!target) {
    state.SkipWithError("the machine cannot be opened");
    return {};
  }
  return std::move(target).value();
}

// The registry calls of the builder's passes one to four, and no others:
// the root's subkeys; the default value and subkeys of every first-level
// key; the same of every open command and in-process server key.
long long walk(Registry& registry) {
  long long calls = 0;
  const auto list = [&](TextView path, std::vector<Text>* names) {
    auto key = registry.open(RegistryRoot::classesRoot, path);
    ++calls;
    if (!key) return;
    if (!path.empty()) {
      benchmark::DoNotOptimize(key->defaultValue());
      ++calls;
    }
    for (std::uint32_t i = 0;; ++i) {
      Result<std::optional<Text>> name = key->subkeyName(i);
      ++calls;
      if (!name || !name.value()) break;
      if (names) names->push_back(std::move(*name.value()));
    }
  };
  std::vector<Text> firstLevel;
  list(L"", &firstLevel);
  std::vector<Text> next;
  for (const Text& name : firstLevel) {
    std::vector<Text> subkeys;
    list(name, &subkeys);
    const bool classes = equalNoCase(name, L"CLSID");
    for (const Text& sub : subkeys) {
      if (classes) {
        next.push_back(name + L"\\" + sub + L"\\InprocServer32");
      } else if (equalNoCase(sub, L"shell")) {
        next.push_back(name + L"\\shell\\open\\command");
      }
    }
  }
  for (const Text& key : next) list(key, nullptr);
  return calls;
}

void openAndWalk(benchmark::State& state, const fs::path& folder) {
  long long calls = 0;
  for (auto _ : state) {
    OfflineTarget target = open(folder, state);
    if (!target.registry) return;
    calls = walk(*target.registry);
  }
  state.counters["registry_calls"] = static_cast<double>(calls);
}

void openAndBuild(benchmark::State& state, const fs::path& folder) {
  std::size_t results = 0;
  for (auto _ : state) {
    OfflineTarget target = open(folder, state);
    if (!target.registry) return;
    QuietDisplay display;
    RegistryListing listing;
    Inventory inventory;
    BuilderParts parts{*target.registry, *target.files, display, listing};
    (void)buildInventory(inventory, parts);
    results = inventory.size();
  }
  state.counters["result_entries"] = static_cast<double>(results);
}

void BM_OfflineWinePrefixWalk(benchmark::State& state) { openAndWalk(state, machine().winePrefix); }
void BM_OfflineWindowsWalk(benchmark::State& state) { openAndWalk(state, machine().windowsRoot); }
void BM_OfflineWinePrefixBuild(benchmark::State& state) {
  openAndBuild(state, machine().winePrefix);
}
void BM_OfflineWindowsBuild(benchmark::State& state) { openAndBuild(state, machine().windowsRoot); }
BENCHMARK(BM_OfflineWinePrefixWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OfflineWindowsWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OfflineWinePrefixBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OfflineWindowsBuild)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
