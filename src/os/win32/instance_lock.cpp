#include "os/instance_lock.h"

#include <algorithm>
#include <cstring>
#include <string>
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

Text keyText(std::uint64_t key) {
  wchar_t hex[17] = {};
  for (int i = 15; i >= 0; --i, key >>= 4) hex[i] = L"0123456789abcdef"[key & 0xF];
  return hex;
}

Text mutexName(std::uint64_t key) {
  // Global: two users signed in at once and running one copy must not write its files
  // together either.
  return L"Global\\Vemdrol-" + keyText(key);
}

// Where the holder tells who it is: a small shared memory beside the mutex.
// A mapping in the global namespace needs a right that not every user has;
// the session's own namespace then serves those who share the session.
constexpr DWORD holderBytes = 32;
Text holderName(std::uint64_t key, bool global) {
  return (global ? L"Global\\Vemdrol-" : L"Local\\Vemdrol-") + keyText(key) + L"-holder";
}

// Everyone may wait for and release the mutex, and read the holder, whoever
// made them.
struct OpenSecurity {
  OpenSecurity() {
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
      attributes.lpSecurityDescriptor = &descriptor;
    }
  }
  OpenSecurity(const OpenSecurity&) = delete;
  OpenSecurity& operator=(const OpenSecurity&) = delete;
  SECURITY_DESCRIPTOR descriptor{};
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

class MutexLock final : public InstanceLock {
 public:
  MutexLock(UniqueHandle mutex, std::uint64_t key) : mutex_(std::move(mutex)), key_(key) {}
  ~MutexLock() override { ReleaseMutex(mutex_.get()); }

  void announce(const LockHolder& holder) override {
    if (!mapping_.valid()) {
      OpenSecurity security;
      for (const bool global : {true, false}) {
        mapping_ = UniqueHandle(CreateFileMappingW(INVALID_HANDLE_VALUE, &security.attributes,
                                                   PAGE_READWRITE, 0, holderBytes,
                                                   holderName(key_, global).c_str()));
        if (mapping_.valid()) break;
      }
      // Told as well as the system allows: a holder that cannot say who it
      // is holds the lock all the same.
      if (!mapping_.valid()) return;
    }
    UniqueMappedView view(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, holderBytes));
    if (!view.valid()) return;
    const std::string bytes = lockHolderBytes(holder);
    char* memory = static_cast<char*>(view.get());
    std::memset(memory, 0, holderBytes);
    std::memcpy(memory, bytes.data(), std::min<std::size_t>(bytes.size(), holderBytes - 1));
  }

 private:
  UniqueHandle mutex_;
  std::uint64_t key_;
  UniqueHandle mapping_;
};

class Win32InstanceLocks final : public InstanceLocks {
 public:
  Result<std::unique_ptr<InstanceLock>> lock(TextView folder,
                                             std::chrono::milliseconds wait) override {
    const std::uint64_t key = instanceLockKey(folder);
    const Text name = mutexName(key);
    OpenSecurity security;
    const auto deadline = GetTickCount64() + static_cast<ULONGLONG>(wait.count());
    for (;;) {
      UniqueHandle mutex(CreateMutexW(&security.attributes, FALSE, name.c_str()));
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
          return std::unique_ptr<InstanceLock>(std::make_unique<MutexLock>(std::move(mutex), key));
        case WAIT_TIMEOUT:
          return std::unique_ptr<InstanceLock>();
        default:
          return lastWindowsError();
      }
    }
  }

  std::optional<LockHolder> holder(TextView folder) override {
    const std::uint64_t key = instanceLockKey(folder);
    // Nobody holds a mutex that does not exist.
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, mutexName(key).c_str()));
    if (!mutex.valid()) return std::nullopt;
    for (const bool global : {true, false}) {
      UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, holderName(key, global).c_str()));
      if (!mapping.valid()) continue;
      UniqueMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, holderBytes));
      if (!view.valid()) continue;
      return lockHolderFrom(std::string_view(static_cast<const char*>(view.get()), holderBytes));
    }
    return std::nullopt;
  }
};

}  // namespace

std::uint64_t instanceLockKey(TextView folder) { return foldedPathKey(resolvedFolder(folder)); }

std::unique_ptr<InstanceLocks> makeSystemInstanceLocks() {
  return std::make_unique<Win32InstanceLocks>();
}

}  // namespace vemdrol
