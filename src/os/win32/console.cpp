#include "os/console.h"

#include <string>

#include "os/codepage.h"
#include "os/win32/windows.h"

namespace vemdrol {

namespace {

bool isFileOrPipe(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

class Win32Console final : public Console {
 public:
  Win32Console() {
    output_ = GetStdHandle(STD_OUTPUT_HANDLE);
    error_ = GetStdHandle(STD_ERROR_HANDLE);
    // Redirected output is kept; only what goes nowhere is sent to the
    // parent's console.
    if ((!isFileOrPipe(output_) || !isFileOrPipe(error_)) && AttachConsole(ATTACH_PARENT_PROCESS)) {
      console_ = UniqueHandle(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
      if (!isFileOrPipe(output_)) output_ = console_.get();
      if (!isFileOrPipe(error_)) error_ = console_.get();
    }
  }

  void writeLine(TextView line, bool error) override {
    const HANDLE handle = error ? error_ : output_;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    Text text(line);
    text += L"\r\n";
    DWORD written = 0;
    if (isConsole(handle)) {
      WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
      return;
    }
    // A file or a pipe takes the bytes of the code page a Japanese console
    // and its scripts read.
    const std::string bytes = toAnsi(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }

 private:
  HANDLE output_ = nullptr;
  HANDLE error_ = nullptr;
  UniqueHandle console_;
};

}  // namespace

std::unique_ptr<Console> attachConsole() { return std::make_unique<Win32Console>(); }

}  // namespace vemdrol
