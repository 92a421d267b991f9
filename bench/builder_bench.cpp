// The builder over generated classes-root registries shaped like real ones:
// extensions pointing at types, types with descriptions and open commands,
// and CLSID keys whose in-process servers share a few dozen libraries.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "inventory/builder.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"

namespace vemdrol {
namespace {

class QuietDisplay final : public BuildReport {
 public:
  // Keeps the sort keys as they stand when the sorting pass ends, so that
  // the sort can be measured on its own.
  Inventory* watched = nullptr;
  std::vector<Text>* keys = nullptr;

  void onBuild(const BuildEvent& event) override {
    const auto* ended = std::get_if<PassEnded>(&event);
    if (keys && watched && ended && ended->pass == BuildPass::fifth) {
      for (std::size_t i = 0; i < watched->size(); ++i) {
        if (!watched->deleted(i)) keys->push_back(watched->fullPath[i]);
      }
    }
  }
  void failed(const Failure&) override {}
};

Text base36(long long number, std::size_t width) {
  static const wchar_t digits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  Text text(width, L'0');
  for (std::size_t i = width; i-- > 0; number /= 36) text[i] = digits[number % 36];
  return text;
}

// firstLevel keys below the root: half extensions, a quarter types, the rest
// stray keys; CLSID (one more first-level key) holds a quarter as many
// classes again, whose servers share 40 libraries.
struct GeneratedMachine {
  MemoryRegistry registry;
  MemoryFileSystem files;

  explicit GeneratedMachine(long long firstLevel) {
    const RegistryRoot root = RegistryRoot::classesRoot;
    const long long types = firstLevel / 4;
    for (long long t = 0; t < types; ++t) {
      const Text type = L"Type" + base36(t, 5) + L".Document";
      registry.setDefaultString(root, type, L"文書 " + std::to_wstring(t));
      registry.addKey(root, type + L"\\DefaultIcon");
      const Text program = L"C:\\Program Files\\App" + std::to_wstring(t % 500) + L"\\app.exe";
      Text command;
      switch (t % 4) {
        case 0:
          command = L"\"" + program + L"\" \"%1\"";
          break;
        case 1:
          command = program + L" %1";
          break;
        case 2:
          command = L"%SystemRoot%\\system32\\rundll32.exe x.dll,Run %1";
          break;
        default:
          break;  // a type without an open command
      }
      if (!command.empty()) {
        registry.setDefaultString(root, type + L"\\shell\\open\\command", command);
      }
      registry.addKey(root, type + L"\\shell\\edit\\command");
      files.addFile(program, "");
    }
    for (long long e = 0; e < firstLevel / 2; ++e) {
      const long long type = types > 0 ? e % types : 0;
      registry.setDefaultString(root, L"." + base36(e, 5),
                                L"Type" + base36(type, 5) + L".Document");
    }
    for (long long s = 0; s < firstLevel - types - firstLevel / 2 - 1; ++s) {
      registry.addKey(root, L"Stray" + base36(s, 6) + L"\\Sub");
    }
    for (long long c = 0; c < firstLevel / 4; ++c) {
      const Text library = L"C:\\Windows\\System32\\lib" + std::to_wstring(c % 40) + L".dll";
      registry.setDefaultString(root, L"CLSID\\{" + base36(c, 8) + L"}\\InprocServer32", library);
      files.addFile(library, "");
    }
  }
};

GeneratedMachine& machine(long long firstLevel) {
  static std::map<long long, std::unique_ptr<GeneratedMachine>> made;
  auto& slot = made[firstLevel];
  if (!slot) slot = std::make_unique<GeneratedMachine>(firstLevel);
  return *slot;
}

void BM_BuildInventory(benchmark::State& state) {
  GeneratedMachine& generated = machine(state.range(0));
  QuietDisplay display;
  RegistryListing listing;
  long long entries = 0;
  std::size_t results = 0;
  for (auto _ : state) {
    Inventory inventory;
    BuilderParts parts{generated.registry, generated.files, display, listing};
    (void)buildInventory(inventory, parts);
    entries += inventory.creationCounter;
    results = inventory.size();
  }
  state.counters["registry_entries"] =
      benchmark::Counter(static_cast<double>(entries) / state.iterations());
  state.counters["entries_per_s"] =
      benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kIsRate);
  state.counters["result_entries"] = static_cast<double>(results);
}
BENCHMARK(BM_BuildInventory)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The sort keys of the sorting pass, as the builder makes them.
const std::vector<Text>& sortKeys(long long firstLevel) {
  static std::map<long long, std::vector<Text>> captured;
  auto& keys = captured[firstLevel];
  if (keys.empty()) {
    QuietDisplay display;
    Inventory inventory;
    display.watched = &inventory;
    display.keys = &keys;
    RegistryListing listing;
    GeneratedMachine& generated = machine(firstLevel);
    BuilderParts parts{generated.registry, generated.files, display, listing};
    (void)buildInventory(inventory, parts);
  }
  return keys;
}

Inventory inventoryOf(const std::vector<Text>& keys) {
  Inventory inventory;
  // Reversed, so that the sort has work to do whatever order the keys came in.
  for (std::size_t i = keys.size(); i-- > 0;) {
    inventory.append(L"type", L"(標準)", L"value", keys[i], static_cast<long long>(i));
  }
  return inventory;
}

void BM_PassFiveSort(benchmark::State& state) {
  const std::vector<Text>& keys = sortKeys(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Inventory inventory = inventoryOf(keys);
    state.ResumeTiming();
    inventory.sortByFullPath();
    benchmark::DoNotOptimize(inventory.fullPath.data());
  }
  state.counters["keys"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_PassFiveSort)->Arg(10000)->Unit(benchmark::kMillisecond);

// The exchange sort as first written: every pair compared, whole entries
// swapped. Only for comparison.
void exchangeSort(Inventory& inventory) {
  const std::size_t n = inventory.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (compareNoCase(inventory.fullPath[i], inventory.fullPath[j]) > 0) {
        std::swap(inventory.fileType[i], inventory.fileType[j]);
        std::swap(inventory.definition[i], inventory.definition[j]);
        std::swap(inventory.appName[i], inventory.appName[j]);
        std::swap(inventory.fullPath[i], inventory.fullPath[j]);
        std::swap(inventory.creationOrder[i], inventory.creationOrder[j]);
      }
    }
  }
}

void BM_ExchangeSort(benchmark::State& state) {
  const std::vector<Text>& keys = sortKeys(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Inventory inventory = inventoryOf(keys);
    state.ResumeTiming();
    exchangeSort(inventory);
    benchmark::DoNotOptimize(inventory.fullPath.data());
  }
  state.counters["keys"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_ExchangeSort)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace vemdrol

BENCHMARK_MAIN();
