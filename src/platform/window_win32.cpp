#include <vector>

#include "platform/gdi_win32.h"
#include "platform/process.h"
#include "platform/win32.h"
#include "platform/window.h"

namespace vemdrol {

namespace {

// The clipboard is shared with every other program; OpenClipboard fails while
// another one holds it, so the program may fail here, and says so.
class ClipboardLock {
 public:
  ClipboardLock() : open_(OpenClipboard(nullptr) != FALSE) {}
  ClipboardLock(const ClipboardLock&) = delete;
  ClipboardLock& operator=(const ClipboardLock&) = delete;
  ~ClipboardLock() {
    if (open_) CloseClipboard();
  }
  bool open() const { return open_; }

 private:
  bool open_;
};

class Win32WindowServices final : public WindowServices {
 public:
  Status clearClipboard() override {
    ClipboardLock lock;
    if (!lock.open()) return lastWindowsError();
    if (!EmptyClipboard()) return lastWindowsError();
    return success();
  }

  TwipsSize screenSize() const override {
    return {scale_.toTwipsX(GetSystemMetrics(SM_CXSCREEN)),
            scale_.toTwipsY(GetSystemMetrics(SM_CYSCREEN))};
  }

  Text commandLine() const override { return argumentsOfCommandLine(GetCommandLineW()); }

  Text programFolder() const override { return vemdrol::programFolder(); }

  bool askYesNo(TextView title, TextView question) override {
    const Text titleText(title);
    const Text questionText(question);
    return MessageBoxW(GetActiveWindow(), questionText.c_str(), titleText.c_str(),
                       MB_YESNO | MB_DEFBUTTON1) == IDYES;
  }

  void setScreenPointer(Pointer pointer) override {
    SetCursor(LoadCursorW(nullptr, pointer == Pointer::hourglass ? IDC_WAIT : IDC_ARROW));
  }

  void runPendingEvents() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Leave the quit request for the main loop, which ends the program.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void endProgram() override { ExitProcess(0); }

 private:
  TwipsScale scale_;
};

}  // namespace

std::unique_ptr<WindowServices> makeSystemWindowServices() {
  return std::make_unique<Win32WindowServices>();
}

}  // namespace vemdrol
