#include "scan/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "files/program_files.h"
#include "os/codepage.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"
#include "version/test_readers.h"

namespace vemdrol {
namespace {

const RegistryRoot classes = RegistryRoot::classesRoot;

std::string program(std::uint16_t major, std::uint16_t build, const wchar_t* description) {
  ProgramVersion version = fileVersion(major, 0, 0, build);
  version.description = description;
  version.legalCopyright = L"(C) Vemdrol";
  return peWithVersionBlock(versionBlock(version));
}

struct Rebuild : ::testing::Test {
  Rebuild() {
    applyDesign(form);
    files.addFile(L"C:\\Vemdrol\\vemdrol.exe", program(1, 2, L"インベントリ"));
    registry.setDefaultString(classes, L".txt", L"txtfile");
    registry.setDefaultString(classes, L".log", L"txtfile");
    registry.setDefaultString(classes, L"txtfile", L"テキスト文書");
    registry.setDefaultString(classes, L"txtfile\\shell\\open\\command",
                              L"C:\\WINDOWS\\notepad.exe %1");
    files.addFile(L"C:\\WINDOWS\\notepad.exe", program(6, 5512, L"メモ帳"));
    files.addFile(L"C:\\WINDOWS\\readme.txt", "text");
    files.addFile(L"C:\\WINDOWS\\a.axe", "");
    files.addFile(L"C:\\WINDOWS\\x.Ax", program(2, 1, L"filter"));
    library(L"{1}", L"C:\\lib\\same.dll");
    library(L"{2}", L"C:\\lib2\\same.dll");
    library(L"{3}", L"C:\\lib\\none.dll");
    files.addFile(L"C:\\lib\\same.dll", program(3, 7, L"same"));
    files.addFile(L"C:\\lib2\\same.dll", program(3, 7, L"same elsewhere"));
    files.addFile(L"C:\\lib\\none.dll", "no version here");
    files.addFile(L"C:\\lib\\extra.OCX", program(4, 0, L"control"));
    window.connect({registry, files, versions});
  }
  void library(const wchar_t* clsid, const wchar_t* path) {
    registry.setDefaultString(classes, L"CLSID\\" + Text(clsid) + L"\\InprocServer32", path);
  }
  std::vector<Text> traceLines() {
    std::vector<Text> lines;
    Result<std::string> bytes = files.readFile(L"C:\\Vemdrol\\AppTrace.TXT");
    if (!bytes) return lines;
    Text text = fromAnsi(bytes.value());
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find(L"\r\n", start);
      lines.push_back(text.substr(start, end - start));
      start = end == Text::npos ? text.size() : end + 2;
    }
    return lines;
  }
  std::vector<Text> column(std::size_t k) {
    std::vector<Text> cells;
    for (std::size_t row = 0; row < window.list().rowCount(); ++row) {
      cells.push_back(window.list().cell(row, k));
    }
    return cells;
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
};

TEST_F(Rebuild, BuildsRowsScansTheFoldersTracesAndSaves) {
  // No inventory file yet: start-up rebuilds on its own.
  window.load();
  EXPECT_TRUE(window.unattended());
  // The program behind a type's row is listed again under its file name by
  // the folder scan; a library without a version number gets no row, and of
  // two libraries with the same name and version only the first.
  EXPECT_EQ(column(0), (std::vector<Text>{L"*.log;*.txt", L"same.dll", L"vemdrol.exe",
                                          L"notepad.exe", L"x.Ax", L"extra.OCX"}));
  EXPECT_EQ(column(2)[0], L"テキスト文書");
  EXPECT_EQ(column(4)[0], L"6.0.5512");
  // A library row takes its texts from the file's version resource.
  EXPECT_EQ(column(1)[1], L"same");
  EXPECT_EQ(column(2)[1], L"(C) Vemdrol");
  EXPECT_EQ(column(3)[1], L"C:\\lib\\same.dll");

  EXPECT_EQ(traceLines(), (std::vector<Text>{
                              L"開始",
                              L"C:\\Vemdrol\\内の調査",
                              L"C:\\Vemdrol\\vemdrol.exe",
                              L"C:\\WINDOWS\\内の調査",
                              L"C:\\WINDOWS\\notepad.exe",
                              L"C:\\WINDOWS\\x.Ax",
                              L"C:\\lib\\内の調査",
                              L"C:\\lib\\extra.OCX",
                              L"終了",
                          }));
  EXPECT_EQ(form.caption(Control::statusLabel), L"再作成終了、6 行");
  EXPECT_FALSE(form.visible(Control::passMarks));
  EXPECT_FALSE(form.visible(Control::stepMarks));
  EXPECT_TRUE(form.enabled(Control::rebuildButton));
  Result<std::string> saved = files.readFile(L"C:\\Vemdrol\\Vemdrol.cnt");
  ASSERT_TRUE(saved);
  EXPECT_EQ(std::count(saved.value().begin(), saved.value().end(), '\n'), 6);
  EXPECT_EQ(std::count(saved.value().begin(), saved.value().end(), '"'), 6 * 5 * 2);
}

TEST_F(Rebuild, NoSecondRebuildStartsFromTheEventsItLetsRun) {
  int nested = 0;
  services.pendingEvents = [&] {
    EXPECT_FALSE(form.enabled(Control::rebuildButton));
    const std::size_t before = traceLines().size();
    window.rebuildClick();
    if (traceLines().size() < before) ++nested;
  };
  window.load();
  EXPECT_GT(services.pendingEventRuns, 0u);
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(traceLines().front(), L"開始");
  EXPECT_EQ(traceLines().back(), L"終了");
}

TEST_F(Rebuild, ListViewKnowsEveryRowWheneverEventsRun) {
  struct View : ListObserver {
    explicit View(const ListModel& model) : model(model) {}
    void columnsChanged() override {}
    void rowsAdded() override {
      ++notices;
      known = model.rowCount();
    }
    void rowsChanged() override { known = model.rowCount(); }
    void cellChanged(std::size_t) override {}
    void selectionChanged(std::size_t) override {}
    void bringIntoView(std::size_t) override {}
    const ListModel& model;
    std::size_t known = 0;
    int notices = 0;
  } view(window.list());
  window.list().setObserver(&view);
  files.addFile(L"C:\\Vemdrol\\Vemdrol.cnt",
                "\"*.a\",\"\",\"\",\"C:\\WINDOWS\\notepad.exe\",\"1.0.0\"\r\n"
                "\"*.b\",\"\",\"\",\"C:\\WINDOWS\\notepad.exe\",\"1.0.0\"\r\n");
  int checks = 0;
  services.pendingEvents = [&] {
    EXPECT_EQ(view.known, window.list().rowCount());
    ++checks;
  };
  services.arguments = L"作成";
  window.load();
  EXPECT_GT(checks, 0);
  EXPECT_EQ(view.known, 6u);
  // Fewer notices than rows: the two saved rows came in one.
  EXPECT_LT(view.notices, 2 + 6);
  window.list().setObserver(nullptr);
}

TEST_F(Rebuild, EmptyListStillScansTheOwnFolder) {
  MemoryRegistry empty;
  MainWindow other{form, services};
  other.connect({empty, files, versions});
  other.rebuildClick();
  EXPECT_EQ(traceLines(), (std::vector<Text>{L"開始", L"C:\\Vemdrol\\内の調査",
                                             L"C:\\Vemdrol\\vemdrol.exe", L"終了"}));
  EXPECT_EQ(other.list().rowCount(), 1u);
}

TEST_F(Rebuild, SecondRebuildReadsEveryVersionAfresh) {
  window.rebuildClick();
  files.addFile(L"C:\\WINDOWS\\notepad.exe", program(7, 1, L"メモ帳"));
  window.rebuildClick();
  EXPECT_EQ(column(4)[0], L"7.0.1");
}

TEST_F(Rebuild, ReadsAFileForItsNumberOnceAndScannedFilesForTheirTextsAfterTheirTrace) {
  // notepad.exe is the program of two types and is met again by the folder
  // scan; same.dll is read once for its number and texts both.
  registry.setDefaultString(classes, L".ini", L"inifile");
  registry.setDefaultString(classes, L"inifile\\shell\\open\\command",
                            L"c:\\windows\\NOTEPAD.EXE %1");
  struct TracingReader : VersionResourceReader {
    TracingReader(VersionResourceReader& inner, std::function<std::size_t()> traced)
        : inner(inner), traced(std::move(traced)) {}
    Result<std::optional<VersionResource>> versionResourceOf(TextView path) override {
      reads.push_back({foldCase(path), traced()});
      return inner.versionResourceOf(path);
    }
    VersionResourceReader& inner;
    std::function<std::size_t()> traced;
    // Each read with the number of trace lines written before it.
    std::vector<std::pair<Text, std::size_t>> reads;
  } reader(versions, [this] { return traceLines().size(); });
  MainWindow other{form, services};
  other.connect({registry, files, reader});
  other.rebuildClick();
  EXPECT_EQ(other.list().rowCount(), 7u);

  std::map<Text, std::vector<std::size_t>> reads;
  for (const auto& [path, traced] : reader.reads) reads[path].push_back(traced);
  EXPECT_EQ(reads[L"c:\\lib\\same.dll"].size(), 1u);
  EXPECT_EQ(reads[L"c:\\lib2\\same.dll"].size(), 1u);
  EXPECT_EQ(reads[L"c:\\lib\\none.dll"].size(), 1u);
  // The files the folder scan adds: once for the number, once more for the
  // texts, after the trace line that names the file.
  const std::vector<Text> lines = traceLines();
  for (const Text added : {L"C:\\WINDOWS\\notepad.exe", L"C:\\Vemdrol\\vemdrol.exe",
                           L"C:\\WINDOWS\\x.Ax", L"C:\\lib\\extra.OCX"}) {
    const std::vector<std::size_t>& at = reads[foldCase(added)];
    ASSERT_EQ(at.size(), 2u) << ::testing::PrintToString(added);
    const auto traced = std::find_if(lines.begin(), lines.end(),
                                     [&](const Text& line) { return equalNoCase(line, added); });
    ASSERT_NE(traced, lines.end());
    const auto line = static_cast<std::size_t>(traced - lines.begin());
    EXPECT_LE(at[0], line);
    EXPECT_GT(at[1], line);
  }
  EXPECT_EQ(reads.size(), 7u);
}

TEST_F(Rebuild, SkipListedFilesAreNotReadForTheirTexts) {
  files.addFile(L"C:\\Vemdrol\\AppSkip.cnt", "\"X.AX\"\r\n");
  Text flag;
  window.load();  // loads the skip list, then rebuilds: the list is empty
  const std::vector<Text> types = column(0);
  const auto at = std::find(types.begin(), types.end(), L"x.Ax") - types.begin();
  ASSERT_LT(static_cast<std::size_t>(at), types.size());
  EXPECT_EQ(column(1)[at], L"処理回避");
  EXPECT_EQ(column(4)[at], L"2.0.1");
}

TEST_F(Rebuild, FailureLeavesTheErrorLineLastAndSavesWhatWasBuilt) {
  FailingVersionReader failing(faultError(Fault::outOfMemory, 7));
  MainWindow other{form, services};
  other.connect({registry, files, failing});
  other.rebuildClick();
  EXPECT_EQ(traceLines(), (std::vector<Text>{L"開始", L"7 内容=メモリが不足しています。"}));
  // The error stays; the end of the rebuild is not announced over it.
  EXPECT_EQ(form.caption(Control::statusLabel), L"7 内容=メモリが不足しています。");
  Result<std::string> saved = files.readFile(L"C:\\Vemdrol\\Vemdrol.cnt");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved.value(), "");
}

TEST_F(Rebuild, ScanOfAnotherSystemHasNoOwnFolderAndWritesNothing) {
  window.rebuildClick();
  std::vector<std::array<Text, cellCount>> windowRows;
  for (std::size_t row = 0; row < window.list().rowCount(); ++row) {
    // The program's own folder is not part of another system.
    if (!startsWithNoCase(window.list().cell(row, 3), L"C:\\Vemdrol\\")) {
      windowRows.push_back(window.list().cells(row));
    }
  }
  files.remove(L"C:\\Vemdrol\\AppTrace.TXT");
  files.remove(L"C:\\Vemdrol\\Vemdrol.cnt");

  struct Quiet : ScanObserver {
    void failed(const Failure&) override {}
    void onBuild(const BuildEvent&) override {}
    void onScan(const ScanEvent&) override {}
    void letEventsRun() override { ++eventPoints; }
    int eventPoints = 0;
  } quiet;
  ListModel list;
  ColumnTable columns;
  columns.fill();
  Inventory inventory;
  RegistryListing listing;
  const std::optional<SkipList> skipList = builtInSkipList();
  ScanParts parts{quiet,    list,  columns,  inventory, listing,
                  registry, files, versions, nullptr,   skipList};
  const ScanOutcome outcome = runScan(parts);
  EXPECT_TRUE(outcome.ok());
  EXPECT_GT(quiet.eventPoints, 0);
  std::vector<std::array<Text, cellCount>> offlineRows;
  for (std::size_t row = 0; row < list.rowCount(); ++row) offlineRows.push_back(list.cells(row));
  EXPECT_EQ(offlineRows, windowRows);
  EXPECT_FALSE(files.attributesOf(L"C:\\Vemdrol\\AppTrace.TXT").value());
  EXPECT_FALSE(files.attributesOf(L"C:\\Vemdrol\\Vemdrol.cnt").value());
}

TEST(ProgramFileNames, LastFourOrThreeCharactersDecide) {
  for (const wchar_t* name : {L"app.exe", L"APP.EXE", L"x.Ax", L"a.ocx", L"b.Dll"}) {
    EXPECT_TRUE(isProgramFileName(name)) << std::string(name, name + 1);
  }
  for (const wchar_t* name : {L"readme.txt", L"a.axe", L"exe", L"dll.", L""}) {
    EXPECT_FALSE(isProgramFileName(name));
  }
}

}  // namespace
}  // namespace vemdrol
