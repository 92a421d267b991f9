// The one way into the Windows headers. Every file that needs the Windows API
// includes this header instead of <windows.h>, so that the macros that trim
// and configure those headers are set in one place.
#pragma once

#ifndef _WIN32
#error "os/win32/windows.h is for the Windows build only"
#endif

#include <windows.h>
// windows.h must come first: commctrl.h relies on its types.
#include <commctrl.h>

#include <utility>

#include "base/error.h"

namespace vemdrol {

// Owns one handle of the kind Traits describes and closes it when it goes.
// Traits gives the handle type, its "no handle" test and its close function.
template <class Traits>
class UniqueWin32Handle {
 public:
  using Type = typename Traits::Type;

  UniqueWin32Handle() = default;
  explicit UniqueWin32Handle(Type handle) : handle_(handle) {}
  UniqueWin32Handle(UniqueWin32Handle&& other) noexcept : handle_(other.release()) {}
  UniqueWin32Handle& operator=(UniqueWin32Handle&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.release();
    }
    return *this;
  }
  UniqueWin32Handle(const UniqueWin32Handle&) = delete;
  UniqueWin32Handle& operator=(const UniqueWin32Handle&) = delete;
  ~UniqueWin32Handle() { close(); }

  Type get() const { return handle_; }
  bool valid() const { return Traits::valid(handle_); }
  Type release() { return std::exchange(handle_, Traits::empty()); }

  // Closes now. False when the close itself failed (GetLastError tells why);
  // for a file that was written, that can be the only sign of lost bytes.
  bool close() {
    const Type handle = release();
    return !Traits::valid(handle) || Traits::close(handle) != FALSE;
  }

 private:
  Type handle_ = Traits::empty();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type empty() { return nullptr; }
  // CreateFileW reports failure with INVALID_HANDLE_VALUE, most other calls
  // with null.
  static bool valid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static BOOL close(Type handle) { return ::CloseHandle(handle); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type empty() { return INVALID_HANDLE_VALUE; }
  static bool valid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static BOOL close(Type handle) { return ::FindClose(handle); }
};

using UniqueHandle = UniqueWin32Handle<KernelHandleTraits>;
using UniqueFindHandle = UniqueWin32Handle<FindHandleTraits>;

// The error value for a Windows error number, with the system's own text for
// it in the user's language.
inline Error windowsError(DWORD number) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  Text description;
  if (buffer != nullptr) {
    description.assign(buffer, length);
    ::LocalFree(buffer);
  }
  while (!description.empty() && (description.back() == L'\r' || description.back() == L'\n' ||
                                  description.back() == L' ')) {
    description.pop_back();
  }
  return Error{static_cast<long>(number), std::move(description)};
}

inline Error lastWindowsError() { return windowsError(::GetLastError()); }

// Registry keys. The predefined keys (HKEY_CLASSES_ROOT and the others, the
// handle values 0x80000000 to 0x80000060) belong to the process, not to
// whoever holds one, and are never closed here.
struct RegistryHandleTraits {
  using Type = HKEY;
  static Type empty() { return nullptr; }
  static bool valid(Type key) { return key != nullptr; }
  static bool predefined(Type key) {
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    return value >= reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT) &&
           value <= reinterpret_cast<ULONG_PTR>(HKEY_PERFORMANCE_NLSTEXT);
  }
  static BOOL close(Type key) {
    if (predefined(key)) return TRUE;
    const LSTATUS status = ::RegCloseKey(key);
    if (status == ERROR_SUCCESS) return TRUE;
    // The registry answers with the error number; the wrapper's callers ask
    // GetLastError.
    ::SetLastError(static_cast<DWORD>(status));
    return FALSE;
  }
};

using UniqueRegistryHandle = UniqueWin32Handle<RegistryHandleTraits>;

// A view of a file mapping (MapViewOfFile).
struct MappedViewTraits {
  using Type = void*;
  static Type empty() { return nullptr; }
  static bool valid(Type view) { return view != nullptr; }
  static BOOL close(Type view) { return ::UnmapViewOfFile(view); }
};

using UniqueMappedView = UniqueWin32Handle<MappedViewTraits>;

}  // namespace vemdrol
