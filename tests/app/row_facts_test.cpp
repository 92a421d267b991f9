// The window's details of the list's files: what is asked for when, how the
// answers are kept, and the sorts and copies that wait for them.
#include "app/row_facts.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/detail_worker.h"
#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "os/memory/filesystem.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

constexpr std::size_t sizeColumn = firstDetailColumn + factIndex(Fact::size);
constexpr std::size_t machineColumn = firstDetailColumn + factIndex(Fact::machine);
constexpr std::size_t hashColumn = firstDetailColumn + factIndex(Fact::sha256);
constexpr std::size_t signerColumn = firstDetailColumn + factCount;

// A worker the test runs by hand: it keeps what the window asks for, and
// reads it with a DetailReader over the test's files when told.
class ManualDetailWorker final : public DetailWorker {
 public:
  explicit ManualDetailWorker(DetailReader& reader) : reader_(reader) {}
  void request(DetailRequest request, bool urgent) override {
    asked.push_back(request);
    askedUrgently.push_back(urgent);
    waiting_.push_back(std::move(request));
  }
  void cancel() override {
    waiting_.clear();
    ready_.clear();
    ++cancels;
  }
  std::vector<DetailResult> takeResults() override { return std::exchange(ready_, {}); }
  void read(std::size_t count = std::numeric_limits<std::size_t>::max()) {
    for (; count > 0 && !waiting_.empty(); --count) {
      const DetailRequest request = waiting_.front();
      waiting_.erase(waiting_.begin());
      ready_.push_back({request.key, readParts(request.parts),
                        reader_.detailsOf(request.path, detailPartsToRead(request.parts))});
    }
  }
  std::size_t waiting() const { return waiting_.size(); }

  std::vector<DetailRequest> asked;
  std::vector<bool> askedUrgently;
  std::size_t cancels = 0;

 private:
  DetailReader& reader_;
  std::vector<DetailRequest> waiting_;
  std::vector<DetailResult> ready_;
};

// Answers every file as unsigned, and counts the files it was asked about.
struct CountingSignatures final : SignatureReader {
  Result<SignatureFacts> signatureOf(TextView) override {
    ++calls;
    return SignatureFacts{};
  }
  std::size_t calls = 0;
};

struct RowFacts : ::testing::Test {
  RowFacts() {
    std::string program = peWithVersionBlock(versionBlock(fileVersion(1, 2, 3, 4)));
    program.resize(3000, '\0');
    files.addFile(L"C:\\App\\a.exe", program);
    files.addFile(L"C:\\App\\b.dll", std::string(20, 'b'));
    files.addFile(L"C:\\App\\c.dll", std::string(100, 'c'));
    applyDesign(form);
    window.setRebuildCommand([this] {
      // A view draws its rows while the rebuild lets events run.
      for (std::size_t row = 0; row < window.list().rowCount(); ++row) {
        window.cellToShow(row, sizeColumn);
      }
      ++rebuilds;
    });
    window.setInventoryLoader([this](Text&) {
      window.list().addRow({L"a.exe", L"", L"", L"C:\\App\\a.exe", L"1.2.3.4"});
      window.list().addRow({L"*.a", L"", L"", L"C:\\APP\\A.EXE", L""});
      window.list().addRow({L"b.dll", L"", L"", L"C:\\App\\b.dll", L""});
      window.list().addRow({L"c.dll", L"", L"", L"C:\\App\\c.dll", L""});
      window.list().addRow({L"gone.dll", L"", L"", L"C:\\App\\gone.dll", L""});
    });
    auto owned = std::make_unique<ManualDetailWorker>(reader);
    worker = owned.get();
    window.setDetailWorker(std::move(owned));
    window.load();
  }
  // What a view of the list asks for as it draws every row's shown cells.
  void drawRows() {
    for (std::size_t row = 0; row < window.shownList().rowCount(); ++row) {
      for (const ShownColumn& column : window.shownColumns()) window.cellToShow(row, column.column);
    }
  }
  void readAll() {
    worker->read();
    window.detailsArrived();
  }
  std::vector<Text> cells(std::size_t column) const {
    std::vector<Text> texts;
    for (std::size_t row = 0; row < window.list().rowCount(); ++row) {
      texts.emplace_back(window.cellText(row, column));
    }
    return texts;
  }

  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  CountingSignatures signatures;
  DetailReader reader{files, versions, &signatures};
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
  ManualDetailWorker* worker = nullptr;
  int rebuilds = 0;
};

TEST_F(RowFacts, HiddenColumnsCostNothingAndAShownOneIsReadOncePerFile) {
  for (std::size_t column = firstDetailColumn; column < changeColumn; ++column) {
    window.cellToShow(0, column);
  }
  EXPECT_TRUE(worker->asked.empty());

  window.showColumn(sizeColumn, true);
  drawRows();
  // One reading a file, letter case ignored; only the facts, without the
  // hash or the signature.
  ASSERT_EQ(worker->asked.size(), 4u);
  for (const DetailRequest& request : worker->asked) EXPECT_EQ(request.parts, factsPart);
  EXPECT_EQ(worker->askedUrgently, std::vector<bool>(4, true));
  EXPECT_EQ(window.cellText(0, sizeColumn), L"");
  drawRows();
  EXPECT_EQ(worker->asked.size(), 4u);

  readAll();
  EXPECT_EQ(cells(sizeColumn),
            (std::vector<Text>{L"3000", L"3000", L"20", L"100", Text(unavailableText)}));
  EXPECT_EQ(window.cellText(0, machineColumn), L"x64");
  EXPECT_EQ(signatures.calls, 0u);
  EXPECT_EQ(window.facts().size(), 4u);

  // The signature and the hash only once their columns show, each alone.
  window.showColumn(signerColumn, true);
  window.showColumn(hashColumn, true);
  worker->asked.clear();
  drawRows();
  ASSERT_EQ(worker->asked.size(), 4u);
  EXPECT_EQ(worker->asked[0].parts, unsigned{hashPart | signaturePart});
  readAll();
  EXPECT_EQ(signatures.calls, 4u);
  EXPECT_EQ(window.cellText(1, signerColumn), L"署名なし");
  EXPECT_EQ(window.cellText(1, hashColumn).size(), 64u);
  EXPECT_EQ(window.cellText(4, hashColumn), unavailableText);
}

TEST_F(RowFacts, SortByADetailColumnWaitsForEveryRowAndSortsByItsOrder) {
  window.columnClick(sizeColumn + 1);
  // Nothing moves until every row's file is read; the status line counts.
  EXPECT_EQ(window.list().cell(0, 0), L"a.exe");
  EXPECT_EQ(form.caption(Control::statusLabel), L"詳細を取得中 0 / 5");
  EXPECT_EQ(worker->askedUrgently, std::vector<bool>(4, false));
  worker->read(2);
  window.detailsArrived();
  EXPECT_EQ(form.caption(Control::statusLabel), L"詳細を取得中 3 / 5");
  EXPECT_FALSE(window.list().sorted());
  readAll();
  // The wait's count gives way to the list's.
  EXPECT_EQ(form.caption(Control::statusLabel), L"5 行");
  EXPECT_TRUE(window.list().sorted());
  EXPECT_EQ(window.list().sortKey(), sizeColumn);
  // Descending first, as any column; sizes by their value, so 100 is above
  // 20, and the file that could not be read after the numbers.
  EXPECT_EQ(cells(sizeColumn),
            (std::vector<Text>{Text(unavailableText), L"3000", L"3000", L"100", L"20"}));

  // Known now: the next click sorts at once, and reads nothing.
  const std::size_t asked = worker->asked.size();
  window.columnClick(sizeColumn + 1);
  EXPECT_EQ(cells(sizeColumn),
            (std::vector<Text>{L"20", L"100", L"3000", L"3000", Text(unavailableText)}));
  EXPECT_EQ(worker->asked.size(), asked);
}

TEST_F(RowFacts, RebuildDropsTheWaitAndReadsNothingWhileItRuns) {
  window.showColumn(sizeColumn, true);
  window.columnClick(sizeColumn + 1);
  const std::size_t asked = worker->asked.size();
  window.rebuildClick();
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(worker->cancels, 1u);
  EXPECT_EQ(worker->waiting(), 0u);
  EXPECT_EQ(worker->asked.size(), asked);
  EXPECT_EQ(form.caption(Control::statusLabel), L"");
  // What was asked for and dropped is asked for again once the rows show.
  drawRows();
  EXPECT_EQ(worker->asked.size(), asked + 4);
  readAll();
  EXPECT_FALSE(window.list().sorted());
}

TEST_F(RowFacts, CopyTakesTheShownDetailsOfTheSelectedRowsOnceRead) {
  window.showColumn(sizeColumn, true);
  window.showColumn(1, false);
  EXPECT_TRUE(window.list().setSelected(2, true).ok());
  EXPECT_TRUE(window.list().setSelected(3, true).ok());
  window.listCommand(static_cast<int>(ListCommand::copyRows));
  EXPECT_FALSE(services.clipboardCleared);
  EXPECT_EQ(worker->asked.size(), 2u);
  readAll();
  EXPECT_EQ(services.clipboard,
            L"種類\tアプリケーション\tパス\tバージョン\tサイズ\r\n"
            L"b.dll\t\tC:\\App\\b.dll\t\t20\r\n"
            L"c.dll\t\tC:\\App\\c.dll\t\t100\r\n");
}

TEST_F(RowFacts, RememberedViewKeepsTheDetailColumnsAndTheirSort) {
  MemoryFileSystem settingsFiles;
  settingsFiles.addFolder(L"C:\\Vemdrol");
  const ProgramFolder folder{settingsFiles, L"C:\\Vemdrol"};
  window.setSettingsFolder(folder);
  window.showColumn(sizeColumn, true);
  window.columnClick(sizeColumn + 1);
  readAll();
  window.unload();

  MemoryForm otherForm;
  MainWindow other(otherForm, services);
  other.setSettingsFolder(folder);
  other.setInventoryLoader([&](Text&) {
    other.list().addRow({L"b.dll", L"", L"", L"C:\\App\\b.dll", L""});
    other.list().addRow({L"c.dll", L"", L"", L"C:\\App\\c.dll", L""});
  });
  auto otherWorker = std::make_unique<ManualDetailWorker>(reader);
  ManualDetailWorker& started = *otherWorker;
  other.setDetailWorker(std::move(otherWorker));
  other.load();
  EXPECT_TRUE(other.detailShown(factIndex(Fact::size)));
  EXPECT_FALSE(other.detailShown(factIndex(Fact::company)));
  // The saved sort waits for the files, as a click would.
  EXPECT_EQ(otherForm.caption(Control::statusLabel), L"詳細を取得中 0 / 2");
  started.read();
  other.detailsArrived();
  EXPECT_EQ(other.list().cell(0, 0), L"c.dll");
}

}  // namespace
}  // namespace vemdrol
