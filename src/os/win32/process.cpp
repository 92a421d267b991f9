#include "os/process.h"

#include <vector>

#include "os/win32/windows.h"

namespace vemdrol {

Text programFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return Text();
    if (length < buffer.size()) {
      Text path(buffer.data(), length);
      const std::size_t slash = path.find_last_of(L'\\');
      if (slash == Text::npos) return Text();
      // A drive root keeps its "\": "C:\" names the root, "C:" does not.
      return path.substr(0, slash == 2 ? slash + 1 : slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::uint32_t currentProcessId() { return GetCurrentProcessId(); }

Text computerName() {
  DWORD size = 0;
  GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return Text();
  std::vector<wchar_t> buffer(size);
  if (!GetComputerNameExW(ComputerNameDnsHostname, buffer.data(), &size)) return Text();
  return Text(buffer.data(), size);
}

Text windowsFolder() {
  // GetWindowsDirectory may name a folder of the user's own on a terminal
  // server; the system's files lie in the shared one.
  const UINT size = GetSystemWindowsDirectoryW(nullptr, 0);
  if (size == 0) return Text();
  std::vector<wchar_t> buffer(size);
  const UINT length = GetSystemWindowsDirectoryW(buffer.data(), size);
  if (length == 0 || length >= size) return Text();
  return Text(buffer.data(), length);
}

}  // namespace vemdrol
