// The program files of a scanned system that exist but could not be read
// (not permitted, an input/output error). The scan goes on as Windows' own
// calls do for a file they cannot open: the file counts as one without a
// version resource, and its row stays as that makes it. vemdrol-scan names
// each such file once and counts them at the end. Linux only: the numbers
// are the system's errno values.
#pragma once

#include <cstddef>
#include <functional>
#include <unordered_set>

#include "os/filesystem.h"

namespace vemdrol {

class UnreadableFiles final : public FileSystem {
 public:
  // found hears of each file the first time it cannot be opened or read,
  // by its path as given and the error.
  using Found = std::function<void(TextView path, const Error& error)>;
  UnreadableFiles(FileSystem& inner, Found found) : inner_(inner), found_(std::move(found)) {}

  std::size_t count() const { return paths_.size(); }

  Result<std::vector<Text>> listFiles(TextView folder) override { return inner_.listFiles(folder); }
  Result<std::optional<FileAttributes>> attributesOf(TextView path) override {
    return inner_.attributesOf(path);
  }
  Result<std::string> readFile(TextView path) override;
  Result<FileInfo> fileInfo(TextView path) override { return inner_.fileInfo(path); }
  Result<std::unique_ptr<FileReader>> openForReading(TextView path) override;
  Status replaceFile(TextView path, std::string_view bytes) override {
    return inner_.replaceFile(path, bytes);
  }
  Status appendToFile(TextView path, std::string_view bytes) override {
    return inner_.appendToFile(path, bytes);
  }

  // A file that could not be read; a missing one is not unreadable.
  void failed(TextView path, const Error& error);

 private:
  FileSystem& inner_;
  Found found_;
  // Folded paths, so that a file is named once whatever its spelling.
  std::unordered_set<Text> paths_;
};

}  // namespace vemdrol
