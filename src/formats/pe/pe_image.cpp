#include "formats/pe/pe_image.h"

#include <algorithm>
#include <utility>

#include "formats/limits.h"

namespace vemdrol {
namespace {

constexpr ByteOffset lfanewField = 0x3C;
constexpr std::string_view ntSignature("PE\0\0", 4);
constexpr std::uint16_t pe32Magic = 0x10B;
constexpr std::uint16_t pe32PlusMagic = 0x20B;

}  // namespace

std::optional<std::uint32_t> PeImage::ntHeadersOffset(const ByteReader& file) {
  if (!file.holds(0, dosHeaderSize) || !file.matches(0, "MZ")) return std::nullopt;
  return file.u32(lfanewField);
}

std::variant<PeImage, PeFault> PeImage::read(const ByteReader& file) {
  const std::optional<std::uint32_t> nt = ntHeadersOffset(file);
  if (!nt) return PeFault::notPe;
  return readNtHeaders(file, *nt);
}

std::variant<PeImage, PeFault> PeImage::readNtHeaders(const ByteReader& file, ByteOffset nt) {
  if (!file.matches(nt, ntSignature)) return PeFault::notPe;
  const ByteOffset coff = nt + ntSignature.size();
  const auto machine = file.u16(coff);
  const auto sectionCount = file.u16(coff + 2);
  const auto optionalSize = file.u16(coff + 16);
  if (!machine || !sectionCount || !optionalSize) return PeFault::truncated;

  PeImage image(file);
  image.nt_ = nt;
  image.machine_ = *machine;
  image.sectionCount_ = *sectionCount;
  image.optionalHeaderSize_ = *optionalSize;
  image.magic_ = file.u16(image.optionalHeader());
  if (image.format()) image.directoryCount_ = file.u32(image.directoryEntries() - 4);
  return image;
}

std::optional<PeFormat> PeImage::format() const {
  if (magic_ == pe32Magic) return PeFormat::pe32;
  if (magic_ == pe32PlusMagic) return PeFormat::pe32Plus;
  return std::nullopt;
}

ByteOffset PeImage::directoryEntries() const {
  // The fixed part of the optional header is 16 bytes longer in PE32+: its
  // ImageBase and stack and heap sizes are 64 bits wide.
  return optionalHeader() + (format() == PeFormat::pe32Plus ? 112 : 96);
}

std::optional<std::uint32_t> PeImage::directoryCount() const {
  if (!directoryCount_) return std::nullopt;
  return std::min(*directoryCount_, maxPeDataDirectories);
}

std::optional<PeDataDirectory> PeImage::directory(std::uint32_t index) const {
  const std::optional<std::uint32_t> count = directoryCount();
  if (!count || index >= *count) return std::nullopt;
  const ByteOffset entry = directoryEntry(index);
  const auto address = file_.u32(entry);
  const auto size = file_.u32(entry + 4);
  if (!address || !size) return std::nullopt;
  return PeDataDirectory{*address, *size};
}

std::optional<PeSectionTable> PeImage::sectionTable() const {
  const ByteOffset table = optionalHeaderEnd();
  if (!file_.holds(table, ByteOffset{sectionCount_} * sectionHeaderSize)) return std::nullopt;
  std::vector<PeSection> sections;
  sections.reserve(sectionCount_);
  for (ByteOffset i = 0; i < sectionCount_; ++i) {
    const ByteOffset at = table + i * sectionHeaderSize;
    const auto virtualAddress = file_.u32(at + 12);
    const auto rawSize = file_.u32(at + 16);
    const auto rawOffset = file_.u32(at + 20);
    if (!virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    sections.push_back({*virtualAddress, *rawSize, *rawOffset});
  }
  return PeSectionTable(file_, std::move(sections));
}

std::optional<ByteReader> PeSectionTable::at(ByteOffset rva) const {
  for (const PeSection& section : sections_) {
    if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize) continue;
    const ByteOffset offset = ByteOffset{section.rawOffset} + (rva - section.virtualAddress);
    const ByteOffset end = std::min(ByteOffset{section.rawOffset} + section.rawSize, file_.size());
    if (offset >= end) return std::nullopt;
    return file_.window(offset, end - offset);
  }
  return std::nullopt;
}

}  // namespace vemdrol
