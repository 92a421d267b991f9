// Offline trust at the size of a real Windows installation and more: 100
// catalogs of 10,000 members each, signed under a root of the target's,
// read, judged and indexed; then 10,000 program files of 8 KiB verified
// against them, half of them listed in a catalog and half not (those are
// hashed twice, SHA-256 and SHA-1, before they count as unsigned). And the
// window's second start with every file's signature remembered: the
// filtered list at once, then every file looked at again.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "formats/der_reader.h"
#include "os/memory/filesystem.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"
#include "posix/throwaway_pki.h"
#include "trust/remembered_signatures.h"
#include "trust/target_trust.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

constexpr int catalogCount = 100;
constexpr int membersPerCatalog = 10000;
constexpr int fileCount = 10000;
const std::int64_t now = secondsSinceEpoch(2026, 12, 7, 12, 0, 0);

struct TrustMachine {
  TrustMachine() {
    constexpr std::int64_t year = 365 * 86400;
    root = pki.issue({"Bench Root", "", now - year, now + year, true, ""}, nullptr);
    signer = pki.issue({"Microsoft Windows", "Microsoft Corporation", now - year, now + year, false,
                        "codeSigning"},
                       &root);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    const auto next = [&] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
    };
    std::vector<std::vector<std::string>> members(catalogCount);
    for (int i = 0; i < fileCount; ++i) {
      PeOptions options;
      options.languages.push_back({0x0411, versionBlock(fileVersion(10, 0, 1, 0))});
      BuiltPe file = buildPe(options);
      file.bytes.resize(8192, '\0');
      for (std::size_t at = 0x600; at + 8 <= file.bytes.size(); at += 8) {
        const std::uint64_t word = next();
        file.bytes.replace(at, 8, reinterpret_cast<const char*>(&word), 8);
      }
      const Text path = L"C:\\Windows\\System32\\file" + std::to_wstring(i) + L".dll";
      files.addFile(path, file.bytes);
      files.setTimes(path, 133000000000000000ULL + i, std::nullopt);
      paths.push_back(path);
      if (i % 2 == 0) members[next() % catalogCount].push_back(authenticodeSha256(file));
    }
    for (std::vector<std::string>& digests : members) {
      while (digests.size() < membersPerCatalog) {
        std::string digest;
        for (int k = 0; k < 4; ++k) {
          const std::uint64_t word = next();
          digest.append(reinterpret_cast<const char*>(&word), 8);
        }
        digests.push_back(std::move(digest));
      }
      catalogs.push_back(pki.catalog(digests, signer, {&root}));
    }
    rootBlob = certificateBlob(root.der());
  }

  TargetTrust trust() const {
    TargetTrust made(now);
    made.setHasRootStore();
    std::vector<TrustWarning> warnings;
    made.addRoot(L"ROOT\\BENCH", rootBlob, warnings);
    for (std::size_t i = 0; i < catalogs.size(); ++i) {
      made.addCatalog(L"C:\\bench" + std::to_wstring(i) + L".cat", catalogs[i], warnings);
    }
    if (!warnings.empty() || made.catalogCount() != catalogs.size()) std::abort();
    return made;
  }

  ThrowAwayPki pki;
  TestCertificate root;
  TestCertificate signer;
  std::string rootBlob;
  std::vector<std::string> catalogs;
  MemoryFileSystem files;
  std::vector<Text> paths;
};

TrustMachine& machine() {
  static TrustMachine* made = new TrustMachine;
  return *made;
}

void BM_TrustIndexCatalogs(benchmark::State& state) {
  const TrustMachine& target = machine();
  for (auto _ : state) {
    const TargetTrust trust = target.trust();
    // The index is sorted at the first question.
    benchmark::DoNotOptimize(trust.factsOf("MZ"));
  }
  state.counters["catalog members"] = static_cast<double>(catalogCount) * membersPerCatalog;
}
BENCHMARK(BM_TrustIndexCatalogs)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TrustVerifyFiles(benchmark::State& state) {
  TrustMachine& target = machine();
  const TargetTrust trust = target.trust();
  const auto reader = makeTargetSignatureReader(target.files, trust);
  std::size_t verified = 0;
  for (auto _ : state) {
    verified = 0;
    for (const Text& path : target.paths) {
      const Result<SignatureFacts> facts = reader->signatureOf(path);
      verified += facts && facts.value().state == SignatureState::verified ? 1 : 0;
    }
  }
  if (verified != fileCount / 2) std::abort();
  state.counters["files"] = fileCount;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * fileCount);
}
BENCHMARK(BM_TrustVerifyFiles)->Unit(benchmark::kMillisecond);

// The window's worker, run on the window's thread when the benchmark says.
class InlineWorker final : public DetailWorker {
 public:
  explicit InlineWorker(DetailReader& reader) : reader_(reader) {}
  void request(DetailRequest request, bool) override { waiting_.push_back(std::move(request)); }
  void cancel() override { waiting_.clear(); }
  std::vector<DetailResult> takeResults() override { return std::exchange(ready_, {}); }
  void readAll() {
    for (const DetailRequest& request : waiting_) {
      ready_.push_back({request.key, readParts(request.parts),
                        reader_.detailsOf(request.path, detailPartsToRead(request.parts))});
    }
    waiting_.clear();
  }

 private:
  DetailReader& reader_;
  std::vector<DetailRequest> waiting_;
  std::vector<DetailResult> ready_;
};

// Every file verified before: the table a first run left in the state file.
const StateTable& rememberedTable() {
  static const StateTable table = [] {
    TrustMachine& target = machine();
    const TargetTrust trust = target.trust();
    const auto reader = makeTargetSignatureReader(target.files, trust);
    RememberedSignatures remembered;
    RememberingSignatureReader remembering(target.files, *reader, remembered);
    // Only what the reader remembers is wanted here.
    for (const Text& path : target.paths) (void)remembering.signatureOf(path);
    return remembered.table();
  }();
  return table;
}

void BM_WindowSecondStart(benchmark::State& state) {
  TrustMachine& target = machine();
  const StateTable& table = rememberedTable();
  // A verification that would cost anything shows as a failure.
  struct Refusing final : SignatureReader {
    Result<SignatureFacts> signatureOf(TextView) override { std::abort(); }
  } refusing;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryForm form;
    applyDesign(form);
    MemoryWindowServices services;
    auto window = std::make_unique<MainWindow>(form, services);
    MemoryFileSystem settings;
    settings.addFolder(L"C:\\Vemdrol");
    settings.addFile(L"C:\\Vemdrol\\Vemdrol.ini", "[Filter]\r\nHideMicrosoft=1\r\n");
    window->setSettingsFolder({settings, L"C:\\Vemdrol"});
    PeVersionResourceReader versions(target.files);
    RememberingSignatureReader remembering(target.files, refusing, *window->rememberedSignatures());
    DetailReader reader(target.files, versions, &remembering);
    auto owned = std::make_unique<InlineWorker>(reader);
    InlineWorker& worker = *owned;
    window->setDetailWorker(std::move(owned));
    window->setInventoryLoader([&](Text&) {
      window->rememberedSignatures()->load(table);
      HeldRowNotices held(window->list());
      for (const Text& path : target.paths) {
        window->list().addRow({L"file", L"", L"", path, L"10.0.1.0"});
      }
    });
    state.ResumeTiming();
    // The list as the user first sees it: Microsoft's files hidden at once.
    window->load();
    if (window->shownList().rowCount() != fileCount / 2) std::abort();
    // Then, with the argument 1, each file looked at again, none verified
    // anew.
    if (state.range(0) == 1) {
      worker.readAll();
      window->detailsArrived();
      if (window->shownList().rowCount() != fileCount / 2) std::abort();
    }
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = fileCount;
}
BENCHMARK(BM_WindowSecondStart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
