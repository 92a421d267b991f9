// A first start of vemdrol.exe under Wine, as a person double-clicks it in
// a fresh folder: its icon in the notification area while the hidden window
// builds the list, gone once it has ended; a second start meanwhile says it
// waits and ends in the window, whose status line counts the list's rows.
//
// The test is the notification area: Shell_NotifyIconW finds it as the
// window of class Shell_TrayWnd and sends it each call in WM_COPYDATA, the
// call's number in dwData and, in Wine's shell32, the icon's data in a form
// of its own (read by the offsets below).
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "app/form.h"
#include "app/list_status.h"
#include "app/rebuild_tray.h"
#include "os/win32/windows.h"
#include "win32/program_copy.h"
// After windows.h, through os/win32/windows.h.
#include <shellapi.h>

namespace vemdrol {
namespace {

using namespace testing;

class FakeNotificationArea {
 public:
  struct Call {
    DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    DWORD processId;
    Text tip;
    Text info;
    // The inventory file's size then: empty until the rebuild saves it.
    std::size_t inventoryBytes;
  };

  explicit FakeNotificationArea(Text inventory) : inventory_(std::move(inventory)) {
    thread_ = std::thread([this] { run(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return window_ != nullptr; });
  }
  ~FakeNotificationArea() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  std::vector<Call> callsOf(DWORD processId) {
    std::lock_guard lock(mutex_);
    std::vector<Call> calls;
    for (const Call& call : calls_) {
      if (call.processId == processId) calls.push_back(call);
    }
    return calls;
  }

 private:
  // Wine's form of NOTIFYICONDATAW: the owner window, the icon's number,
  // the flags and the callback message, then the tip, two words of state,
  // the notification's text.
  static constexpr std::size_t tipOffset = 16;
  static constexpr std::size_t infoOffset = tipOffset + 128 * sizeof(wchar_t) + 8;
  static constexpr std::size_t infoEnd = infoOffset + 256 * sizeof(wchar_t);

  void run() {
    WNDCLASSW kind{};
    kind.lpfnWndProc = procedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&kind);
    HWND window = CreateWindowExW(0, kind.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, kind.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard lock(mutex_);
      window_ = window;
    }
    ready_.notify_one();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == WM_CLOSE) break;
      DispatchMessageW(&message);
    }
    DestroyWindow(window);
    UnregisterClassW(kind.lpszClassName, kind.hInstance);
  }

  static std::size_t savedBytes(const Text& path) {
    const std::string bytes = fileBytes(path);
    return bytes == "<missing>" ? 0 : bytes.size();
  }

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeNotificationArea*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_COPYDATA || !self) return DefWindowProcW(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data->cbData < infoEnd) return FALSE;
    const auto* bytes = static_cast<const BYTE*>(data->lpData);
    LONG owner = 0;
    std::memcpy(&owner, bytes, sizeof(owner));
    Call call{static_cast<DWORD>(data->dwData), 0,
              reinterpret_cast<const wchar_t*>(bytes + tipOffset),
              reinterpret_cast<const wchar_t*>(bytes + infoOffset), savedBytes(self->inventory_)};
    GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<LONG_PTR>(owner)), &call.processId);
    std::lock_guard lock(self->mutex_);
    self->calls_.push_back(std::move(call));
    return TRUE;
  }

  Text inventory_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  HWND window_ = nullptr;
  std::vector<Call> calls_;
};

// The status line and the list's rows of a vemdrol.exe window: the status
// label is the child as far after the list as the controls' order puts it.
Text statusLineOf(HWND window, int& listRows) {
  const HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  listRows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  const int statusId =
      GetDlgCtrlID(list) + static_cast<int>(Control::statusLabel) - static_cast<int>(Control::list);
  wchar_t text[256] = {};
  GetWindowTextW(GetDlgItem(window, statusId), text, 256);
  return text;
}

TEST(DesktopStart, ShowsItsIconWhileItBuildsTheListAndASecondStartEndsInTheWindow) {
  ProgramCopy copy(L"vemdrol.exe");
  FakeNotificationArea area(copy.path(L"Vemdrol.Cnt"));

  UniqueHandle first;
  ASSERT_EQ(copy.run(L"", 0, &first), stillRunning);
  const DWORD firstProcess = copy.processId;
  // The icon shows before the list is saved.
  for (int i = 0; i < 600 && area.callsOf(firstProcess).empty(); ++i) Sleep(100);
  ASSERT_FALSE(area.callsOf(firstProcess).empty());

  UniqueHandle second;
  ASSERT_EQ(copy.run(L"", 0, &second), stillRunning);
  const DWORD secondProcess = copy.processId;
  const HWND window = waitForMainWindow(secondProcess);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(exists(copy.path(L"Vemdrol.Cnt")));
  ASSERT_EQ(WaitForSingleObject(first.get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 1;
  GetExitCodeProcess(first.get(), &code);
  EXPECT_EQ(code, 0u);

  const std::vector<FakeNotificationArea::Call> building = area.callsOf(firstProcess);
  ASSERT_GE(building.size(), 3u);
  EXPECT_EQ(building.front().message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(building.front().tip, rebuildingTip);
  EXPECT_EQ(building.front().inventoryBytes, 0u);
  const auto counted = std::find_if(building.begin(), building.end(), [](const auto& call) {
    return call.tip.starts_with(Text(rebuildingTip) + L" ") && call.tip.find(L" / ") != Text::npos;
  });
  EXPECT_NE(counted, building.end());
  const auto told = std::find_if(building.begin(), building.end(), [](const auto& call) {
    return call.info.starts_with(rebuiltNotice);
  });
  ASSERT_NE(told, building.end());
  EXPECT_GT(told->inventoryBytes, 0u);
  // The icon goes, last, once the list is saved; nothing shows it again.
  EXPECT_EQ(building.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(std::count_if(building.begin(), building.end(),
                          [](const auto& call) { return call.message == NIM_ADD; }),
            1);

  // The second start said at once that it waits, and took its word back
  // before its window showed.
  const std::vector<FakeNotificationArea::Call> waiting = area.callsOf(secondProcess);
  ASSERT_GE(waiting.size(), 3u);
  EXPECT_EQ(waiting.front().tip, waitingTip);
  EXPECT_EQ(waiting.front().inventoryBytes, 0u);
  EXPECT_EQ(waiting[1].info, waitingForRebuildNotice);
  EXPECT_EQ(waiting.back().message, static_cast<DWORD>(NIM_DELETE));

  int listRows = 0;
  const Text status = statusLineOf(window, listRows);
  EXPECT_GT(listRows, 0);
  EXPECT_EQ(status, groupedNumber(static_cast<std::size_t>(listRows)) + L" 行");
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(second.get(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
}

}  // namespace
}  // namespace vemdrol
