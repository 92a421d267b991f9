// The headers of a PE file (a Windows program file, PE32 or PE32+), read in
// this one place for every parser that needs them: the DOS header and
// e_lfanew, the NT signature, the COFF header, the optional header with its
// data directories, the section table, and the mapping of RVAs to the file's
// bytes as the loader maps a file loaded as data.
//
// The bytes are hostile: every field is read through a ByteReader, so each
// offset is checked against the file before it is used. Reading is lazy
// beyond the COFF header: a field the file does not hold is nullopt where it
// is asked for, and each parser decides what that makes the file (the
// machine type calls a header cut short truncated; the version and the
// signature finders find nothing). Over a paged source only the pages that
// hold the fields asked for are read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "formats/byte_reader.h"

namespace vemdrol {

// The data directories the parsers look up.
inline constexpr std::uint32_t peResourceDirectory = 2;
inline constexpr std::uint32_t peCertificateDirectory = 4;  // its address is a file offset
inline constexpr std::uint32_t peClrDirectory = 14;         // a .NET assembly's runtime header

struct PeDataDirectory {
  std::uint32_t address = 0;
  std::uint32_t size = 0;
};

struct PeSection {
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawSize = 0;    // SizeOfRawData
  std::uint32_t rawOffset = 0;  // PointerToRawData
};

enum class PeFormat { pe32, pe32Plus };

// What keeps a file's headers from being read.
enum class PeFault {
  notPe,      // no whole DOS header with "MZ", or no "PE\0\0" where e_lfanew points
  truncated,  // the signature is there, but the COFF header is cut off
};

class PeSectionTable;

class PeImage {
 public:
  static constexpr ByteOffset dosHeaderSize = 64;
  static constexpr ByteOffset coffHeaderSize = 20;  // after the 4-byte signature
  static constexpr ByteOffset sectionHeaderSize = 40;

  // e_lfanew, where the NT headers start, when file starts with a whole DOS
  // header ("MZ").
  static std::optional<std::uint32_t> ntHeadersOffset(const ByteReader& file);

  // The headers of the file, found through its DOS header.
  static std::variant<PeImage, PeFault> read(const ByteReader& file);
  // The headers of the file whose NT headers start at nt, e_lfanew being
  // known already: for a reader of the file's bytes from there on, nt is 0.
  static std::variant<PeImage, PeFault> readNtHeaders(const ByteReader& file, ByteOffset nt);

  // The COFF header.
  ByteOffset ntHeaders() const { return nt_; }
  std::uint16_t machine() const { return machine_; }
  std::uint16_t sectionCount() const { return sectionCount_; }
  std::uint16_t optionalHeaderSize() const { return optionalHeaderSize_; }

  // Where the optional header starts, and where SizeOfOptionalHeader says
  // it ends (where the section table starts).
  ByteOffset optionalHeader() const { return nt_ + 4 + coffHeaderSize; }
  ByteOffset optionalHeaderEnd() const { return optionalHeader() + optionalHeaderSize_; }
  // The optional header's magic, when the file holds it, whatever
  // SizeOfOptionalHeader says.
  std::optional<std::uint16_t> magic() const { return magic_; }
  // PE32 (0x10B) or PE32+ (0x20B); nullopt for another magic or none. The
  // fields below are the format's, and asked for only when it is known.
  std::optional<PeFormat> format() const;

  // The CheckSum field, at the same place in PE32 and PE32+.
  ByteOffset checksumField() const { return optionalHeader() + 64; }
  // The first data directory entry (NumberOfRvaAndSizes comes just before
  // it), and entry index.
  ByteOffset directoryEntries() const;
  ByteOffset directoryEntry(std::uint32_t index) const { return directoryEntries() + 8 * index; }
  // NumberOfRvaAndSizes, at most maxPeDataDirectories; nullopt when the
  // file does not hold it.
  std::optional<std::uint32_t> directoryCount() const;
  // Data directory index; nullopt when the count leaves it out or the file
  // does not hold it (the count tells the two apart).
  std::optional<PeDataDirectory> directory(std::uint32_t index) const;

  // The section table (sectionCount() entries at optionalHeaderEnd());
  // nullopt when the file does not hold it whole.
  std::optional<PeSectionTable> sectionTable() const;

 private:
  explicit PeImage(const ByteReader& file) : file_(file) {}

  ByteReader file_;
  ByteOffset nt_ = 0;
  std::uint16_t machine_ = 0;
  std::uint16_t sectionCount_ = 0;
  std::uint16_t optionalHeaderSize_ = 0;
  std::optional<std::uint16_t> magic_;
  std::optional<std::uint32_t> directoryCount_;
};

class PeSectionTable {
 public:
  std::span<const PeSection> sections() const { return sections_; }

  // The file bytes of the section that holds rva, from rva to the end of the
  // section's raw data, cut at the end of the file: the first section whose
  // raw data covers rva, as the loader maps a file loaded as data. nullopt
  // when no section covers it or the file ends before it.
  std::optional<ByteReader> at(ByteOffset rva) const;

 private:
  friend class PeImage;
  PeSectionTable(const ByteReader& file, std::vector<PeSection> sections)
      : file_(file), sections_(std::move(sections)) {}

  ByteReader file_;
  std::vector<PeSection> sections_;
};

}  // namespace vemdrol
