#include "os/memory/filesystem.h"

#include <algorithm>
#include <utility>

namespace vemdrol {
namespace {

constexpr long errorFileNotFound = 2;
constexpr long errorPathNotFound = 3;
constexpr long errorAccessDenied = 5;
constexpr long errorReadFault = 30;
constexpr long errorSharingViolation = 32;
constexpr long errorDiskFull = 112;
constexpr long errorFileTooLarge = 223;
constexpr long errorInvalidName = 123;
constexpr long errorDirectoryName = 267;

Error windowsError(long number) {
  switch (number) {
    case errorFileNotFound:
      return {number, L"The system cannot find the file specified."};
    case errorPathNotFound:
      return {number, L"The system cannot find the path specified."};
    case errorAccessDenied:
      return {number, L"Access is denied."};
    case errorReadFault:
      return {number, L"The system cannot read from the specified device."};
    case errorSharingViolation:
      return {number,
              L"The process cannot access the file because it is being used by another process."};
    case errorFileTooLarge:
      return {number, L"The file size exceeds the limit allowed and cannot be saved."};
    case errorDiskFull:
      return {number, L"There is not enough space on the disk."};
    case errorInvalidName:
      return {number, L"The filename, directory name, or volume label syntax is incorrect."};
    case errorDirectoryName:
      return {number, L"The directory name is invalid."};
    default:
      return {number, Text()};
  }
}

Text normalise(TextView path) {
  Text text(path);
  std::replace(text.begin(), text.end(), L'/', L'\\');
  while (!text.empty() && text.back() == L'\\') text.pop_back();
  return text;
}

Text parentOf(const Text& path) {
  const std::size_t separator = path.rfind(L'\\');
  return separator == Text::npos ? Text() : path.substr(0, separator);
}

Text nameOf(const Text& path) {
  const std::size_t separator = path.rfind(L'\\');
  return separator == Text::npos ? path : path.substr(separator + 1);
}

bool hasWildcard(TextView path) { return path.find_first_of(L"*?") != TextView::npos; }

// As the other backends: larger files are read piece by piece.
constexpr std::uint64_t maxReadSize = std::uint64_t{1} << 30;

class MemoryFileReader final : public FileReader {
 public:
  using Read = std::function<Result<std::size_t>(std::uint64_t, std::span<char>)>;
  explicit MemoryFileReader(Read read) : read_(std::move(read)) {}
  Result<std::size_t> readAt(std::uint64_t offset, std::span<char> buffer) override {
    return read_(offset, buffer);
  }

 private:
  Read read_;
};

}  // namespace

Result<std::size_t> MemoryFileSystem::Content::readAt(std::uint64_t offset,
                                                      std::span<char> into) const {
  const std::uint64_t total = size();
  if (offset >= total) return std::size_t{0};
  const std::size_t count =
      static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), total - offset));
  if (generate) {
    if (!generate(offset, into.first(count))) return windowsError(errorReadFault);
  } else {
    std::copy_n(bytes.data() + offset, count, into.data());
  }
  return count;
}

MemoryFileSystem::Entry& MemoryFileSystem::put(Text path, Entry entry) {
  const auto existing = entries_.find(path);
  if (existing != entries_.end()) {
    entry.order = existing->second.order;
    existing->second = std::move(entry);
    return existing->second;
  }
  entry.order = nextOrder_++;
  return entries_.emplace(std::move(path), std::move(entry)).first->second;
}

void MemoryFileSystem::addFolder(TextView path, FileAttributes attributes) {
  Text folder = normalise(path);
  if (folder.empty()) return;
  const Text parent = parentOf(folder);
  if (!parent.empty()) {
    const auto above = entries_.find(parent);
    if (above == entries_.end() || !above->second.attributes.directory) addFolder(parent);
  }
  attributes.directory = true;
  Entry entry;
  entry.attributes = attributes;
  put(std::move(folder), std::move(entry));
}

void MemoryFileSystem::addFile(TextView path, std::string_view bytes, FileAttributes attributes) {
  Text file = normalise(path);
  if (file.empty()) return;
  const Text parent = parentOf(file);
  if (!parent.empty()) {
    const auto above = entries_.find(parent);
    if (above == entries_.end() || !above->second.attributes.directory) addFolder(parent);
  }
  attributes.directory = false;
  Entry entry;
  entry.attributes = attributes;
  entry.content = bytesContent(bytes);
  put(std::move(file), std::move(entry));
}

void MemoryFileSystem::addGeneratedFile(TextView path, std::uint64_t size,
                                        ContentGenerator generate, FileAttributes attributes) {
  addFile(path, std::string_view(), attributes);
  const auto entry = entries_.find(normalise(path));
  if (entry == entries_.end()) return;
  auto content = std::make_shared<Content>();
  content->generatedSize = size;
  content->generate = std::move(generate);
  entry->second.content = std::move(content);
}

bool MemoryFileSystem::setTimes(TextView path, std::optional<FileTime> lastWrite,
                                std::optional<FileTime> creation) {
  const auto entry = entries_.find(normalise(path));
  if (entry == entries_.end() || entry->second.attributes.directory) return false;
  entry->second.lastWrite = lastWrite;
  entry->second.creation = creation;
  return true;
}

bool MemoryFileSystem::setLocked(TextView path, bool locked) {
  const auto entry = entries_.find(normalise(path));
  if (entry == entries_.end() || entry->second.attributes.directory) return false;
  entry->second.locked = locked;
  return true;
}

bool MemoryFileSystem::setAttributes(TextView path, FileAttributes attributes) {
  const auto entry = entries_.find(normalise(path));
  if (entry == entries_.end()) return false;
  attributes.directory = entry->second.attributes.directory;
  entry->second.attributes = attributes;
  return true;
}

bool MemoryFileSystem::remove(TextView path) {
  const Text target = normalise(path);
  const auto entry = entries_.find(target);
  if (entry == entries_.end()) return false;
  if (entry->second.attributes.directory) {
    const Text prefix = target + L'\\';
    std::erase_if(entries_, [&](const auto& item) { return startsWithNoCase(item.first, prefix); });
  }
  entries_.erase(target);
  return true;
}

void MemoryFileSystem::failWritesAfter(std::size_t bytes) { writeBudget_ = bytes; }

void MemoryFileSystem::clearFaults() { writeBudget_.reset(); }

Result<std::vector<Text>> MemoryFileSystem::listFiles(TextView folder) {
  const Text path = normalise(folder);
  if (hasWildcard(path)) return windowsError(errorInvalidName);
  const auto found = entries_.find(path);
  if (found == entries_.end()) return windowsError(errorPathNotFound);
  if (!found->second.attributes.directory) return windowsError(errorDirectoryName);

  std::vector<const Entries::value_type*> files;
  for (const auto& item : entries_) {
    const FileAttributes& attributes = item.second.attributes;
    if (attributes.directory || attributes.system) continue;
    if (equalNoCase(parentOf(item.first), path)) files.push_back(&item);
  }
  std::sort(files.begin(), files.end(),
            [](const auto* a, const auto* b) { return a->second.order < b->second.order; });
  std::vector<Text> names;
  names.reserve(files.size());
  for (const auto* file : files) names.push_back(nameOf(file->first));
  return names;
}

Result<std::optional<FileAttributes>> MemoryFileSystem::attributesOf(TextView path) {
  using Answer = std::optional<FileAttributes>;
  const Text target = normalise(path);
  if (target.empty() || hasWildcard(target)) return Answer();
  const auto found = entries_.find(target);
  if (found == entries_.end()) return Answer();
  return Answer(found->second.attributes);
}

Result<const MemoryFileSystem::Entry*> MemoryFileSystem::fileEntry(const Text& target) const {
  if (target.empty() || hasWildcard(target)) return windowsError(errorInvalidName);
  const auto found = entries_.find(target);
  if (found == entries_.end()) {
    const Text parent = parentOf(target);
    const auto folder = entries_.find(parent);
    const bool folderThere =
        parent.empty() || (folder != entries_.end() && folder->second.attributes.directory);
    return windowsError(folderThere ? errorFileNotFound : errorPathNotFound);
  }
  if (found->second.attributes.directory) return windowsError(errorAccessDenied);
  return &found->second;
}

Result<std::string> MemoryFileSystem::readFile(TextView path) {
  const Result<const Entry*> found = fileEntry(normalise(path));
  if (!found) return found.error();
  const Entry& file = *found.value();
  if (file.locked) return windowsError(errorSharingViolation);
  const Content& content = *file.content;
  if (!content.generate) return content.bytes;
  if (content.size() > maxReadSize) return windowsError(errorFileTooLarge);
  // Piece by piece, as a disk reads: a read that fails early has not
  // allocated the whole file first.
  std::string bytes;
  std::string piece(std::min<std::uint64_t>(content.size(), std::uint64_t{1} << 20), '\0');
  while (bytes.size() < content.size()) {
    const Result<std::size_t> read = content.readAt(bytes.size(), piece);
    if (!read) return read.error();
    bytes.append(piece.data(), read.value());
  }
  return bytes;
}

Result<FileInfo> MemoryFileSystem::fileInfo(TextView path) {
  const Result<const Entry*> found = fileEntry(normalise(path));
  if (!found) return found.error();
  const Entry& file = *found.value();
  return FileInfo{file.content->size(), file.lastWrite, file.creation};
}

Result<std::unique_ptr<FileReader>> MemoryFileSystem::openForReading(TextView path) {
  const Result<const Entry*> found = fileEntry(normalise(path));
  if (!found) return found.error();
  if (found.value()->locked) return windowsError(errorSharingViolation);
  std::shared_ptr<const Content> content = found.value()->content;
  return std::unique_ptr<FileReader>(
      std::make_unique<MemoryFileReader>([content](std::uint64_t offset, std::span<char> into) {
        return content->readAt(offset, into);
      }));
}

std::shared_ptr<MemoryFileSystem::Content> MemoryFileSystem::bytesContent(std::string_view bytes) {
  auto content = std::make_shared<Content>();
  content->bytes.assign(bytes);
  return content;
}

MemoryFileSystem::Content& MemoryFileSystem::ownContent(Entry& file) {
  if (!file.content || file.content.use_count() > 1) {
    file.content = std::make_shared<Content>(file.content ? *file.content : Content{});
  }
  return *file.content;
}

Status MemoryFileSystem::checkWritable(const Text& path) const {
  if (path.empty() || hasWildcard(path)) return windowsError(errorInvalidName);
  const Text parent = parentOf(path);
  if (!parent.empty()) {
    const auto folder = entries_.find(parent);
    if (folder == entries_.end() || !folder->second.attributes.directory) {
      return windowsError(errorPathNotFound);
    }
    if (folder->second.attributes.readOnly) return windowsError(errorAccessDenied);
  }
  const auto existing = entries_.find(path);
  if (existing != entries_.end() &&
      (existing->second.attributes.directory || existing->second.attributes.readOnly)) {
    return windowsError(errorAccessDenied);
  }
  return success();
}

Status MemoryFileSystem::replaceFile(TextView path, std::string_view bytes) {
  const Text target = normalise(path);
  if (Status writable = checkWritable(target); !writable) return writable;
  // The new content would have gone to a file beside the old one; when it
  // does not fit, that file is dropped and the old one is untouched.
  if (writeBudget_ && bytes.size() > *writeBudget_) return windowsError(errorDiskFull);
  if (writeBudget_) *writeBudget_ -= bytes.size();

  const auto existing = entries_.find(target);
  if (existing != entries_.end()) {
    // The old content stays with the readers that have it open.
    existing->second.content = bytesContent(bytes);
  } else {
    Entry entry;
    entry.content = bytesContent(bytes);
    put(target, std::move(entry));
  }
  return success();
}

Status MemoryFileSystem::appendToFile(TextView path, std::string_view bytes) {
  const Text target = normalise(path);
  if (Status writable = checkWritable(target); !writable) return writable;
  auto existing = entries_.find(target);
  Entry& file = existing != entries_.end() ? existing->second : put(target, Entry{});
  if (file.content && file.content->generate) return windowsError(errorAccessDenied);
  Content& content = ownContent(file);

  std::size_t fits = bytes.size();
  if (writeBudget_) {
    fits = std::min(fits, *writeBudget_);
    *writeBudget_ -= fits;
  }
  content.bytes.append(bytes.substr(0, fits));
  if (fits < bytes.size()) return windowsError(errorDiskFull);
  return success();
}

}  // namespace vemdrol
