// The registry through the Unicode (W) forms of the API. The ANSI forms would
// squeeze every name and string through the ANSI code page: a subkey name
// that code page cannot hold (an "é" on a Japanese system, say) would come
// back with "?" in its place, and that name opens nothing, or another key.

#include "os/registry.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "os/win32/windows.h"

namespace vemdrol {
namespace {

static_assert(KEY_READ == 0x20019);

// A first guess that holds nearly every default value in one call.
constexpr DWORD firstValueBuffer = 512;
// A value can grow between the call that reports its size and the next one;
// after this many rounds the key is reported as failing rather than chased.
constexpr int maxValueReads = 8;
// Subkey names are up to 255 characters; one more for the NUL.
constexpr DWORD nameBuffer = maxRegistryNameLength + 1;

HKEY rootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::classesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::currentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::localMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::users:
      return HKEY_USERS;
    case RegistryRoot::performanceData:
      return HKEY_PERFORMANCE_DATA;
    case RegistryRoot::currentConfig:
      return HKEY_CURRENT_CONFIG;
    case RegistryRoot::dynData:
      return HKEY_DYN_DATA;
  }
  return nullptr;
}

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(UniqueRegistryHandle key) : key_(std::move(key)) {}

  Result<std::optional<RegistryData>> defaultValue() override { return read(nullptr); }
  Result<std::optional<Text>> subkeyName(std::uint32_t index) override;
  Result<std::optional<RegistryData>> value(TextView name) override;

 private:
  // The value of that name (nullptr: the default value), read whole.
  Result<std::optional<RegistryData>> read(const wchar_t* name);

  UniqueRegistryHandle key_;
};

// The default value is the key's value with the empty name, and a query for
// the empty name returns exactly that value. Enumerating the key's values and
// taking the one whose name has length 0 finds the same value (a key holds at
// most one value of each name), but has to walk, and read, every named value
// before it; the query reads only the default value.
Result<std::optional<RegistryData>> Win32RegistryKey::value(TextView name) {
  // The API would stop reading the name at a NUL and answer for another
  // value; no value's name holds one.
  if (name.find(L'\0') != TextView::npos) return std::optional<RegistryData>();
  const Text terminated(name);
  return read(terminated.c_str());
}

Result<std::optional<RegistryData>> Win32RegistryKey::read(const wchar_t* name) {
  std::string bytes;
  DWORD wanted = firstValueBuffer;
  for (int read = 0; read < maxValueReads; ++read) {
    try {
      bytes.resize(wanted);
    } catch (const std::bad_alloc&) {
      return windowsError(ERROR_NOT_ENOUGH_MEMORY);
    }
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(bytes.size());
    const LSTATUS status = ::RegQueryValueExW(key_.get(), name, nullptr, &type,
                                              reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::optional<RegistryData>();
    if (status == ERROR_SUCCESS) {
      if (size > bytes.size()) return windowsError(ERROR_INVALID_DATA);
      bytes.resize(size);
      return std::optional<RegistryData>(RegistryData{type, std::move(bytes)});
    }
    if (status != ERROR_MORE_DATA) return windowsError(static_cast<DWORD>(status));
    // size is what the value needs now. Some keys (performance data) report
    // no useful size; growing the buffer anyway keeps every round a step on.
    const DWORD doubled =
        bytes.size() > MAXDWORD / 2 ? MAXDWORD : static_cast<DWORD>(bytes.size() * 2);
    wanted = std::max(size, doubled);
  }
  return windowsError(ERROR_MORE_DATA);
}

Result<std::optional<Text>> Win32RegistryKey::subkeyName(std::uint32_t index) {
  wchar_t name[nameBuffer];
  DWORD length = nameBuffer;
  const LSTATUS status =
      ::RegEnumKeyExW(key_.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_NO_MORE_ITEMS) return std::optional<Text>();
  if (status != ERROR_SUCCESS) return windowsError(static_cast<DWORD>(status));
  if (length >= nameBuffer) return windowsError(ERROR_MORE_DATA);
  return std::optional<Text>(Text(name, length));
}

class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> open(RegistryRoot root, TextView subKey) override {
    return openWith(root, subKey, 0);
  }

  std::unique_ptr<RegistryKey> openInView(RegistryRoot root, TextView subKey,
                                          RegistryView view) override {
    return openWith(root, subKey, view == RegistryView::bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
  }

 private:
  static std::unique_ptr<RegistryKey> openWith(RegistryRoot root, TextView subKey,
                                               REGSAM viewFlag) {
    const HKEY parent = rootHandle(root);
    if (parent == nullptr || subKey.find(L'\0') != TextView::npos) return nullptr;
    const Text path(subKey);
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | viewFlag, &opened) != ERROR_SUCCESS ||
        opened == nullptr) {
      return nullptr;
    }
    // For an empty path the system may hand back the predefined key itself;
    // the handle wrapper knows not to close that one.
    return std::make_unique<Win32RegistryKey>(UniqueRegistryHandle(opened));
  }
};

}  // namespace

std::unique_ptr<Registry> makeSystemRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace vemdrol
