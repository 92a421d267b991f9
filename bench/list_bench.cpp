// Search and column sort over a list of 100,000 rows shaped like an
// inventory, to show they stay interactive.
#include <benchmark/benchmark.h>

#include <string>

#include "rows/column_table.h"
#include "search/column_sort.h"
#include "search/list_search.h"

namespace vemdrol {
namespace {

void fill(ListModel& list, int rows) {
  ColumnTable table;
  table.fill();
  rebuildColumns(table, list);
  for (int i = 0; i < rows; ++i) {
    const std::wstring n = std::to_wstring((i * 7919) % rows);
    const std::size_t row = list.addRow(L"*.e" + n + L";*.f" + n);
    (void)list.setCell(row, 1, L"Type" + n + L".Document");
    (void)list.setCell(row, 2, L"アプリケーション文書 " + n);
    (void)list.setCell(row, 3, L"C:\\Program Files\\Vendor" + n + L"\\app" + n + L".exe");
    (void)list.setCell(row, 4, L"6.1." + n);
  }
}

// A window with the word typed in that never shows anything.
struct QuietSearchWindow final : SearchWindow {
  Text searchWord() const override { return L"見つける語"; }
  void showSearching(SearchDirection, bool) override {}
  void clearSearchMessage() override {}
  void sayNoSearchWord() override {}
  bool askToWrap(SearchDirection) override { return false; }
  void hitSelected() override {}
};

void BM_SearchHitAtTheEnd(benchmark::State& state) {
  QuietSearchWindow window;
  ListModel list;
  const int rows = static_cast<int>(state.range(0));
  fill(list, rows);
  (void)list.setCell(static_cast<std::size_t>(rows - 1), 2, L"見つける語");
  ListSearch search(window, list);
  for (auto _ : state) {
    search.wordChanged();
    search.searchDown();
  }
  if (search.position() != static_cast<std::size_t>(rows)) state.SkipWithError("no hit");
}
BENCHMARK(BM_SearchHitAtTheEnd)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortByColumn(benchmark::State& state) {
  ListModel list;
  fill(list, static_cast<int>(state.range(0)));
  std::size_t header = 1;
  for (auto _ : state) {
    // Alternating columns and directions, as clicks do.
    columnClick(list, header);
    header = header % 5 + 1;
  }
}
BENCHMARK(BM_SortByColumn)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
