// What vemdrol.exe keeps between runs, run as a user runs it under Wine:
// program files in folders the code page cannot name survive a restart, a
// comparison with the inventory it has just saved finds no change, /saved
// gives every text whole, and a copy already working in the folder neither
// keeps an export waiting nor leaves a rebuild waiting in silence.
#include <gtest/gtest.h>

#include <string>

#include "base/utf8.h"
#include "files/field_reader.h"
#include "os/win32/windows.h"
#include "win32/program_copy.h"

namespace vemdrol {
namespace {

using namespace testing;

// A file type and a server whose files lie in folders named Café and 한글,
// with texts the inventory file cannot keep, in the classes Wine shows.
struct Registrations {
  explicit Registrations(const ProgramCopy& copy)
      : suffix(std::to_wstring(GetCurrentProcessId())),
        type(L"Software\\Classes\\VemdrolStore" + suffix + L".File"),
        // An extension of at most six characters, the dot included, makes a
        // row of its own.
        extension(L"Software\\Classes\\.v" + std::to_wstring(GetCurrentProcessId() % 10000)),
        clsid(L"Software\\Classes\\CLSID\\{6B0E4D1A-5C3B-4F2E-9A1D-0C7E5A3B2F19}") {
    program = copy.folder + L"\\Café\\café.exe";
    library = copy.folder + L"\\한글\\한글.dll";
    CreateDirectoryW((copy.folder + L"\\Café").c_str(), nullptr);
    CreateDirectoryW((copy.folder + L"\\한글").c_str(), nullptr);
    CopyFileW(copy.exe.c_str(), program.c_str(), FALSE);
    CopyFileW(copy.exe.c_str(), library.c_str(), FALSE);
    set(extension, L"VemdrolStore" + suffix + L".File");
    set(type, description);
    set(type + L"\\shell\\open\\command", L"\"" + program + L"\" \"%1\"");
    set(clsid + L"\\InprocServer32", library);
  }
  ~Registrations() {
    for (const Text& key : {type, extension, clsid})
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    DeleteFileW(program.c_str());
    DeleteFileW(library.c_str());
    RemoveDirectoryW(program.substr(0, program.rfind(L'\\')).c_str());
    RemoveDirectoryW(library.substr(0, library.rfind(L'\\')).c_str());
  }
  static void set(const Text& path, const Text& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    UniqueRegistryHandle owned(key);
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  const Text description = L"Vemdrol © \"保存\" 한글 \U00020BB7";
  Text suffix;
  Text type;
  Text extension;
  Text clsid;
  Text program;
  Text library;
};

// The paths of the inventory file's rows.
std::vector<Text> savedPaths(const ProgramCopy& copy) {
  std::vector<Text> paths;
  for (const Text& line : lines(fileBytes(copy.path(L"Vemdrol.Cnt")))) {
    const std::string bytes = toAnsi(line);
    FieldReader reader(bytes);
    for (int field = 0; !reader.atEnd(); ++field) {
      Result<std::string_view> read = reader.readField();
      if (read && field == 3) paths.push_back(fromAnsi(read.value()));
    }
  }
  return paths;
}

DWORD startAndClose(ProgramCopy& copy) {
  UniqueHandle running;
  if (copy.run(L"", 5000, &running) != stillRunning) return 1;
  const HWND window = waitForMainWindow(copy.processId);
  if (window == nullptr) return 2;
  PostMessageW(window, WM_CLOSE, 0, 0);
  return WaitForSingleObject(running.get(), 30000);
}

TEST(Storage, WholeTextsSurviveARestartAndAComparisonWithThemFindsNoChange) {
  ProgramCopy copy(L"vemdrol.exe");
  Registrations registered(copy);
  ASSERT_EQ(copy.run(L"作成", 300000), 0u);
  const auto countOf = [](const std::vector<Text>& paths, TextView wanted) {
    return std::count(paths.begin(), paths.end(), Text(wanted));
  };
  // The inventory file holds what its code page can: the names are lost.
  // (The program's row, and its folder's scan finds it once more.)
  const Text lostProgram = fromAnsi(toAnsi(registered.program));
  const Text lostLibrary = fromAnsi(toAnsi(registered.library));
  const std::vector<Text> built = savedPaths(copy);
  EXPECT_GE(countOf(built, lostProgram), 1);
  EXPECT_GE(countOf(built, lostLibrary), 1);
  EXPECT_TRUE(exists(copy.path(L"Vemdrol.state")));

  // A start loads the rows, drops those whose file is gone, and saves them:
  // none is gone, so every row stays.
  EXPECT_EQ(startAndClose(copy), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(savedPaths(copy), built);

  ASSERT_EQ(copy.run(L"/saved /sjson saved.json", 120000), 0u);
  const std::string saved = fileBytes(copy.path(L"saved.json"));
  for (const Text& whole : {Text(L"Caf\u00e9\\\\caf\u00e9.exe"), Text(L"\ud55c\uae00.dll"),
                            Text(L"\u00a9 \\\"\u4fdd\u5b58\\\""), Text(L"\U00020BB7")}) {
    EXPECT_NE(saved.find(toUtf8(whole)), std::string::npos) << toUtf8(whole);
  }

  // Compared at once with what it just saved, with the state file beside it
  // and with the bare inventory file: nothing changed.
  ASSERT_TRUE(CopyFileW(copy.path(L"Vemdrol.Cnt").c_str(), copy.path(L"bare.cnt").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(copy.path(L"Vemdrol.Cnt").c_str(), copy.path(L"kept.cnt").c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileW(copy.path(L"Vemdrol.state").c_str(), copy.path(L"kept.state").c_str(), FALSE));
  for (const wchar_t* older : {L"kept.cnt", L"bare.cnt"}) {
    const Text arguments =
        Text(L"/compare \"") + copy.path(older) + L"\" /changed /sjson diff.json";
    ASSERT_EQ(copy.run(arguments.c_str(), 300000), 0u) << toUtf8(older);
    const std::string diff = fileBytes(copy.path(L"diff.json"));
    EXPECT_NE(diff.find("\"rows\": []"), std::string::npos) << toUtf8(older) << "\n" << diff;
  }
}

TEST(Storage, BesideARunningWindowAnExportGoesOnAtOnceAndARebuildSaysItWaits) {
  ProgramCopy copy(L"vemdrol.exe");
  ASSERT_EQ(copy.run(L"作成", 300000), 0u);
  UniqueHandle window;
  ASSERT_EQ(copy.run(L"", 5000, &window), stillRunning);
  const HWND shown = waitForMainWindow(copy.processId);
  ASSERT_NE(shown, nullptr);
  const DWORD windowProcess = copy.processId;
  const std::string inventory = fileBytes(copy.path(L"Vemdrol.Cnt"));
  const std::string trace = fileBytes(copy.path(L"AppTrace.TXT"));

  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  const auto said = [&](const wchar_t* name) { return copy.folder + L"-" + name + L".txt"; };
  {
    UniqueHandle errors(CreateFileW(said(L"export").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                    &inherit, CREATE_ALWAYS, 0, nullptr));
    // Far less than the ten minutes an unattended start may wait.
    EXPECT_EQ(copy.run(L"/sjson x.json", 120000, nullptr, errors.get()), 0u);
  }
  const Text exportSaid = fromAnsi(fileBytes(said(L"export")));
  EXPECT_NE(exportSaid.find(L"一覧ファイルを保存せずに書き出します"), Text::npos)
      << toUtf8(exportSaid);
  EXPECT_NE(
      exportSaid.find(L"プロセス " + std::to_wstring(windowProcess) + L" でウィンドウを表示中"),
      Text::npos)
      << toUtf8(exportSaid);
  EXPECT_TRUE(exists(copy.path(L"x.json")));
  EXPECT_EQ(fileBytes(copy.path(L"Vemdrol.Cnt")), inventory);
  EXPECT_EQ(fileBytes(copy.path(L"AppTrace.TXT")), trace);

  // An unattended rebuild waits its turn, and says so before it waits.
  UniqueHandle waiting;
  {
    UniqueHandle errors(CreateFileW(said(L"rebuild").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                    &inherit, CREATE_ALWAYS, 0, nullptr));
    ASSERT_EQ(copy.run(L"作成", 3000, &waiting, errors.get()), stillRunning);
  }
  // Said before it waits, however slowly the copy starts.
  bool toldWaiting = false;
  for (int tries = 0; !toldWaiting && tries < 240; ++tries) {
    toldWaiting = fromAnsi(fileBytes(said(L"rebuild"))).find(L"終わるまで待ちます") != Text::npos;
    if (!toldWaiting) Sleep(250);
  }
  EXPECT_TRUE(toldWaiting);
  PostMessageW(shown, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(window.get(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_EQ(WaitForSingleObject(waiting.get(), 300000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 1;
  GetExitCodeProcess(waiting.get(), &code);
  EXPECT_EQ(code, 0u);
  DeleteFileW(said(L"export").c_str());
  DeleteFileW(said(L"rebuild").c_str());
}

}  // namespace
}  // namespace vemdrol
