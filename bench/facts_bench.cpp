// The facts of 10,000 program files on disk, with and without their SHA-256,
// and sha256sum over the same files for comparison. The files are PE files
// with version resources (the tests' builder), padded to sizes spread
// evenly on a log scale from 1 KiB to 256 KiB, 0.45 GB in all; they lie in
// a scratch folder for the run and are read from the page cache after the
// first pass.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "details/file_facts.h"
#include "os/pe_version_reader.h"
#include "os/posix/filesystem.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

constexpr int fileCount = 10000;

class ProgramFiles {
 public:
  ProgramFiles() {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-facts-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    const auto next = [&] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
    };
    for (int i = 0; i < fileCount; ++i) {
      ProgramVersion version = fileVersion(10, 0, 19041, static_cast<std::uint16_t>(i));
      version.description = L"見本プログラム " + std::to_wstring(i);
      version.legalCopyright = L"(C) Example";
      PeOptions options;
      options.pe32Plus = i % 3 != 0;
      options.languages.push_back({0x0411, versionBlock(version)});
      std::string bytes = buildPe(options).bytes;
      const double exponent = static_cast<double>(next() % 1000) / 999.0;
      const auto size = static_cast<std::size_t>(1024.0 * std::pow(256.0, exponent));
      while (bytes.size() < size) {
        const std::uint64_t word = next();
        bytes.append(reinterpret_cast<const char*>(&word), sizeof word);
      }
      const std::string name = "prog" + std::to_string(i) + (i % 4 == 0 ? ".exe" : ".dll");
      std::ofstream out(folder_ / name, std::ios::binary);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      paths_.push_back(L"C:\\" + Text(name.begin(), name.end()));
      bytes_ += bytes.size();
    }
  }
  ~ProgramFiles() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  const fs::path& folder() const { return folder_; }
  const std::vector<Text>& paths() const { return paths_; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  fs::path folder_;
  std::vector<Text> paths_;
  std::uint64_t bytes_ = 0;
};

const ProgramFiles& programFiles() {
  static const ProgramFiles files;
  return files;
}

void readFacts(benchmark::State& state, bool withHash) {
  const ProgramFiles& programs = programFiles();
  PosixFileSystem files({{L'C', programs.folder().string()}});
  PeVersionResourceReader versions(files);
  std::size_t unavailable = 0;
  for (auto _ : state) {
    // A new reader each time: its cache would answer the second pass.
    FactReader reader(files, versions);
    for (const Text& path : programs.paths()) {
      const FileFacts facts = reader.factsOf(path, withHash);
      if (facts[Fact::machine].state != FactState::value || facts[Fact::fullVersion].text.empty()) {
        ++unavailable;
      }
      benchmark::DoNotOptimize(facts);
    }
  }
  if (unavailable != 0) state.SkipWithError("a file's facts were not read");
  state.SetItemsProcessed(state.iterations() * fileCount);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(programs.bytes()));
}

void BM_FactsWithoutHash(benchmark::State& state) { readFacts(state, false); }
BENCHMARK(BM_FactsWithoutHash)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FactsWithHash(benchmark::State& state) { readFacts(state, true); }
BENCHMARK(BM_FactsWithHash)->Unit(benchmark::kMillisecond)->UseRealTime();

// The hash alone, as FactReader reads it: the file opened and read in
// pieces into one hasher.
void BM_HashOnly(benchmark::State& state) {
  const ProgramFiles& programs = programFiles();
  PosixFileSystem files({{L'C', programs.folder().string()}});
  auto hasher = Sha256::make();
  std::vector<char> buffer(FactReader::chunkSize);
  for (auto _ : state) {
    for (const Text& path : programs.paths()) {
      auto reader = files.openForReading(path);
      std::uint64_t offset = 0;
      for (;;) {
        const std::size_t got = reader.value()->readAt(offset, buffer).value();
        (void)hasher.value()->add(std::string_view(buffer.data(), got));
        offset += got;
        if (got < buffer.size()) break;
      }
      benchmark::DoNotOptimize(hasher.value()->finish());
    }
  }
  state.SetItemsProcessed(state.iterations() * fileCount);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(programs.bytes()));
}
BENCHMARK(BM_HashOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// coreutils' sha256sum over the same files, a few processes through xargs.
void BM_Sha256sum(benchmark::State& state) {
  const ProgramFiles& programs = programFiles();
  const std::string command = "cd '" + programs.folder().string() +
                              "' && find . -type f -print0 | xargs -0 sha256sum > /dev/null";
  // Its processor time is its own, not the benchmark's: taken from the
  // children's usage, so that it compares with the CPU column of the others
  // when the machine is busy.
  const auto childSeconds = [] {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  const double before = childSeconds();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("sha256sum failed");
  }
  state.counters["child_cpu_ms"] = benchmark::Counter((childSeconds() - before) * 1000 /
                                                      static_cast<double>(state.iterations()));
  state.SetItemsProcessed(state.iterations() * fileCount);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(programs.bytes()));
}
BENCHMARK(BM_Sha256sum)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vemdrol
