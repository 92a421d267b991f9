#include <cerrno>

#include "cli/scan_unreadable.h"

namespace vemdrol {
namespace {

class WatchedReader final : public FileReader {
 public:
  WatchedReader(std::unique_ptr<FileReader> inner, UnreadableFiles& files, Text path)
      : inner_(std::move(inner)), files_(files), path_(std::move(path)) {}

  Result<std::size_t> readAt(std::uint64_t offset, std::span<char> buffer) override {
    Result<std::size_t> read = inner_->readAt(offset, buffer);
    if (!read) files_.failed(path_, read.error());
    return read;
  }

 private:
  std::unique_ptr<FileReader> inner_;
  UnreadableFiles& files_;
  Text path_;
};

}  // namespace

Result<std::string> UnreadableFiles::readFile(TextView path) {
  Result<std::string> bytes = inner_.readFile(path);
  if (!bytes) failed(path, bytes.error());
  return bytes;
}

Result<std::unique_ptr<FileReader>> UnreadableFiles::openForReading(TextView path) {
  Result<std::unique_ptr<FileReader>> opened = inner_.openForReading(path);
  if (!opened) {
    failed(path, opened.error());
    return opened;
  }
  return std::unique_ptr<FileReader>(
      std::make_unique<WatchedReader>(std::move(opened).value(), *this, Text(path)));
}

void UnreadableFiles::failed(TextView path, const Error& error) {
  // The system's numbers: a path that names nothing, or a folder, is no file
  // that could not be read.
  if (error.number == ENOENT || error.number == ENOTDIR || error.number == EISDIR) return;
  if (paths_.insert(foldCase(path)).second) found_(path, error);
}

}  // namespace vemdrol
