// Comparing two inventories of 100,000 rows, as an update of a large machine
// gives them: most rows the same, some changed, added and removed, the newer
// one in another order.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "compare/comparison.h"

namespace vemdrol {
namespace {

InventoryRecord inventoryRow(int i, int version) {
  const std::wstring n = std::to_wstring(i);
  return {L"lib" + n + L".dll", L"ライブラリ " + n, L"(C) Vendor",
          L"C:\\Program Files\\Vendor" + std::to_wstring(i % 300) + L"\\lib" + n + L".dll",
          L"6.1." + std::to_wstring(version)};
}

void BM_CompareInventories(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  std::vector<InventoryRecord> older;
  std::vector<InventoryRecord> newer;
  for (int i = 0; i < rows; ++i) {
    if (i % 50 != 0) older.push_back(inventoryRow(i, 1));
    if (i % 40 != 0) newer.push_back(inventoryRow(i, i % 10 == 0 ? 2 : 1));
  }
  std::reverse(newer.begin(), newer.end());
  for (auto _ : state) {
    benchmark::DoNotOptimize(compareInventories(newer, older));
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_CompareInventories)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
