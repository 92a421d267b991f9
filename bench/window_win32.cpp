// vemdrol_window_bench.exe: times vemdrol.exe's window as a person meets it,
// for scripts/bench-window.
//
//   vemdrol_window_bench.exe start   FOLDER    start-up until the window is
//                                              shown with its list and idle
//   vemdrol_window_bench.exe rebuild FOLDER    a click on 再作成 until the
//                                              status line says it ended
//   vemdrol_window_bench.exe details FOLDER    from the window shown until
//                                              the details a remembered sort
//                                              by a detail column waits for
//                                              are read, with the longest
//                                              the window took to answer
//
// FOLDER holds vemdrol.exe with its inventory file and view. Each run
// starts the program, does its part, closes the window and waits for the
// program to end. Prints name=value lines: the time measured and the time
// the window took to close, in seconds. No processor time: under Wine,
// GetProcessTimes gave about 1 s for a rebuild that Linux charged over 30 s
// to; perf on the Linux side tells where the time goes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/text.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

HWND visibleMainWindow(DWORD processId) {
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

// The text of another process's control; "" while that process is busy.
Text controlText(HWND control) {
  wchar_t text[256] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 50, &copied)) {
    return Text();
  }
  return text;
}

// The window's child of a class whose text is the given one.
HWND childWithText(HWND window, const wchar_t* className, const wchar_t* text) {
  HWND child = nullptr;
  while ((child = FindWindowExW(window, child, className, nullptr)) != nullptr) {
    if (controlText(child) == text) return child;
  }
  return nullptr;
}

int run(const Text& mode, const Text& folder) {
  const Text exe = folder + L"\\vemdrol.exe";
  Text line = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const Clock::time_point started = Clock::now();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process)) {
    std::fprintf(stderr, "cannot start %ls: %lu\n", exe.c_str(), GetLastError());
    return 1;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle thread(process.hThread);
  HWND window = nullptr;
  while (!(window = visibleMainWindow(process.dwProcessId))) {
    if (WaitForSingleObject(processHandle.get(), 5) == WAIT_OBJECT_0) {
      std::fprintf(stderr, "vemdrol.exe ended before it showed its window\n");
      return 1;
    }
  }
  WaitForInputIdle(processHandle.get(), INFINITE);
  // Once more through the window's queue: the list has been drawn when a
  // message sent after the paint is answered.
  controlText(window);
  const double startSeconds = secondsSince(started);
  if (mode == L"start") {
    std::printf("start=%.3f\n", startSeconds);
  } else if (mode == L"details") {
    // The status line counts the rows read while the sort waits; the window
    // must go on answering meanwhile. Each poll is a message the window's
    // thread has to answer, so its slowest answer is how long the window
    // was unresponsive at most.
    HWND status = nullptr;
    const Clock::time_point shown = Clock::now();
    while (!status) {
      HWND child = nullptr;
      while (!status && (child = FindWindowExW(window, child, L"STATIC", nullptr)) != nullptr) {
        if (controlText(child).starts_with(L"詳細を取得中")) status = child;
      }
      if (secondsSince(shown) > 60) {
        std::fprintf(stderr, "the status line never showed 詳細を取得中\n");
        return 1;
      }
    }
    double slowest = 0;
    std::size_t polls = 0;
    for (;;) {
      wchar_t text[256] = {};
      DWORD_PTR copied = 0;
      const Clock::time_point asked = Clock::now();
      SendMessageTimeoutW(status, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), 0, 60000,
                          &copied);
      slowest = std::max(slowest, secondsSince(asked));
      ++polls;
      if (!Text(text).starts_with(L"詳細を取得中")) break;
      Sleep(10);
    }
    std::printf("details=%.3f\nslowest=%.3f\npolls=%zu\n", secondsSince(shown), slowest, polls);
  } else {
    const HWND button = childWithText(window, L"BUTTON", L"再作成");
    if (!button) {
      std::fprintf(stderr, "no 再作成 button\n");
      return 1;
    }
    const Clock::time_point clicked = Clock::now();
    PostMessageW(button, BM_CLICK, 0, 0);
    // The status line shows 再作成終了 when the rebuild and its save ended.
    while (!childWithText(window, L"STATIC", L"再作成終了")) Sleep(20);
    std::printf("rebuild=%.3f\n", secondsSince(clicked));
  }
  const Clock::time_point closing = Clock::now();
  PostMessageW(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(processHandle.get(), INFINITE);
  std::printf("close=%.3f\n", secondsSince(closing));
  return 0;
}

}  // namespace
}  // namespace vemdrol

int wmain(int argc, wchar_t** argv) {
  const vemdrol::Text mode = argc == 3 ? argv[1] : L"";
  if (mode != L"start" && mode != L"rebuild" && mode != L"details") {
    std::fprintf(stderr, "usage: vemdrol_window_bench.exe start|rebuild|details FOLDER\n");
    return 2;
  }
  return vemdrol::run(argv[1], argv[2]);
}
