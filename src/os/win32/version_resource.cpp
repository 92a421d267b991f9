// Version resources through the Windows version API.
//
// The W forms throughout: the path reaches the file system as it is, so a
// name that the ANSI code page cannot spell (a folder with a character
// outside code page 932) is still found, and the texts stay UTF-16 to the
// end. GetFileVersionInfoW gives the block; the block is then read with the
// same VersionResource as the program file's own bytes are elsewhere, so the
// answers do not depend on the platform. VerQueryValueW would give the same
// answers for sound blocks, but it trusts the lengths stored in the block,
// and a copy of wValueLength characters from it can run past the block.
#include "os/version_resource.h"

#include <memory>
#include <string>

#include "os/win32/windows.h"

namespace vemdrol {
namespace {

bool meansOutOfMemory(DWORD number) {
  return number == ERROR_NOT_ENOUGH_MEMORY || number == ERROR_OUTOFMEMORY;
}

bool meansNothingThere(DWORD number) {
  switch (number) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_RESOURCE_DATA_NOT_FOUND:
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
    case ERROR_RESOURCE_NAME_NOT_FOUND:
    case ERROR_RESOURCE_LANG_NOT_FOUND:
    case ERROR_BAD_EXE_FORMAT:
      return true;
    default:
      return false;
  }
}

class Win32VersionResourceReader final : public VersionResourceReader {
 public:
  Result<std::optional<VersionResource>> versionResourceOf(TextView path) override {
    using Answer = std::optional<VersionResource>;
    // A NUL would end the path early and reach some other file.
    if (path.find(L'\0') != TextView::npos) return Answer();
    const Text name(path);

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(name.c_str(), &ignored);
    if (size == 0) {
      // Missing, unreadable, not a program file, no resource: all one answer.
      const DWORD error = ::GetLastError();
      if (meansOutOfMemory(error)) return windowsError(error);
      return Answer();
    }
    // Not the size asked for: that is the block and the API's scratch space,
    // and a damaged resource can make it gigabytes. A smaller buffer is
    // allowed; the API then copies only the beginning of the resource, and
    // the block is never longer than the buffer.
    std::string buffer(VersionResource::bufferSize, '\0');
    if (!::GetFileVersionInfoW(name.c_str(), 0, static_cast<DWORD>(buffer.size()), buffer.data())) {
      // The file went away between the two calls, or changed, or could not
      // be read after all: only the first is a plain answer.
      const DWORD error = ::GetLastError();
      if (meansNothingThere(error)) return Answer();
      return windowsError(error);
    }
    return VersionResource::fromBlock(buffer);
  }
};

}  // namespace

std::unique_ptr<VersionResourceReader> makeSystemVersionResourceReader(FileSystem&) {
  return std::make_unique<Win32VersionResourceReader>();
}

}  // namespace vemdrol
