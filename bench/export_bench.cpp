// Exporting 100,000 rows shaped like an inventory in each format: the bytes
// in memory, and the same written to a file in the temporary folder and
// flushed to the disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "export/exporter.h"

namespace vemdrol {
namespace {

using Row = std::array<Text, 5>;

// Descriptions and application names in Japanese for two rows in three, as on
// a Japanese machine; paths and versions in ASCII.
const std::vector<Row>& inventory() {
  static const std::vector<Row> rows = [] {
    constexpr int count = 100000;
    std::vector<Row> made;
    made.reserve(count);
    for (int i = 0; i < count; ++i) {
      const std::wstring n = std::to_wstring((i * 7919) % count);
      const bool japanese = i % 3 != 0;
      made.push_back({L"*.e" + n + L";*.f" + n,
                      japanese ? L"ドキュメント形式 " + n : L"Type" + n + L".Document",
                      japanese ? L"アプリケーション文書 " + n : L"Vendor Application " + n,
                      L"C:\\Program Files\\Vendor" + n + L"\\app" + n + L".exe",
                      L"6.1." + n + L".0"});
    }
    return made;
  }();
  return rows;
}

ExportTable table(const ExportRows& rows) {
  return {{L"Vemdrol", L"1.0.0",
           std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()), L"PC-01",
           L"インストール済みプログラム"},
          inventoryColumns(),
          rows};
}

constexpr std::array<ExportFormat, 4> formats = {ExportFormat::csv, ExportFormat::tabSeparated,
                                                 ExportFormat::json, ExportFormat::html};
constexpr std::array<const char*, 4> formatNames = {"csv", "tsv", "json", "html"};

void BM_ExportBytes(benchmark::State& state) {
  const SpanRows<Row> rows(inventory());
  const ExportFormat format = formats[static_cast<std::size_t>(state.range(0))];
  std::size_t size = 0;
  for (auto _ : state) {
    const std::string bytes = exportBytes(table(rows), format);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetLabel(formatNames[static_cast<std::size_t>(state.range(0))]);
  state.counters["MB"] = static_cast<double>(size) / 1e6;
  state.SetItemsProcessed(state.iterations() * static_cast<long>(rows.rowCount()));
}
BENCHMARK(BM_ExportBytes)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_ExportToFile(benchmark::State& state) {
  const SpanRows<Row> rows(inventory());
  const ExportFormat format = formats[static_cast<std::size_t>(state.range(0))];
  std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  const std::string name = (std::filesystem::temp_directory_path() /
                            ("vemdrol_export_bench." + std::string(formatNames[state.range(0)])))
                               .string();
  const Text path(name.begin(), name.end());
  for (auto _ : state) {
    const Status written = writeExport(*files, path, table(rows), format);
    if (!written) state.SkipWithError("cannot write");
  }
  ::unlink(name.c_str());
  state.SetLabel(formatNames[static_cast<std::size_t>(state.range(0))]);
  state.SetItemsProcessed(state.iterations() * static_cast<long>(rows.rowCount()));
}
BENCHMARK(BM_ExportToFile)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
