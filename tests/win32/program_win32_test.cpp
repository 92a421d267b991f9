// vemdrol.exe from end to end under Wine: copied into a fresh folder, run
// with "作成", then started again; and crash recovery with the build that
// dies while reading a named file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/field_reader.h"
#include "os/codepage.h"
#include "os/instance_lock.h"
#include "os/win32/windows.h"
#include "vemdrol_version.h"
#include "win32/program_copy.h"

namespace vemdrol {
namespace {

using namespace testing;

struct Record {
  std::vector<Text> fields;
};

// The inventory file's records, checking that every line is five quoted fields.
std::vector<Record> records(const std::string& bytes, bool& wellFormed) {
  wellFormed = true;
  std::vector<Record> result;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      wellFormed = false;
      break;
    }
    const std::string line = bytes.substr(start, end - start);
    start = end + 2;
    Record record;
    FieldReader reader(line);
    while (!reader.atEnd()) record.fields.push_back(fromAnsi(reader.readField().value()));
    const auto quotes = std::count(line.begin(), line.end(), '"');
    if (record.fields.size() != 5 || quotes != 10 || line.front() != '"' || line.back() != '"') {
      wellFormed = false;
    }
    result.push_back(std::move(record));
  }
  return result;
}

TEST(Program, RebuildsInAFreshFolderThenStartsInteractive) {
  ProgramCopy copy(L"vemdrol.exe");
  ASSERT_EQ(copy.run(L"作成", 300000), 0u);

  const std::vector<Text> trace = lines(fileBytes(copy.path(L"AppTrace.TXT")));
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace.front(), L"開始");
  EXPECT_EQ(trace.back(), L"終了");
  EXPECT_EQ(trace[1], copy.folder + L"\\内の調査");
  std::vector<Text> pathLines;
  std::size_t folderLines = 0;
  for (std::size_t i = 1; i + 1 < trace.size(); ++i) {
    if (trace[i].ends_with(L"内の調査")) {
      ++folderLines;
    } else {
      pathLines.push_back(trace[i]);
    }
  }
  EXPECT_GE(folderLines, 2u);

  bool wellFormed = false;
  const std::vector<Record> rows = records(fileBytes(copy.path(L"Vemdrol.cnt")), wellFormed);
  EXPECT_TRUE(wellFormed);
  ASSERT_FALSE(rows.empty());
  std::size_t missing = 0;
  bool ownRow = false;
  for (const Record& row : rows) {
    if (!exists(row.fields[3])) ++missing;
    if (row.fields[3] == copy.exe) {
      ownRow = true;
      EXPECT_EQ(row.fields[1], L"Vemdrol インストール済みプログラム一覧");
      // The version resource made from the project's version (vemdrol.rc).
      EXPECT_EQ(row.fields[4], Text(vemdrolVersion));
    }
  }
  EXPECT_EQ(missing, 0u);
  EXPECT_TRUE(ownRow);
  // Every path line is a file the folder scan added as a row, in row order.
  ASSERT_LE(pathLines.size(), rows.size());
  const std::size_t firstScanned = rows.size() - pathLines.size();
  for (std::size_t i = 0; i < pathLines.size(); ++i) {
    EXPECT_EQ(rows[firstScanned + i].fields[3], pathLines[i]);
  }
  std::printf("rows: %zu, folders scanned: %zu, files added by the scan: %zu\n", rows.size(),
              folderLines, pathLines.size());

  // Without an argument the saved rows are loaded and the window waits.
  UniqueHandle running;
  ASSERT_EQ(copy.run(L"", 5000, &running), stillRunning);
  HWND window = mainWindowOf(copy.processId);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(running.get(), 30000), WAIT_OBJECT_0);
}

TEST(Program, FileWhoseReadingKilledTheRebuildIsSkippedNextTime) {
  ProgramCopy copy(L"vemdrol_crashing.exe");
  // A second program file in the program's own folder, which is scanned
  // first: the process dies while its version texts are read.
  ASSERT_TRUE(CopyFileW(copy.exe.c_str(), copy.path(L"victim.dll").c_str(), FALSE));
  SetEnvironmentVariableW(L"VEMDROL_DIE_READING", L"victim.dll");
  EXPECT_EQ(copy.run(L"作成", 300000), 3u);
  const std::vector<Text> cutOff = lines(fileBytes(copy.path(L"AppTrace.TXT")));
  ASSERT_FALSE(cutOff.empty());
  EXPECT_EQ(cutOff.back(), copy.path(L"victim.dll"));

  // Started again with the same switch: the file is on the skip list, its
  // texts are not read, so the process does not die and the rebuild ends.
  EXPECT_EQ(copy.run(L"作成", 300000), 0u);
  SetEnvironmentVariableW(L"VEMDROL_DIE_READING", nullptr);
  const std::vector<Text> skipList = lines(fileBytes(copy.path(L"AppSkip.cnt")));
  EXPECT_NE(std::find(skipList.begin(), skipList.end(), L"\"victim.dll\""), skipList.end());
  EXPECT_EQ(lines(fileBytes(copy.path(L"AppTrace.TXT"))).back(), L"終了");
  bool wellFormed = false;
  bool skipped = false;
  for (const Record& row : records(fileBytes(copy.path(L"Vemdrol.cnt")), wellFormed)) {
    if (row.fields[0] == L"victim.dll") skipped = row.fields[1] == L"処理回避";
  }
  EXPECT_TRUE(skipped);
}

TEST(Program, SecondStartShowsTheRunningWindowAndAnUnattendedOneWaitsForIt) {
  ProgramCopy copy(L"vemdrol.exe");
  ASSERT_EQ(copy.run(L"作成", 300000), 0u);
  const std::string trace = fileBytes(copy.path(L"AppTrace.TXT"));
  const std::string inventory = fileBytes(copy.path(L"Vemdrol.cnt"));

  UniqueHandle first;
  ASSERT_EQ(copy.run(L"", 2000, &first), stillRunning);
  const HWND window = waitForMainWindow(copy.processId);
  ASSERT_NE(window, nullptr);

  // A second start with a window hands over to the first and ends.
  EXPECT_EQ(copy.run(L"", 60000), 0u);
  EXPECT_EQ(WaitForSingleObject(first.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

  // An unattended start waits, and writes nothing meanwhile.
  UniqueHandle waiting;
  ASSERT_EQ(copy.run(L"作成", 3000, &waiting), stillRunning);
  EXPECT_EQ(fileBytes(copy.path(L"AppTrace.TXT")), trace);
  EXPECT_EQ(fileBytes(copy.path(L"Vemdrol.cnt")), inventory);

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(first.get(), 30000), WAIT_OBJECT_0);
  // Closed by the user, the window left its view for the next start.
  EXPECT_TRUE(exists(copy.path(L"Vemdrol.ini")));
  ASSERT_EQ(WaitForSingleObject(waiting.get(), 300000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(waiting.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(lines(fileBytes(copy.path(L"AppTrace.TXT"))).back(), L"終了");
}

TEST(Program, UnattendedRebuildInAReadOnlyFolderFailsAndSaysWhy) {
  ProgramCopy copy(L"vemdrol.exe");
  // Every file the program writes is there and read-only.
  for (const wchar_t* name : {L"AppTrace.TXT", L"Vemdrol.Cnt", L"AppSkip.cnt"}) {
    UniqueHandle file(CreateFileW(copy.path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_READONLY, nullptr));
    ASSERT_TRUE(file.valid());
  }
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  const Text errorsPath = copy.folder + L"-errors.txt";
  UniqueHandle errors(CreateFileW(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(errors.valid());
  EXPECT_EQ(copy.run(L"作成", 300000, nullptr, errors.get()), 1u);
  errors.close();
  const Text said = fromAnsi(fileBytes(errorsPath));
  DeleteFileW(errorsPath.c_str());
  EXPECT_TRUE(said.starts_with(L"CntWrite ")) << toAnsi(said);
  EXPECT_NE(said.find(L" 内容="), Text::npos);
  EXPECT_EQ(fileBytes(copy.path(L"AppTrace.TXT")), "");
}

TEST(Program, CarriesItsIconsAndItsManifest) {
  const Text exe = binFolder() + L"\\vemdrol.exe";
  HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  // Every size from a small title bar at 96 dpi to a large file-manager view.
  for (int size : {16, 20, 24, 32, 40, 48, 64, 96, 128, 256}) {
    HICON icon =
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof(colour), &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string manifest(bytes, SizeofResource(module, found));
  for (const char* part : {"Microsoft.Windows.Common-Controls", "PerMonitorV2", "<dpiAware",
                           "longPathAware", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  FreeLibrary(module);
}

TEST(InstanceLockWin32, OneHolderPerFolderHoweverItIsSpelled) {
  ProgramCopy copy(L"vemdrol.exe");
  auto locks = makeSystemInstanceLocks();
  // A mutex is its owning thread's to take again: the holder is another
  // thread, as it would be another process.
  UniqueHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  struct Holder {
    InstanceLocks* locks;
    Text folder;
    HANDLE held;
    HANDLE release;
  } holder{locks.get(), copy.folder, held.get(), release.get()};
  UniqueHandle thread(CreateThread(
      nullptr, 0,
      [](void* context) -> DWORD {
        auto* h = static_cast<Holder*>(context);
        auto lock = h->locks->lock(h->folder, std::chrono::milliseconds(0));
        SetEvent(h->held);
        WaitForSingleObject(h->release, INFINITE);
        return lock && lock.value() ? 0 : 1;
      },
      &holder, 0, nullptr));
  ASSERT_EQ(WaitForSingleObject(held.get(), 10000), WAIT_OBJECT_0);

  Text otherSpelling = copy.folder + L"\\";
  for (wchar_t& c : otherSpelling) c = static_cast<wchar_t>(towupper(c));
  EXPECT_EQ(instanceLockKey(otherSpelling), instanceLockKey(copy.folder));
  auto refused = locks->lock(otherSpelling, std::chrono::milliseconds(300));
  ASSERT_TRUE(refused);
  EXPECT_FALSE(refused.value());
  auto elsewhere = locks->lock(copy.folder + L"-other", std::chrono::milliseconds(0));
  ASSERT_TRUE(elsewhere);
  EXPECT_TRUE(elsewhere.value());

  SetEvent(release.get());
  auto taken = locks->lock(copy.folder, std::chrono::milliseconds(10000));
  ASSERT_TRUE(taken);
  EXPECT_TRUE(taken.value());
  WaitForSingleObject(thread.get(), 10000);
  DWORD code = 1;
  GetExitCodeThread(thread.get(), &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace vemdrol
