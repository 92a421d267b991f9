#include "formats/pe/version_block.h"

#include <algorithm>

namespace vemdrol {
namespace {

using Offset = std::uint64_t;  // wide enough that no sum of file fields overflows

constexpr std::uint16_t resourceTypeVersion = 16;  // RT_VERSION
constexpr std::uint16_t resourceNameVersion = 1;   // VS_VERSION_INFO
constexpr std::uint32_t resourceDirectoryIndex = 2;

constexpr Offset dosHeaderSize = 64;
constexpr Offset lfanewField = 0x3C;
constexpr Offset coffHeaderSize = 20;
constexpr Offset sectionHeaderSize = 40;
constexpr Offset directoryHeaderSize = 16;  // IMAGE_RESOURCE_DIRECTORY
constexpr Offset directoryEntrySize = 8;    // IMAGE_RESOURCE_DIRECTORY_ENTRY
constexpr Offset dataEntrySize = 16;        // IMAGE_RESOURCE_DATA_ENTRY
constexpr std::uint32_t subdirectoryFlag = 0x80000000;

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  Offset size() const override { return bytes_.size(); }
  std::optional<unsigned char> byte(Offset at) override {
    return static_cast<unsigned char>(bytes_[at]);
  }

 private:
  std::string_view bytes_;
};

// Little-endian reads of a window of the file, [base, base + size), that
// refuse to leave it. Offsets count from the window's start.
class Bytes {
 public:
  Bytes(ByteSource& source, Offset base, Offset size) : source_(source), base_(base), size_(size) {}
  explicit Bytes(ByteSource& source) : Bytes(source, 0, source.size()) {}

  Offset size() const { return size_; }
  Offset base() const { return base_; }
  bool holds(Offset offset, Offset length) const {
    return offset <= size() && length <= size() - offset;
  }
  std::optional<std::uint16_t> u16(Offset at) const {
    if (!holds(at, 2)) return std::nullopt;
    const auto low = byte(at);
    const auto high = byte(at + 1);
    if (!low || !high) return std::nullopt;
    return static_cast<std::uint16_t>(*low | *high << 8);
  }
  std::optional<std::uint32_t> u32(Offset at) const {
    const auto low = u16(at);
    const auto high = u16(at + 2);
    if (!low || !high) return std::nullopt;
    return std::uint32_t{*low} | std::uint32_t{*high} << 16;
  }
  // Whether the bytes at offset are these.
  bool matches(Offset at, std::string_view expected) const {
    if (!holds(at, expected.size())) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (byte(at + i) != static_cast<unsigned char>(expected[i])) return false;
    }
    return true;
  }
  ByteSource& source() const { return source_; }

 private:
  std::optional<unsigned char> byte(Offset at) const { return source_.byte(base_ + at); }

  ByteSource& source_;
  Offset base_;
  Offset size_;
};

struct Section {
  Offset virtualAddress = 0;
  Offset rawSize = 0;
  Offset rawOffset = 0;
};

struct Headers {
  Offset resourceRva = 0;
  Offset resourceSize = 0;
  std::vector<Section> sections;
};

std::optional<Headers> readHeaders(const Bytes& file) {
  const auto lfanew = file.u32(lfanewField);
  if (!file.holds(0, dosHeaderSize) || !file.matches(0, "MZ") || !lfanew) return std::nullopt;
  const Offset nt = *lfanew;
  if (!file.matches(nt, std::string_view("PE\0\0", 4))) return std::nullopt;
  const Offset coff = nt + 4;
  const auto sectionCount = file.u16(coff + 2);
  const auto optionalSize = file.u16(coff + 16);
  const Offset optional = coff + coffHeaderSize;
  const auto magic = file.u16(optional);
  if (!sectionCount || !optionalSize || !magic) return std::nullopt;

  // The data directories follow the fixed part of the optional header, which
  // is 16 bytes longer in PE32+.
  Offset directories = 0;
  if (*magic == 0x10B) {
    directories = optional + 96;
  } else if (*magic == 0x20B) {
    directories = optional + 112;
  } else {
    return std::nullopt;
  }
  const auto directoryCount = file.u32(directories - 4);
  if (!directoryCount || *directoryCount <= resourceDirectoryIndex) return std::nullopt;
  const Offset resourceEntry = directories + 8 * resourceDirectoryIndex;
  const auto rva = file.u32(resourceEntry);
  const auto size = file.u32(resourceEntry + 4);
  if (!rva || !size || *rva == 0) return std::nullopt;

  Headers headers{*rva, *size, {}};
  const Offset table = optional + *optionalSize;
  if (!file.holds(table, Offset{*sectionCount} * sectionHeaderSize)) return std::nullopt;
  headers.sections.reserve(*sectionCount);
  for (Offset i = 0; i < *sectionCount; ++i) {
    const Offset at = table + i * sectionHeaderSize;
    const auto virtualAddress = file.u32(at + 12);
    const auto rawSize = file.u32(at + 16);
    const auto rawOffset = file.u32(at + 20);
    if (!virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    headers.sections.push_back({*virtualAddress, *rawSize, *rawOffset});
  }
  return headers;
}

// The file bytes of the section that holds rva, from rva to the end of the
// section's raw data (cut at the end of the file), as the loader maps a
// file loaded as data: the first section whose raw data covers rva.
std::optional<Bytes> bytesAtRva(const Bytes& file, const std::vector<Section>& sections,
                                Offset rva) {
  for (const Section& section : sections) {
    if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize) continue;
    const Offset offset = section.rawOffset + (rva - section.virtualAddress);
    const Offset end = std::min(section.rawOffset + section.rawSize, file.size());
    if (offset >= end) return std::nullopt;
    return Bytes(file.source(), offset, end - offset);
  }
  return std::nullopt;
}

struct DirectoryEntry {
  std::uint32_t name = 0;
  std::uint32_t target = 0;

  bool isDirectory() const { return (target & subdirectoryFlag) != 0; }
  Offset offset() const { return target & ~subdirectoryFlag; }
};

// One resource directory, its entries checked to lie within the resources.
class Directory {
 public:
  static std::optional<Directory> at(const Bytes& resources, Offset offset) {
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
  Directory(const Bytes& resources, Offset offset, Offset named, Offset count)
      : resources_(resources), offset_(offset), named_(named), count_(count) {}

  const Bytes& resources_;
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

std::optional<BlockExtent> findVersionExtent(ByteSource& source,
                                             std::span<const std::uint16_t> languages) {
  const Bytes file(source);
  const std::optional<Headers> headers = readHeaders(file);
  if (!headers || headers->resourceSize < directoryHeaderSize) return std::nullopt;

  // All offsets in the resource directories count from its start; none may
  // lead out of the section that holds it.
  const auto resourceBytes = bytesAtRva(file, headers->sections, headers->resourceRva);
  if (!resourceBytes) return std::nullopt;
  const Bytes& resources = *resourceBytes;

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
  const auto data = bytesAtRva(file, headers->sections, *dataRva);
  if (!data || *dataSize > data->size()) return std::nullopt;
  return BlockExtent{data->base(), *dataSize};
}

std::optional<std::string_view> findVersionBlock(std::string_view bytes,
                                                 std::span<const std::uint16_t> languages) {
  MemorySource source(bytes);
  const std::optional<BlockExtent> extent = findVersionExtent(source, languages);
  if (!extent) return std::nullopt;
  return bytes.substr(extent->offset, extent->size);
}

}  // namespace vemdrol
