// The generated machine's 32-bit classes and local servers: what the
// benchmark says the 32-bit view costs is only meaningful if the scan adds
// the rows the generator predicts for them.
#include <gtest/gtest.h>

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
};

struct ScannedMachine {
  MachineSummary summary;
  ListModel list;
  int failures = 0;
};

void scanGenerated(bool servers, ScannedMachine& scanned) {
  MemoryMachine machine;
  MachineShape shape;
  shape.extensions = 600;
  shape.servers = servers;
  scanned.summary = generateMachine(shape, machine);

  struct Quiet : ScanObserver {
    explicit Quiet(int& failures) : failures(failures) {}
    void failed(const Failure&) override { ++failures; }
    void onBuild(const BuildEvent&) override {}
    void onScan(const ScanEvent&) override {}
    void letEventsRun() override {}
    int& failures;
  } quiet(scanned.failures);
  ColumnTable columns;
  columns.fill();
  Inventory inventory;
  RegistryListing listing;
  PeVersionResourceReader versions(machine.files);
  const std::optional<SkipList> skipList = builtInSkipList();
  ScanParts parts{quiet,         scanned.list, columns, inventory, listing, machine.registry,
                  machine.files, versions,     nullptr, skipList};
  ASSERT_TRUE(runScan(parts).ok());
}

// The benchmark's two machines differ by the servers alone: the machine
// without them scans to exactly the rows that come before the servers'.
TEST(MachineServers, TheScanAddsThePredictedRowsAfterThePasses) {
  ScannedMachine with;
  ScannedMachine without;
  scanGenerated(true, with);
  scanGenerated(false, without);
  EXPECT_EQ(with.summary.classes32, 300);
  EXPECT_GT(with.summary.serverEntries, 50);
  EXPECT_EQ(without.summary.classes32, 0);
  EXPECT_EQ(without.summary.serverEntries, 0);
  EXPECT_EQ(with.failures + without.failures, 0);

  const ListModel& list = with.list;
  long long servers = 0;
  std::size_t firstServer = list.rowCount();
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    const Text& source = list.source(row);
    if (containsNoCase(source, L"\\WOW6432Node\\") || endsWithNoCase(source, L"\\LocalServer32")) {
      ++servers;
      firstServer = std::min(firstServer, row);
      EXPECT_FALSE(list.cell(row, 4).empty()) << row;
    } else {
      // Every row of the passes and their folders comes before them.
      EXPECT_LT(row, firstServer) << row;
    }
  }
  EXPECT_EQ(servers, with.summary.serverEntries);
  ASSERT_EQ(without.list.rowCount(), firstServer);
  for (std::size_t row = 0; row < firstServer; ++row) {
    EXPECT_EQ(without.list.cells(row), list.cells(row)) << row;
    EXPECT_EQ(without.list.source(row), list.source(row)) << row;
  }
}

}  // namespace
}  // namespace vemdrol
