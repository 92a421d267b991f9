// A file system held in memory, for tests: it behaves like a Windows disk
// (names ignore letter case, "*" and "?" name nothing, read-only files and
// folders refuse writes) and can be told to fail part-way through a write.
//
// Paths are used as given apart from "/" counting as "\" and trailing
// separators being ignored; there is no current folder. Errors carry the
// Windows error numbers.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "platform/filesystem.h"

namespace vemdrol {

class MemoryFileSystem final : public FileSystem {
 public:
  // Set-up for tests. The folders above path are made as needed; an existing
  // entry is replaced in its place.
  void addFolder(TextView path, FileAttributes attributes = {});
  void addFile(TextView path, std::string_view bytes, FileAttributes attributes = {});

  // Changes the marks of whatever is at path, except whether it is a folder.
  // False when nothing is there.
  bool setAttributes(TextView path, FileAttributes attributes);

  // Removes a file, or a folder with everything in it. False when nothing is
  // there.
  bool remove(TextView path);

  // From now on replaceFile and appendToFile may write only `bytes` more
  // bytes in all, like a disk that is nearly full. The write that needs more
  // fails with error 112: an append keeps the bytes that still fitted, a
  // replacement leaves the old file as it was. Later writes go on failing the
  // same way until clearFaults.
  void failWritesAfter(std::size_t bytes);
  void clearFaults();

  Result<std::vector<Text>> listFiles(TextView folder) override;
  Result<std::optional<FileAttributes>> attributesOf(TextView path) override;
  Result<std::string> readFile(TextView path) override;
  Status replaceFile(TextView path, std::string_view bytes) override;
  Status appendToFile(TextView path, std::string_view bytes) override;

 private:
  struct Entry {
    FileAttributes attributes;
    std::string bytes;
    unsigned long long order = 0;  // creation order, the order of listFiles
  };
  using Entries = std::map<Text, Entry, LessNoCase>;

  // Whether a file may be written at path: its folder exists and is not
  // read-only, and what stands at path is neither a folder nor read-only.
  Status checkWritable(const Text& path) const;
  Entry& put(Text path, Entry entry);

  Entries entries_;
  unsigned long long nextOrder_ = 0;
  std::optional<std::size_t> writeBudget_;
};

}  // namespace vemdrol
