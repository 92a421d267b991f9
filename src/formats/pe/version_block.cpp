#include "formats/pe/version_block.h"

#include <variant>

#include "formats/pe/pe_image.h"

namespace vemdrol {
namespace {

using Offset = ByteOffset;

constexpr std::uint16_t resourceTypeVersion = 16;  // RT_VERSION
constexpr std::uint16_t resourceNameVersion = 1;   // VS_VERSION_INFO

constexpr Offset directoryHeaderSize = 16;  // IMAGE_RESOURCE_DIRECTORY
constexpr Offset directoryEntrySize = 8;    // IMAGE_RESOURCE_DIRECTORY_ENTRY
constexpr Offset dataEntrySize = 16;        // IMAGE_RESOURCE_DATA_ENTRY
constexpr std::uint32_t subdirectoryFlag = 0x80000000;

struct DirectoryEntry {
  std::uint32_t name = 0;
  std::uint32_t target = 0;

  bool isDirectory() const { return (target & subdirectoryFlag) != 0; }
  Offset offset() const { return target & ~subdirectoryFlag; }
};

// One resource directory, its entries checked to lie within the resources.
class Directory {
 public:
  static std::optional<Directory> at(const ByteReader& resources, Offset offset) {
    const auto named = resources.u16(offset + 12);
    const auto ids = resources.u16(offset + 14);
    if (!named || !ids) return std::nullopt;
    const Offset count = Offset{*named} + *ids;
    if (!resources.holds(offset + directoryHeaderSize, count * directoryEntrySize)) {
      return std::nullopt;
    }
    return Directory(resources, offset, *named, count);
  }

  // at() has checked that every entry lies within the resources, so the
  // reads cannot fail; they are checked again all the same.
  std::optional<DirectoryEntry> entry(Offset index) const {
    const Offset at = offset_ + directoryHeaderSize + index * directoryEntrySize;
    const auto name = resources_.u32(at);
    const auto target = resources_.u32(at + 4);
    if (!name || !target) return std::nullopt;
    return DirectoryEntry{*name, *target};
  }

  // The entry with this id, found by the loader's binary search over the id
  // entries (which follow the named ones, sorted by id); it counts only when
  // it is of the kind wanted. Unsorted entries thus hide from it as they
  // hide from the loader.
  std::optional<DirectoryEntry> findId(std::uint16_t id, bool wantDirectory) const {
    Offset low = named_;
    Offset high = count_;  // exclusive
    while (low < high) {
      const Offset middle = low + (high - low) / 2;
      const std::optional<DirectoryEntry> candidate = entry(middle);
      if (!candidate) return std::nullopt;
      const auto candidateId = static_cast<std::uint16_t>(candidate->name & 0xFFFF);
      if (candidateId == id) {
        if (candidate->isDirectory() != wantDirectory) return std::nullopt;
        return candidate;
      }
      if (candidateId > id) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    return std::nullopt;
  }

  // The first entry, named or not, of the kind wanted.
  std::optional<DirectoryEntry> first(bool wantDirectory) const {
    for (Offset i = 0; i < count_; ++i) {
      const std::optional<DirectoryEntry> candidate = entry(i);
      if (!candidate) return std::nullopt;
      if (candidate->isDirectory() == wantDirectory) return candidate;
    }
    return std::nullopt;
  }

 private:
  Directory(const ByteReader& resources, Offset offset, Offset named, Offset count)
      : resources_(resources), offset_(offset), named_(named), count_(count) {}

  const ByteReader& resources_;
  Offset offset_;
  Offset named_;
  Offset count_;
};

std::optional<DirectoryEntry> findLanguage(const Directory& languages,
                                           std::span<const std::uint16_t> preferred) {
  for (const std::uint16_t language : preferred) {
    if (auto entry = languages.findId(language, false)) return entry;
  }
  return languages.first(false);
}

}  // namespace

std::optional<BlockExtent> findVersionExtent(const ByteReader& file,
                                             std::span<const std::uint16_t> languages) {
  const std::variant<PeImage, PeFault> read = PeImage::read(file);
  const PeImage* image = std::get_if<PeImage>(&read);
  if (!image || !image->format()) return std::nullopt;
  const std::optional<std::uint32_t> count = image->directoryCount();
  if (!count || *count <= peResourceDirectory) return std::nullopt;
  const std::optional<PeDataDirectory> directory = image->directory(peResourceDirectory);
  if (!directory || directory->address == 0 || directory->size < directoryHeaderSize) {
    return std::nullopt;
  }
  const std::optional<PeSectionTable> sections = image->sectionTable();
  if (!sections) return std::nullopt;

  // All offsets in the resource directories count from its start; none may
  // lead out of the section that holds it.
  const std::optional<ByteReader> resourceBytes = sections->at(directory->address);
  if (!resourceBytes) return std::nullopt;
  const ByteReader& resources = *resourceBytes;

  const auto root = Directory::at(resources, 0);
  if (!root) return std::nullopt;
  const auto type = root->findId(resourceTypeVersion, true);
  if (!type) return std::nullopt;
  const auto names = Directory::at(resources, type->offset());
  if (!names) return std::nullopt;
  const auto name = names->findId(resourceNameVersion, true);
  if (!name) return std::nullopt;
  const auto languageDirectory = Directory::at(resources, name->offset());
  if (!languageDirectory) return std::nullopt;
  const auto language = findLanguage(*languageDirectory, languages);
  if (!language || !resources.holds(language->offset(), dataEntrySize)) return std::nullopt;

  const auto dataRva = resources.u32(language->offset());
  const auto dataSize = resources.u32(language->offset() + 4);
  if (!dataRva || !dataSize) return std::nullopt;
  const auto data = sections->at(*dataRva);
  if (!data || *dataSize > data->size()) return std::nullopt;
  return BlockExtent{data->base(), *dataSize};
}

std::optional<std::string_view> findVersionBlock(std::string_view bytes,
                                                 std::span<const std::uint16_t> languages) {
  const std::optional<BlockExtent> extent = findVersionExtent(ByteReader(bytes), languages);
  if (!extent) return std::nullopt;
  return bytes.substr(extent->offset, extent->size);
}

}  // namespace vemdrol
