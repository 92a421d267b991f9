// The file system as the program sees it: Windows-style paths, names that
// ignore letter case, whole-file reads and writes, and reads piece by piece
// for files too large to hold.
//
// The seam only reports what is on disk. Which marks make a file count as
// present differs between its callers, so those rules stay with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

struct FileAttributes {
  bool directory = false;
  bool hidden = false;
  bool system = false;
  bool readOnly = false;
};

// A point in time as Windows keeps file times (FILETIME): 100-nanosecond
// ticks since 1601-01-01 00:00 UTC.
using FileTime = std::uint64_t;

// Ticks between 1601-01-01 and 1970-01-01, and per second.
inline constexpr FileTime fileTimeUnixEpoch = 116444736000000000ULL;
inline constexpr FileTime fileTimeTicksPerSecond = 10000000ULL;

struct FileInfo {
  std::uint64_t size = 0;
  // nullopt when the file system keeps no such time for the file (a stored
  // time of 0 counts as none, as it does for Windows).
  std::optional<FileTime> lastWrite;
  std::optional<FileTime> creation;
};

// One file opened for reading. Not for use by two threads at once.
class FileReader {
 public:
  virtual ~FileReader() = default;

  // Reads the bytes at offset into buffer and gives how many were read: all
  // of buffer unless the file ends first, 0 at or past its end. Offsets are
  // 64 bits wide, so files of 4 GiB and more are read like any other.
  virtual Result<std::size_t> readAt(std::uint64_t offset, std::span<char> buffer) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Names (not paths) of the ordinary and hidden files directly in folder,
  // each once, in the order the file system returns them. Directories and
  // files marked as system files are not listed.
  virtual Result<std::vector<Text>> listFiles(TextView folder) = 0;

  // The marks of exactly this path, taken literally: "*" and "?" are ordinary
  // characters, never patterns, so a path holding them names nothing on
  // Windows. std::nullopt when nothing is there, including a path the file
  // system rejects as malformed; an error only when the answer is unknown.
  virtual Result<std::optional<FileAttributes>> attributesOf(TextView path) = 0;

  // The whole file as raw bytes. Files over 1 GiB are refused (with the
  // backend's "file too large" error); openForReading reads them.
  virtual Result<std::string> readFile(TextView path) = 0;

  // The size and times of the file at path. They are kept apart from the
  // file's content, so a file that another process holds open without
  // sharing it for reading still answers. A folder, or nothing at path,
  // gives an error.
  virtual Result<FileInfo> fileInfo(TextView path) = 0;

  // The file at path, opened for reading while others may read, write,
  // rename or delete it. An error when it cannot be opened: missing, a
  // folder, or held open by another process that does not share reading.
  virtual Result<std::unique_ptr<FileReader>> openForReading(TextView path) = 0;

  // Replaces the whole file so that no reader ever sees it half-written: the
  // bytes go to a new file beside it, are flushed, and that file is then moved
  // over the old one. A failure at any point leaves the old file as it was and
  // removes the new one. An existing file keeps its name, even when path
  // spells it in other letter case; a read-only file is not replaced. On
  // Windows a path that is, or whose new file beside it would be, MAX_PATH
  // characters long or longer is refused unless it is in the "\\?\" form,
  // under Wine as on Windows.
  virtual Status replaceFile(TextView path, std::string_view bytes) = 0;

  // Opens the file for appending (creating it if needed), writes, closes:
  // each call is complete on return, so the bytes outlive a crash of the
  // program that follows it. A read-only file takes no bytes.
  virtual Status appendToFile(TextView path, std::string_view bytes) = 0;
};

// The machine's own file system.
std::unique_ptr<FileSystem> makeSystemFileSystem();

}  // namespace vemdrol
