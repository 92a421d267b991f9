#include "os/pe_version_reader.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "formats/byte_reader.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

using Offset = ByteOffset;

class PagedSource final : public ByteSource {
 public:
  static constexpr Offset pageSize = 16 * 1024;
  // A version resource is reached in a handful of pages; a file that makes
  // the parser wander further is read again rather than held.
  static constexpr std::size_t maxPages = 64;

  PagedSource(FileReader& file, Offset size) : file_(file), size_(size) {}
  Offset size() const override { return size_; }
  std::optional<unsigned char> byte(Offset at) override {
    const Offset page = at / pageSize;
    auto found = pages_.find(page);
    if (found == pages_.end()) {
      if (pages_.size() >= maxPages) pages_.clear();
      std::string bytes(static_cast<std::size_t>(std::min(pageSize, size_ - page * pageSize)),
                        '\0');
      const Result<std::size_t> read = file_.readAt(page * pageSize, bytes);
      // A file that shrank since its size was taken reads short.
      if (!read || read.value() != bytes.size()) return std::nullopt;
      found = pages_.emplace(page, std::move(bytes)).first;
    }
    return static_cast<unsigned char>(found->second[at % pageSize]);
  }

 private:
  FileReader& file_;
  Offset size_;
  std::unordered_map<Offset, std::string> pages_;
};

}  // namespace

PeVersionResourceReader::PeVersionResourceReader(FileSystem& files, std::size_t maxFileSize,
                                                 std::span<const std::uint16_t> languages)
    : files_(files), maxFileSize_(maxFileSize), languages_(languages.begin(), languages.end()) {}

Result<std::optional<VersionResource>> PeVersionResourceReader::versionResourceOf(TextView path) {
  using Answer = std::optional<VersionResource>;
  // A NUL would end the path early for the Windows API, which then reads
  // some other file; no such path names a file here.
  if (path.find(L'\0') != TextView::npos) return Answer();
  // Only the pages the way to the version block leads through are read: a
  // program file can be megabytes of code and pictures around a block of a
  // kilobyte.
  const Result<FileInfo> info = files_.fileInfo(path);
  if (!info || info.value().size > maxFileSize_) return Answer();
  Result<std::unique_ptr<FileReader>> file = files_.openForReading(path);
  if (!file) return Answer();
  PagedSource source(*file.value(), info.value().size);
  const std::optional<BlockExtent> extent = findVersionExtent(ByteReader(source), languages_);
  if (!extent) return Answer();
  // The block is at most 64 KiB (its length is 16 bits).
  std::string block(static_cast<std::size_t>(std::min<Offset>(extent->size, maxVersionBlockSize)),
                    '\0');
  const Result<std::size_t> read = file.value()->readAt(extent->offset, block);
  if (!read || read.value() != block.size()) return Answer();
  return VersionResource::fromBlock(VersionResource::bufferFrom(block));
}

}  // namespace vemdrol
