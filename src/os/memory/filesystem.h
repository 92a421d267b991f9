// A file system held in memory, for tests: it behaves like a Windows disk
// (names ignore letter case, "*" and "?" name nothing, read-only files and
// folders refuse writes) and can be told to fail part-way through a write.
// Files can be locked as if another process held them, and can be made of
// generated content, so that a file of many gigabytes costs no memory.
//
// Paths are used as given apart from "/" counting as "\" and trailing
// separators being ignored; there is no current folder. Errors carry the
// Windows error numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "os/filesystem.h"

namespace vemdrol {

class MemoryFileSystem final : public FileSystem {
 public:
  // Set-up for tests. The folders above path are made as needed; an existing
  // entry is replaced in its place.
  void addFolder(TextView path, FileAttributes attributes = {});
  void addFile(TextView path, std::string_view bytes, FileAttributes attributes = {});

  // Fills into with the file's bytes from offset on. Returning false makes
  // that read fail with error 30 (ERROR_READ_FAULT), like a disk that gives
  // out part-way. Called on whichever thread reads.
  using ContentGenerator = std::function<bool(std::uint64_t offset, std::span<char> into)>;

  // A file of size bytes whose content generate makes as it is read. It
  // takes no appends (error 5); replaceFile gives it ordinary content.
  void addGeneratedFile(TextView path, std::uint64_t size, ContentGenerator generate,
                        FileAttributes attributes = {});

  // The times fileInfo reports; a new file has none. False when no file is
  // there.
  bool setTimes(TextView path, std::optional<FileTime> lastWrite, std::optional<FileTime> creation);

  // A locked file is one that another process holds open without sharing
  // it for reading: readFile and openForReading fail with error 32
  // (ERROR_SHARING_VIOLATION), while its marks, size and times still
  // answer and readers opened before go on reading. False when no file is
  // there.
  bool setLocked(TextView path, bool locked);

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
  Result<FileInfo> fileInfo(TextView path) override;
  Result<std::unique_ptr<FileReader>> openForReading(TextView path) override;
  Status replaceFile(TextView path, std::string_view bytes) override;
  Status appendToFile(TextView path, std::string_view bytes) override;

 private:
  // A file's content, shared with the readers opened on it: a write gives
  // the file new content when a reader still holds the old, as a replaced
  // file stays whole for those who have it open.
  struct Content {
    std::string bytes;
    std::uint64_t generatedSize = 0;
    ContentGenerator generate;  // when set, the content; bytes is unused

    std::uint64_t size() const { return generate ? generatedSize : bytes.size(); }
    Result<std::size_t> readAt(std::uint64_t offset, std::span<char> into) const;
  };

  struct Entry {
    FileAttributes attributes;
    std::shared_ptr<Content> content;  // null for a folder
    unsigned long long order = 0;      // creation order, the order of listFiles
    std::optional<FileTime> lastWrite;
    std::optional<FileTime> creation;
    bool locked = false;
  };
  using Entries = std::map<Text, Entry, LessNoCase>;

  // Whether a file may be written at path: its folder exists and is not
  // read-only, and what stands at path is neither a folder nor read-only.
  Status checkWritable(const Text& path) const;
  Entry& put(Text path, Entry entry);
  // The file at path for reading, or the error a Windows disk gives.
  Result<const Entry*> fileEntry(const Text& path) const;
  // The content of file for a write, copied first when a reader shares it.
  static Content& ownContent(Entry& file);
  static std::shared_ptr<Content> bytesContent(std::string_view bytes);

  Entries entries_;
  unsigned long long nextOrder_ = 0;
  std::optional<std::size_t> writeBudget_;
};

}  // namespace vemdrol
