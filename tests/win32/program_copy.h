// A copy of one of the project's programs in a fresh folder, run as a user
// or a scheduled task would run it, and what the end-to-end tests under Wine
// read back from the files it writes.
#pragma once

#include <string>
#include <vector>

#include "base/text.h"
#include "os/codepage.h"
#include "os/win32/windows.h"

namespace vemdrol::testing {

inline constexpr DWORD stillRunning = 0xFFFFFFFF;

inline Text binFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  Text text(path);
  return text.substr(0, text.find_last_of(L'\\'));
}

inline std::string fileBytes(const Text& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) return "<missing>";
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

inline std::vector<Text> lines(const std::string& bytes) {
  std::vector<Text> result;
  const Text text = fromAnsi(bytes);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == Text::npos) end = text.size();
    result.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return result;
}

inline bool exists(const Text& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder holding a copy of one of the project's programs.
struct ProgramCopy {
  explicit ProgramCopy(const wchar_t* program) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder = Text(temp) + L"vemdrol-run-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount());
    CreateDirectoryW(folder.c_str(), nullptr);
    exe = folder + L"\\vemdrol.exe";
    CopyFileW((binFolder() + L"\\" + program).c_str(), exe.c_str(), FALSE);
  }
  ~ProgramCopy() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const Text file = folder + L"\\" + found.cFileName;
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file.c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }
  Text path(const wchar_t* name) const { return folder + L"\\" + name; }

  // Starts the program; waits up to timeout for it to end and returns its
  // exit code, or stillRunning with the process left in *running.
  // errors, when given, takes the program's standard error.
  DWORD run(const wchar_t* arguments, DWORD timeout, UniqueHandle* running = nullptr,
            HANDLE errors = nullptr) {
    Text line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (errors) {
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdError = errors;
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, errors ? TRUE : FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
      return GetLastError();
    }
    UniqueHandle handle(process.hProcess);
    UniqueHandle thread(process.hThread);
    processId = process.dwProcessId;
    if (WaitForSingleObject(handle.get(), timeout) == WAIT_TIMEOUT) {
      if (running) *running = std::move(handle);
      return stillRunning;
    }
    DWORD code = 0;
    GetExitCodeProcess(handle.get(), &code);
    return code;
  }

  Text folder;
  Text exe;
  DWORD processId = 0;
};

// The visible main window of a process, if it has one.
inline HWND mainWindowOf(DWORD processId) {
  struct Search {
    DWORD processId;
    HWND found;
  } search{processId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t title[32] = {};
        GetWindowTextW(window, title, 32);
        if (owner == s->processId && IsWindowVisible(window) && Text(title) == L"Vemdrol") {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND waitForMainWindow(DWORD processId) {
  for (int i = 0; i < 600; ++i) {
    if (HWND window = mainWindowOf(processId)) return window;
    Sleep(100);
  }
  return nullptr;
}

}  // namespace vemdrol::testing
