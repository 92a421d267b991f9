// The window's filters by signature: what they hide and when, what the
// status line says, and that search, sort, copy and comparison take the
// rows shown; the signatures remembered from an earlier run.
#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "app/form_design.h"
#include "app/list_status.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "files/inventory_file.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

const SignatureFacts microsoft{SignatureState::verified, L"Microsoft Windows",
                               SignatureFailure::none, 0, L"Microsoft Corporation"};
const SignatureFacts vendor{SignatureState::verified, L"Vendor", SignatureFailure::none, 0,
                            L"Vendor Inc."};
const SignatureFacts tampered{SignatureState::failed, L"Microsoft Windows",
                              SignatureFailure::digestMismatch, 0, L"Microsoft Corporation"};

// Answers by path, as the test sets them; counts the questions.
struct GivenSignatures final : SignatureReader {
  Result<SignatureFacts> signatureOf(TextView path) override {
    ++calls;
    const auto found = facts.find(foldCase(path));
    if (found == facts.end()) return Error{2, L"no file"};
    return found->second;
  }
  std::map<Text, SignatureFacts> facts;
  std::size_t calls = 0;
};

// Reads what the window asks for when the test says so.
class ManualWorker final : public DetailWorker {
 public:
  explicit ManualWorker(DetailReader& reader) : reader_(reader) {}
  void request(DetailRequest request, bool) override { waiting_.push_back(std::move(request)); }
  void cancel() override { waiting_.clear(); }
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

 private:
  DetailReader& reader_;
  std::vector<DetailRequest> waiting_;
  std::vector<DetailResult> ready_;
};

struct SignatureFilterWindow : ::testing::Test {
  SignatureFilterWindow() {
    signatures.facts = {{L"c:\\win\\a.dll", microsoft},
                        {L"c:\\app\\b.exe", SignatureFacts{}},
                        {L"c:\\win\\c.dll", tampered},
                        {L"c:\\app\\d.exe", vendor}};
    applyDesign(form);
    window.setInventoryLoader([this](Text&) {
      window.list().addRow({L"a.dll", L"", L"", L"C:\\Win\\a.dll", L"10.0"});
      window.list().addRow({L"b.exe", L"", L"", L"C:\\App\\b.exe", L""});
      window.list().addRow({L"*.a", L"", L"", L"C:\\WIN\\A.DLL", L""});
      window.list().addRow({L"c.dll", L"", L"", L"C:\\Win\\c.dll", L""});
      window.list().addRow({L"d.exe", L"", L"", L"C:\\App\\d.exe", L""});
      window.list().addRow({L"none", L"", L"", L"", L""});
    });
    auto owned = std::make_unique<ManualWorker>(reader);
    worker = owned.get();
    window.setDetailWorker(std::move(owned));
    window.load();
  }

  void command(ListCommand which) { window.listCommand(static_cast<int>(which)); }
  void readAll() {
    worker->read();
    window.detailsArrived();
  }
  std::vector<Text> shownNames() const {
    std::vector<Text> names;
    const ListModel& shown = window.shownList();
    for (std::size_t row = 0; row < shown.rowCount(); ++row) names.push_back(shown.cell(row, 0));
    return names;
  }
  bool checked(ListCommand which) const {
    for (const MenuEntry& entry : window.rowMenu()) {
      if (entry.command == static_cast<int>(which)) return entry.checked;
    }
    return false;
  }
  Text status() const { return form.caption(Control::statusLabel); }

  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  GivenSignatures signatures;
  DetailReader reader{files, versions, &signatures};
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
  ManualWorker* worker = nullptr;
};

TEST_F(SignatureFilterWindow, EachFilterHidesWhatItNamesOnceTheSignatureIsKnown) {
  struct Case {
    ListCommand command;
    std::vector<Text> shown;
    Text status;
  };
  const std::vector<Case> cases = {
      {ListCommand::hideMicrosoft,
       {L"b.exe", L"c.dll", L"d.exe", L"none"},
       L"6 行中 4 行を表示 (Microsoft の項目を隠す)"},
      {ListCommand::unverifiedOnly,
       {L"b.exe", L"c.dll", L"none"},
       L"6 行中 3 行を表示 (Microsoft の項目を隠す、検証できない項目だけ表示)"},
      {ListCommand::hideMicrosoft,
       {L"b.exe", L"c.dll", L"none"},
       L"6 行中 3 行を表示 (検証できない項目だけ表示)"},
  };
  bool first = true;
  for (const Case& c : cases) {
    command(c.command);
    if (first) {
      // Nothing is known yet: every row shows while the files are verified.
      EXPECT_EQ(shownNames().size(), 6u);
      EXPECT_EQ(status(), L"6 行中 6 行を表示 (Microsoft の項目を隠す)、署名を検証中 0 / 5");
      EXPECT_EQ(worker->waiting(), 4u);
      worker->read(1);
      window.detailsArrived();
      readAll();
      first = false;
    }
    EXPECT_EQ(shownNames(), c.shown);
    EXPECT_EQ(status(), c.status);
  }
  EXPECT_FALSE(checked(ListCommand::hideMicrosoft));
  EXPECT_TRUE(checked(ListCommand::unverifiedOnly));
  // Each file was verified once, for both filters.
  EXPECT_EQ(signatures.calls, 4u);

  command(ListCommand::unverifiedOnly);
  EXPECT_EQ(shownNames().size(), 6u);
  EXPECT_EQ(status(), L"6 行");
}

TEST_F(SignatureFilterWindow, SearchSortAndCopyTakeTheShownRows) {
  command(ListCommand::hideMicrosoft);
  readAll();
  window.columnClick(1);  // 種類, descending
  EXPECT_EQ(shownNames(), (std::vector<Text>{L"none", L"d.exe", L"c.dll", L"b.exe"}));

  form.setCaption(Control::searchBox, L"dll");
  window.searchTextChange();
  window.searchDownClick();
  ASSERT_EQ(window.shownList().selectedCount(), 1u);
  EXPECT_TRUE(window.shownList().selected(2));

  window.listCommand(static_cast<int>(ListCommand::selectAll));
  command(ListCommand::copyRows);
  EXPECT_EQ(services.clipboard.find(L"a.dll"), Text::npos);
  EXPECT_NE(services.clipboard.find(L"d.exe"), Text::npos);

  // The sort stays with the list when the filter goes.
  command(ListCommand::hideMicrosoft);
  EXPECT_EQ(window.list().cell(0, 0), L"none");
  EXPECT_TRUE(window.list().sorted());
}

TEST_F(SignatureFilterWindow, AComparisonIsFilteredWithItsChangesInPlace) {
  command(ListCommand::hideMicrosoft);
  readAll();
  std::string earlier;
  appendInventoryLine(earlier, InventoryRecord{L"a.dll", L"", L"", L"C:\\Win\\a.dll", L"6.1"});
  appendInventoryLine(earlier, InventoryRecord{L"d.exe", L"", L"", L"C:\\App\\d.exe", L"1.0"});
  MemoryFileSystem older;
  older.addFile(L"C:\\old.cnt", earlier);
  // The window compares through the files it was connected with.
  MemoryRegistry registry;
  window.connect(MainWindow::Machine{registry, older, versions});
  window.compareWith(L"C:\\old.cnt");
  ASSERT_TRUE(window.comparison());
  for (std::size_t row = 0; row < window.shownList().rowCount(); ++row) {
    const Text change(window.cellText(row, changeColumn));
    const Text name = window.shownList().cell(row, 0);
    EXPECT_NE(name, L"a.dll");
    EXPECT_EQ(change.starts_with(L"変更"), name == L"d.exe") << name;
    EXPECT_FALSE(window.rowRemoved(row)) << name;
  }
  EXPECT_TRUE(status().starts_with(L"比較: ")) << status();
  window.endComparison();
  EXPECT_EQ(shownNames(), (std::vector<Text>{L"b.exe", L"c.dll", L"d.exe", L"none"}));
}

TEST_F(SignatureFilterWindow, RememberedSignaturesHideAtOnceAndAreLookedAtAgain) {
  command(ListCommand::hideMicrosoft);
  readAll();
  // What a second start finds in the state file.
  RememberedSignatures earlier;
  earlier.remember(L"C:\\Win\\a.dll", FileStamp{1, 2}, microsoft);
  earlier.remember(L"C:\\App\\d.exe", FileStamp{1, 2}, vendor);
  const StateTable table = earlier.table();

  MemoryFileSystem settingsFiles;
  settingsFiles.addFolder(L"C:\\Vemdrol");
  const ProgramFolder folder{settingsFiles, L"C:\\Vemdrol"};
  window.setSettingsFolder(folder);
  window.unload();

  MemoryForm secondForm;
  applyDesign(secondForm);
  MainWindow second(secondForm, services);
  second.setSettingsFolder(folder);
  second.setInventoryLoader([&](Text&) {
    second.rememberedSignatures()->load(table);
    second.list().addRow({L"a.dll", L"", L"", L"C:\\Win\\a.dll", L""});
    second.list().addRow({L"d.exe", L"", L"", L"C:\\App\\d.exe", L""});
  });
  auto owned = std::make_unique<ManualWorker>(reader);
  ManualWorker& secondWorker = *owned;
  second.setDetailWorker(std::move(owned));
  second.load();
  EXPECT_TRUE(second.signatureFilter().hideMicrosoft);
  ASSERT_EQ(second.shownList().rowCount(), 1u);
  EXPECT_EQ(second.shownList().cell(0, 0), L"d.exe");
  // Each file is looked at again; one that changed shows what it is now.
  EXPECT_EQ(secondWorker.waiting(), 2u);
  signatures.facts[L"c:\\win\\a.dll"] = SignatureFacts{};
  secondWorker.read();
  second.detailsArrived();
  EXPECT_EQ(second.shownList().rowCount(), 2u);
  EXPECT_EQ(secondForm.caption(Control::statusLabel),
            L"2 行中 2 行を表示 (Microsoft の項目を隠す)");
}

TEST(ListStatus, SaysHowManyRowsOfHowManyAndWhy) {
  struct Case {
    ListStatus status;
    const wchar_t* text;
  };
  SignatureFilter both;
  both.hideMicrosoft = both.unverifiedOnly = true;
  const Case cases[] = {
      {{15000, 15000, {}, false, false, std::nullopt}, L"15,000 行"},
      {{1234, 15000, {true, false}, false, false, std::nullopt},
       L"15,000 行中 1,234 行を表示 (Microsoft の項目を隠す)"},
      {{15000, 15000, {true, false}, false, false, ListStatus::Progress{5000, 15000}},
       L"15,000 行中 15,000 行を表示 (Microsoft の項目を隠す)、署名を検証中 5,000 / 15,000"},
      {{310, 15200, {}, true, true, std::nullopt},
       L"比較: 15,200 行中 310 行を表示 (差分のみ表示)"},
      {{3, 9, both, true, false, std::nullopt},
       L"比較: 9 行中 3 行を表示 (Microsoft の項目を隠す、検証できない項目だけ表示)"},
      {{0, 0, {}, false, false, std::nullopt}, L"0 行"},
  };
  for (const Case& c : cases) EXPECT_EQ(listStatusText(c.status), c.text);
}

}  // namespace
}  // namespace vemdrol
