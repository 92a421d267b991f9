#include "os/filesystem.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "os/win32/windows.h"

namespace vemdrol {
namespace {

// Larger files are not the program's; refusing them keeps a stray path from
// exhausting memory.
constexpr std::size_t maxReadSize = std::size_t{1} << 30;
constexpr std::size_t ioChunk = std::size_t{1} << 20;

// The "?" of the long-path prefix "\\?\" is no wildcard.
bool hasWildcard(TextView path) {
  if (path.starts_with(L"\\\\?\\")) path.remove_prefix(4);
  return path.find_first_of(L"*?") != TextView::npos;
}

// The API takes NUL-terminated paths; a NUL inside would silently cut the
// path short and reach some other file.
Result<Text> apiPath(TextView path) {
  if (path.find(L'\0') != TextView::npos) return windowsError(ERROR_INVALID_NAME);
  return Text(path);
}

// The part of path up to and including its last separator ("C:" counts for
// a drive-relative name).
Text folderPartOf(const Text& path) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  return separator == Text::npos ? Text() : path.substr(0, separator + 1);
}

// The failures that mean "no such name" rather than "cannot tell".
bool meansNothingThere(DWORD number) {
  switch (number) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
      return true;
    default:
      return false;
  }
}

// Windows holds a program that does not declare itself aware of long paths,
// as this one does not, to paths of fewer than MAX_PATH characters unless
// they come in the "\\?\" form. Wine writes longer ones, which would leave a
// file the program could not reach on Windows; asking first gives the same
// answer on both.
Status checkLength(const Text& path) {
  if (path.starts_with(L"\\\\?\\")) return success();
  // The size of the full path, its NUL included.
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return lastWindowsError();
  if (needed > MAX_PATH) return windowsError(ERROR_FILENAME_EXCED_RANGE);
  return success();
}

FileAttributes attributesFrom(DWORD flags) {
  FileAttributes attributes;
  attributes.directory = (flags & FILE_ATTRIBUTE_DIRECTORY) != 0;
  attributes.hidden = (flags & FILE_ATTRIBUTE_HIDDEN) != 0;
  attributes.system = (flags & FILE_ATTRIBUTE_SYSTEM) != 0;
  attributes.readOnly = (flags & FILE_ATTRIBUTE_READONLY) != 0;
  return attributes;
}

// The directory entry of exactly this path (which holds no wildcard), or an
// invalid handle with GetLastError set.
UniqueFindHandle findExactly(const Text& path, WIN32_FIND_DATAW& data) {
  return UniqueFindHandle(
      ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
}

Status writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), ioChunk));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return lastWindowsError();
    if (written == 0) return windowsError(ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  return success();
}

std::optional<FileTime> fileTimeFrom(const FILETIME& time) {
  const FileTime ticks = FileTime{time.dwHighDateTime} << 32 | time.dwLowDateTime;
  if (ticks == 0) return std::nullopt;
  return ticks;
}

FileInfo fileInfoFrom(DWORD sizeHigh, DWORD sizeLow, const FILETIME& lastWrite,
                      const FILETIME& creation) {
  return FileInfo{std::uint64_t{sizeHigh} << 32 | sizeLow, fileTimeFrom(lastWrite),
                  fileTimeFrom(creation)};
}

class Win32FileReader final : public FileReader {
 public:
  explicit Win32FileReader(UniqueHandle file) : file_(std::move(file)) {}

  Result<std::size_t> readAt(std::uint64_t offset, std::span<char> buffer) override {
    std::size_t done = 0;
    while (done < buffer.size()) {
      // The offset goes with each call, so no file pointer has to be kept
      // in step between calls.
      const std::uint64_t at = offset + done;
      OVERLAPPED position{};
      position.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
      position.OffsetHigh = static_cast<DWORD>(at >> 32);
      const DWORD chunk = static_cast<DWORD>(std::min(buffer.size() - done, ioChunk));
      DWORD got = 0;
      if (!::ReadFile(file_.get(), buffer.data() + done, chunk, &got, &position)) {
        // A synchronous read that starts at the end reports it as a failure.
        if (::GetLastError() == ERROR_HANDLE_EOF) break;
        return lastWindowsError();
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  UniqueHandle file_;
};

class Win32FileSystem final : public FileSystem {
 public:
  Result<std::vector<Text>> listFiles(TextView folder) override;
  Result<std::optional<FileAttributes>> attributesOf(TextView path) override;
  Result<std::string> readFile(TextView path) override;
  Result<FileInfo> fileInfo(TextView path) override;
  Result<std::unique_ptr<FileReader>> openForReading(TextView path) override;
  Status replaceFile(TextView path, std::string_view bytes) override;
  Status appendToFile(TextView path, std::string_view bytes) override;
};

Result<std::vector<Text>> Win32FileSystem::listFiles(TextView folder) {
  Result<Text> pattern = apiPath(folder);
  if (!pattern) return pattern.error();
  if (hasWildcard(folder)) return windowsError(ERROR_INVALID_NAME);
  Text& text = pattern.value();
  if (!text.empty() && text.back() != L'\\' && text.back() != L'/' && text.back() != L':') {
    text.push_back(L'\\');
  }
  text.push_back(L'*');

  std::vector<Text> names;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileExW(text.c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
  if (!find.valid()) {
    // A drive root has no "." entry, so an empty one finds nothing at all.
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return names;
    return lastWindowsError();
  }
  do {
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM)) == 0) {
      names.emplace_back(data.cFileName);
    }
  } while (::FindNextFileW(find.get(), &data));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return lastWindowsError();
  return names;
}

Result<std::optional<FileAttributes>> Win32FileSystem::attributesOf(TextView path) {
  using Answer = std::optional<FileAttributes>;
  // The pattern forms of the directory search are not wanted here: a path
  // read from a file or the registry must name one file or none.
  if (path.empty() || hasWildcard(path)) return Answer();
  Result<Text> text = apiPath(path);
  if (!text) return Answer();

  WIN32_FILE_ATTRIBUTE_DATA data;
  if (::GetFileAttributesExW(text.value().c_str(), GetFileExInfoStandard, &data)) {
    return Answer(attributesFrom(data.dwFileAttributes));
  }
  const DWORD failure = ::GetLastError();
  if (meansNothingThere(failure)) return Answer();
  if (failure == ERROR_SHARING_VIOLATION) {
    // Files held open exclusively (the paging file, for one) still show in
    // their folder's listing.
    WIN32_FIND_DATAW entry;
    if (findExactly(text.value(), entry).valid())
      return Answer(attributesFrom(entry.dwFileAttributes));
  }
  return windowsError(failure);
}

Result<std::string> Win32FileSystem::readFile(TextView path) {
  Result<Text> text = apiPath(path);
  if (!text) return text.error();
  UniqueHandle file(::CreateFileW(text.value().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return lastWindowsError();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) return lastWindowsError();
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxReadSize) {
    return windowsError(ERROR_FILE_TOO_LARGE);
  }

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  std::string buffer(std::min(ioChunk, static_cast<std::size_t>(size.QuadPart) + 1), '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return lastWindowsError();
    }
    if (got == 0) break;
    // The file may have grown since its size was taken.
    if (got > maxReadSize - bytes.size()) return windowsError(ERROR_FILE_TOO_LARGE);
    bytes.append(buffer.data(), got);
  }
  return bytes;
}

Result<FileInfo> Win32FileSystem::fileInfo(TextView path) {
  Result<Text> text = apiPath(path);
  if (!text) return text.error();
  if (hasWildcard(path)) return windowsError(ERROR_INVALID_NAME);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (::GetFileAttributesExW(text.value().c_str(), GetFileExInfoStandard, &data)) {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return windowsError(ERROR_ACCESS_DENIED);
    }
    return fileInfoFrom(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime,
                        data.ftCreationTime);
  }
  const DWORD failure = ::GetLastError();
  if (failure == ERROR_SHARING_VIOLATION) {
    // As in attributesOf: the folder's entry still tells of a file held
    // open exclusively.
    WIN32_FIND_DATAW entry;
    if (findExactly(text.value(), entry).valid() &&
        (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return fileInfoFrom(entry.nFileSizeHigh, entry.nFileSizeLow, entry.ftLastWriteTime,
                          entry.ftCreationTime);
    }
  }
  return windowsError(failure);
}

Result<std::unique_ptr<FileReader>> Win32FileSystem::openForReading(TextView path) {
  Result<Text> text = apiPath(path);
  if (!text) return text.error();
  if (hasWildcard(path)) return windowsError(ERROR_INVALID_NAME);
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
  UniqueHandle file(::CreateFileW(text.value().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return lastWindowsError();
  return std::unique_ptr<FileReader>(std::make_unique<Win32FileReader>(std::move(file)));
}

Status Win32FileSystem::replaceFile(TextView path, std::string_view bytes) {
  Result<Text> text = apiPath(path);
  if (!text) return text.error();
  if (hasWildcard(path)) return windowsError(ERROR_INVALID_NAME);
  if (Status fits = checkLength(text.value()); !fits) return fits;
  const Text folder = folderPartOf(text.value());

  // An existing file keeps the spelling of its name: MoveFileExW would give
  // it the letter case of path.
  Text target = text.value();
  WIN32_FIND_DATAW existing;
  if (findExactly(target, existing).valid()) {
    if ((existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return windowsError(ERROR_ACCESS_DENIED);
    }
    target = folder + existing.cFileName;
  }

  // The new file is made in the same folder, so that the move stays on one
  // volume and is a rename.
  static std::atomic<unsigned> counter{0};
  Text temporary;
  UniqueHandle file;
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    temporary = folder + L"~" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter.fetch_add(1)) + L".tmp";
    // The new file's name can be longer than the old one's.
    if (Status fits = checkLength(temporary); !fits) return fits;
    file = UniqueHandle(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS) return lastWindowsError();
  }
  if (!file.valid()) return lastWindowsError();

  const auto discard = [&](Error error) -> Status {
    file.close();
    ::DeleteFileW(temporary.c_str());
    return error;
  };
  if (Status written = writeAll(file.get(), bytes); !written) return discard(written.error());
  if (!::FlushFileBuffers(file.get())) return discard(lastWindowsError());
  if (!file.close()) return discard(lastWindowsError());
  if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return discard(lastWindowsError());
  }
  return success();
}

Status Win32FileSystem::appendToFile(TextView path, std::string_view bytes) {
  Result<Text> text = apiPath(path);
  if (!text) return text.error();
  if (hasWildcard(path)) return windowsError(ERROR_INVALID_NAME);
  // Windows refuses the open below for a read-only file, but Wine running as
  // root does not; asking first gives the same answer everywhere.
  const DWORD flags = ::GetFileAttributesW(text.value().c_str());
  if (flags != INVALID_FILE_ATTRIBUTES && (flags & FILE_ATTRIBUTE_READONLY) != 0) {
    return windowsError(ERROR_ACCESS_DENIED);
  }
  // With FILE_APPEND_DATA alone every write goes to the end of the file.
  UniqueHandle file(::CreateFileW(text.value().c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  if (!file.valid()) return lastWindowsError();
  // No flush to the disk: the bytes only have to outlive this program, which
  // closing the handle ensures, and a flush per line would slow a rebuild
  // down to the disk's pace.
  if (Status written = writeAll(file.get(), bytes); !written) return written;
  if (!file.close()) return lastWindowsError();
  return success();
}

}  // namespace

std::unique_ptr<FileSystem> makeSystemFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace vemdrol
