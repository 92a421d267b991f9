// The file system as the program sees it: Windows-style paths, names that
// ignore letter case, and whole-file reads and writes.
//
// The seam only reports what is on disk. Which marks make a file count as
// present differs between its callers, so those rules stay with them.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace vemdrol {

struct FileAttributes {
  bool directory = false;
  bool hidden = false;
  bool system = false;
  bool readOnly = false;
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

  // The whole file as raw bytes.
  virtual Result<std::string> readFile(TextView path) = 0;

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
