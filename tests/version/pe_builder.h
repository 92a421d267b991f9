// Builds version blocks and small PE files around them, field by field, so
// that the tests carry no binaries and can damage exactly one field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"

namespace vemdrol {

// One node of a version block.
struct VersionNode {
  Text key;
  std::string value;              // the value's bytes
  std::uint16_t valueLength = 0;  // wValueLength as written
  std::uint16_t type = 0;         // wType as written: 1 text, 0 binary
  std::vector<VersionNode> children;
  // wLength to write instead of the node's true length.
  std::optional<std::uint16_t> length;
};

// The node's bytes: header, key, padding, value, padding, children (each
// padded to 32 bits before it). The true wLength runs to the end of the
// last child, or of the value, without padding after it.
std::string serialize(const VersionNode& node);

// The 52 bytes of a VS_FIXEDFILEINFO with the given file version.
std::string fixedFileInfo(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS,
                          std::uint32_t signature = 0xFEEF04BD);

// A text string whose wValueLength counts the terminating NUL, as resource
// compilers write it.
VersionNode stringNode(TextView key, TextView value);
VersionNode stringTableNode(TextView key, std::vector<VersionNode> strings);
VersionNode stringFileInfoNode(std::vector<VersionNode> tables);
VersionNode varFileInfoNode(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries);
// The root, with a fixed-information block when fixed is given.
VersionNode versionInfoNode(std::optional<std::string> fixed, std::vector<VersionNode> children);

struct ProgramVersion {
  std::uint32_t fileVersionMS = 0x00010000;
  std::uint32_t fileVersionLS = 0;
  std::uint16_t language = 0x0411;
  std::uint16_t codePage = 0x04B0;
  std::optional<Text> description;
  std::optional<Text> legalCopyright;
};

// A whole block the way resource compilers write it: fixed information, one
// string table and one translation.
std::string versionBlock(const ProgramVersion& version);

// Shorthand for a version number a.b.c.d.
ProgramVersion fileVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d);

struct ResourceLanguage {
  std::uint16_t language = 0x0411;
  std::string data;
};

struct PeOptions {
  bool pe32Plus = true;
  std::uint16_t typeId = 16;  // RT_VERSION
  std::uint16_t nameId = 1;   // VS_VERSION_INFO
  // Other resource types, each with an empty directory below it.
  std::vector<std::uint16_t> otherTypes;
  // In this order; resource compilers sort them by language.
  std::vector<ResourceLanguage> languages;
  // The NT headers and section table go to the very end of the file, so that
  // their last byte is the file's last byte.
  bool headersAtEnd = false;
  // Bytes put at the end of the file, at an offset aligned to 8, for data
  // directory 4 (the certificate table) to point to.
  std::optional<std::string> certificateTable;
};

struct BuiltPe {
  std::string bytes;
  std::size_t ntHeaders = 0;             // e_lfanew
  std::size_t sectionTable = 0;          // file offset of the section header
  std::size_t sectionRawSize = 0;        // SizeOfRawData as written
  std::size_t resources = 0;             // file offset of the resource directory
  std::vector<std::size_t> dataEntries;  // file offset of each language's data entry
  std::vector<std::size_t> data;         // file offset of each language's data
  std::size_t checksum = 0;              // file offset of the optional header's CheckSum
  std::size_t certificateEntry = 0;      // file offset of data directory 4
  std::size_t certificateTable = 0;      // file offset of the certificate table; 0 without one
};

// A PE file with one section ".rsrc" holding the resource directory
// (type, name, languages) and the data of each language.
BuiltPe buildPe(const PeOptions& options);

// A PE32+ file with block as its only version resource (language 0x0411).
std::string peWithVersionBlock(std::string block);

void putU16(std::string& bytes, std::size_t at, std::uint16_t value);
void putU32(std::string& bytes, std::size_t at, std::uint32_t value);

}  // namespace vemdrol
