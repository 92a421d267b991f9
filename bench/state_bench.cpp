// What keeping the whole inventory beside the inventory file costs at
// 100,000 rows: the state file's bytes made (texts escaped, the inventory
// file's bytes hashed for the stamp) and read back whole, and the save and
// the load of both files on a disk of the program's own, as a rebuild and a
// start do them.
#include <benchmark/benchmark.h>

#include <string>
#include <variant>

#include "os/memory/filesystem.h"
#include "state/kept_inventory.h"
#include "state/saved_rows.h"

namespace vemdrol {
namespace {

constexpr int rowCount = 100000;

// Rows as a Japanese machine has them: Japanese descriptions for two rows in
// three, a copyright sign, now and then a quote or a name the code page
// cannot hold, and a source for every row.
const ListModel& inventory() {
  static const ListModel list = [] {
    ListModel made;
    for (const wchar_t* name : {L"種類", L"定義", L"アプリケーション", L"パス", L"バージョン"}) {
      made.addColumn(name, 2500);
    }
    for (int i = 0; i < rowCount; ++i) {
      const std::wstring n = std::to_wstring((i * 7919) % rowCount);
      const bool japanese = i % 3 != 0;
      const std::wstring folder = i % 50 == 0 ? L"Café " + n : L"Vendor" + n;
      made.addRow({L"*.e" + n + L";*.f" + n,
                   japanese ? L"ドキュメント形式 " + n : L"Type \"" + n + L"\" Document",
                   japanese ? L"アプリケーション文書 © " + n : L"Vendor Application " + n,
                   L"C:\\Program Files\\" + folder + L"\\app" + n + L".exe", L"6.1." + n + L".0"},
                  0, L"HKEY_CLASSES_ROOT\\Type" + n + L"\\shell\\open\\command");
    }
    return made;
  }();
  return list;
}

void BM_StateFileBytes(benchmark::State& state) {
  const std::string cnt = inventoryFileBytes(inventory());
  std::size_t size = 0;
  for (auto _ : state) {
    Result<std::string> bytes = stateFileBytes(inventory(), cnt, {});
    size = bytes ? bytes.value().size() : 0;
    benchmark::DoNotOptimize(size);
  }
  state.counters["MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_StateFileBytes)->Unit(benchmark::kMillisecond);

void BM_StateFileRead(benchmark::State& state) {
  const std::string cnt = inventoryFileBytes(inventory());
  const std::string bytes = stateFileBytes(inventory(), cnt, {}).value();
  std::size_t rows = 0;
  for (auto _ : state) {
    auto kept = readKeptState(bytes, cnt);
    rows = std::holds_alternative<KeptState>(kept) ? std::get<KeptState>(kept).rows.size() : 0;
    benchmark::DoNotOptimize(rows);
  }
  if (rows != rowCount) state.SkipWithError("the state file's rows did not all come back");
}
BENCHMARK(BM_StateFileRead)->Unit(benchmark::kMillisecond);

// The inventory file alone, as before the state file, for comparison.
void BM_InventoryFileBytes(benchmark::State& state) {
  for (auto _ : state) {
    const std::string bytes = inventoryFileBytes(inventory());
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_InventoryFileBytes)->Unit(benchmark::kMillisecond);

// A rebuild's save and a start's load: both files, every program file
// there (the load drops the rows whose file is gone).
void BM_SaveAndLoadBoth(benchmark::State& state) {
  MemoryFileSystem files;
  files.addFolder(L"C:\\Vemdrol");
  for (std::size_t row = 0; row < inventory().rowCount(); ++row) {
    files.addFile(inventory().cell(row, pathCell), "");
  }
  const ProgramFolder folder{files, L"C:\\Vemdrol"};
  struct Quiet : FailureReport {
    void failed(const Failure&) override {}
  } quiet;
  const std::optional<SkipList> skipList = builtInSkipList();
  const KeptTables none;
  std::size_t loaded = 0;
  for (auto _ : state) {
    if (!saveInventory(folder, inventory(), skipList, none, quiet)) {
      state.SkipWithError("the save failed");
      break;
    }
    ListModel list;
    for (const wchar_t* name : {L"種類", L"定義", L"アプリケーション", L"パス", L"バージョン"}) {
      list.addColumn(name, 2500);
    }
    std::optional<SkipList> reloaded;
    KeptTables kept;
    const InventoryLoad load = loadInventory(folder, list, reloaded, kept, nullptr, quiet);
    if (load.fullTextsUnavailable) state.SkipWithError("the state file was not used");
    loaded = list.rowCount();
  }
  if (loaded != rowCount) state.SkipWithError("rows were lost");
}
BENCHMARK(BM_SaveAndLoadBoth)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace vemdrol
