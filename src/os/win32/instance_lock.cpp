#include "os/instance_lock.h"

#include <vector>

#include "os/win32/windows.h"

namespace vemdrol {

namespace {

// The path the system resolves the folder to, or the full path where the
// folder cannot be opened.
Text resolvedFolder(TextView folder) {
  const Text given(folder);
  UniqueHandle handle(CreateFileW(given.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (handle.valid()) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int tries = 0; tries < 2; ++tries) {
      const DWORD length = GetFinalPathNameByHandleW(handle.get(), buffer.data(),
                                                     static_cast<DWORD>(buffer.size()), 0);
      if (length == 0) break;
      if (length < buffer.size()) return Text(buffer.data(), length);
      buffer.resize(length + 1);
    }
  }
  const DWORD length = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (length == 0) return given;
  std::vector<wchar_t> buffer(length + 1);
  const DWORD written =
      GetFullPathNameW(given.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  return written > 0 && written < buffer.size() ? Text(buffer.data(), written) : given;
}

Text mutexName(std::uint64_t key) {
  wchar_t hex[17] = {};
  for (int i = 15; i >= 0; --i, key >>= 4) hex[i] = L"0123456789abcdef"[key & 0xF];
  // Global: two users signed in at once and running one copy must not write its files
  // together either.
  return Text(L"Global\\Vemdrol-") + hex;
}

class MutexLock final : public InstanceLock {
 public:
  explicit MutexLock(UniqueHandle mutex) : mutex_(std::move(mutex)) {}
  ~MutexLock() override { ReleaseMutex(mutex_.get()); }

 private:
  UniqueHandle mutex_;
};

class Win32InstanceLocks final : public InstanceLocks {
 public:
  Result<std::unique_ptr<InstanceLock>> lock(TextView folder,
                                             std::chrono::milliseconds wait) override {
    const Text name = mutexName(instanceLockKey(folder));
    // Everyone may wait for and release the mutex, whoever made it.
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, FALSE};
    SECURITY_DESCRIPTOR descriptor{};
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
      security.lpSecurityDescriptor = &descriptor;
    }
    const auto deadline = GetTickCount64() + static_cast<ULONGLONG>(wait.count());
    for (;;) {
      UniqueHandle mutex(CreateMutexW(&security, FALSE, name.c_str()));
      if (!mutex.valid()) {
        // A mutex another user made without letting others in: its holder
        // is working. It goes when that process ends.
        if (GetLastError() != ERROR_ACCESS_DENIED) return lastWindowsError();
        if (GetTickCount64() >= deadline) return std::unique_ptr<InstanceLock>();
        Sleep(100);
        continue;
      }
      const ULONGLONG now = GetTickCount64();
      const DWORD remaining = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
      switch (WaitForSingleObject(mutex.get(), remaining)) {
        case WAIT_OBJECT_0:
        // The holder died holding it: its files are as it left them, which
        // the next rebuild handles like any crash.
        case WAIT_ABANDONED:
          return std::unique_ptr<InstanceLock>(std::make_unique<MutexLock>(std::move(mutex)));
        case WAIT_TIMEOUT:
          return std::unique_ptr<InstanceLock>();
        default:
          return lastWindowsError();
      }
    }
  }
};

}  // namespace

std::uint64_t instanceLockKey(TextView folder) { return foldedPathKey(resolvedFolder(folder)); }

std::unique_ptr<InstanceLocks> makeSystemInstanceLocks() {
  return std::make_unique<Win32InstanceLocks>();
}

}  // namespace vemdrol
