// What the servers the nine passes do not read cost a rebuild: the whole
// scan of one generated machine (machine_generator.h) in memory, without
// its 32-bit view and local servers (0) and with them (1). Both machines
// are the same but for those keys and the files they name, so the
// difference is their listing, their files' versions and texts, and the
// folders they bring.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "machine_generator.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/pe_version_reader.h"
#include "scan/scan.h"

namespace vemdrol {
namespace {

class MemoryMachine final : public MachineSink {
 public:
  void key(TextView path, const std::vector<GeneratedValue>& values) override {
    registry.addKey(RegistryRoot::classesRoot, path);
    for (const GeneratedValue& value : values) {
      if (value.name.empty()) registry.setDefault(RegistryRoot::classesRoot, path, value.data);
    }
  }
  void file(TextView path, std::string_view bytes) override { files.addFile(path, bytes); }

  MemoryRegistry registry;
  MemoryFileSystem files;
  MachineSummary summary;
};

constexpr long long extensions = 10000;

MemoryMachine& machine(bool servers) {
  static std::map<bool, std::unique_ptr<MemoryMachine>> made;
  auto& slot = made[servers];
  if (!slot) {
    slot = std::make_unique<MemoryMachine>();
    MachineShape shape;
    shape.extensions = extensions;
    shape.servers = servers;
    slot->summary = generateMachine(shape, *slot);
  }
  return *slot;
}

class Quiet final : public ScanObserver {
 public:
  void failed(const Failure&) override {}
  void onBuild(const BuildEvent&) override {}
  void onScan(const ScanEvent&) override {}
  void letEventsRun() override {}
};

void BM_ScanServers(benchmark::State& state) {
  MemoryMachine& generated = machine(state.range(0) != 0);
  const std::optional<SkipList> skipList = builtInSkipList();
  std::size_t rows = 0;
  for (auto _ : state) {
    Quiet quiet;
    ListModel list;
    ColumnTable columns;
    columns.fill();
    Inventory inventory;
    RegistryListing listing;
    PeVersionResourceReader versions(generated.files);
    ScanParts parts{quiet,           list,     columns, inventory, listing, generated.registry,
                    generated.files, versions, nullptr, skipList};
    parts.windowsFolder = L"C:\\Windows";
    if (!runScan(parts).ok()) state.SkipWithError("the scan failed");
    rows = list.rowCount();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["keys"] = static_cast<double>(generated.summary.keys);
}
BENCHMARK(BM_ScanServers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
