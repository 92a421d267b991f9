// The file system of a POSIX machine, addressed with Windows-style paths, so
// that the program and its tools can work on Windows data from Linux.
//
// Path mapping: "\" separates components like "/"; "X:\..." goes through the
// drive table given to the constructor; a path that starts with "/" is used as
// it is. Names are UTF-8 on disk and are looked up ignoring letter case, as on
// Windows: a component that does not exist as spelt is matched against the
// folder's entries with equalNoCase. A file whose name starts with "." counts
// as hidden, a file without any write permission bit as read-only, and no file
// is a system file. A folder's files are listed in the order Windows lists
// them: by their names in upper case. A file's creation time is its birth time where the file
// system keeps one (statx); elsewhere it has none, rather than the time of
// its last status change, which is no creation time.
#pragma once

#include <map>
#include <string>

#include "os/filesystem.h"

namespace vemdrol {

class PosixFileSystem final : public FileSystem {
 public:
  // Drive letter (either case) to the folder that stands for its root.
  using DriveTable = std::map<wchar_t, std::string>;

  PosixFileSystem() = default;
  explicit PosixFileSystem(const DriveTable& drives,
                           std::optional<std::string> confineTo = std::nullopt);

  Result<std::vector<Text>> listFiles(TextView folder) override;
  Result<std::optional<FileAttributes>> attributesOf(TextView path) override;
  Result<std::string> readFile(TextView path) override;
  Result<FileInfo> fileInfo(TextView path) override;
  Result<std::unique_ptr<FileReader>> openForReading(TextView path) override;
  Status replaceFile(TextView path, std::string_view bytes) override;
  Status appendToFile(TextView path, std::string_view bytes) override;

  // The path on this machine that path reaches: every component that exists
  // in some letter case is spelt as on disk, the rest as given. When
  // confined, the links on the way are followed and the path given back is
  // the one they lead to.
  Result<std::string> nativePath(TextView path) const;

 private:
  // The walk of a confined path from the confining folder down the given
  // names.
  Result<std::string> confinedPath(std::vector<std::string> names, bool folder) const;
  // The names below the confining folder that a native path spells out;
  // nullopt when it lies outside.
  std::optional<std::vector<std::string>> namesBelowRoot(const std::string& path) const;

  DriveTable drives_;  // keyed by the folded letter
  // The confining folder with its links resolved, and as given.
  std::optional<std::string> confineRoot_;
  std::string confineGiven_;
};

}  // namespace vemdrol
