#include "version/pe_builder.h"

#include <algorithm>
#include <utility>

#include "base/utf16.h"

namespace vemdrol {
namespace {

constexpr std::size_t sectionVirtualAddress = 0x1000;
constexpr std::size_t fileAlignment = 0x200;
constexpr std::size_t sectionAlignment = 0x1000;

void appendU16(std::string& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

void appendU32(std::string& bytes, std::uint32_t value) {
  appendU16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
  appendU16(bytes, static_cast<std::uint16_t>(value >> 16));
}

void padTo(std::string& bytes, std::size_t alignment) {
  while (bytes.size() % alignment != 0) bytes.push_back('\0');
}

std::size_t alignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

Text hex4(std::uint16_t value) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  Text text(4, L'0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[i] = digits[value & 0xF];
  return text;
}

// The resource section: the directory tree, the data entries, the data.
struct ResourceSection {
  std::string bytes;
  std::vector<std::size_t> dataEntries;  // offsets of each language's data entry
  std::vector<std::size_t> data;         // offsets of each language's data
};

ResourceSection resourceSection(const PeOptions& options) {
  std::vector<std::uint16_t> types = options.otherTypes;
  types.push_back(options.typeId);
  std::sort(types.begin(), types.end());
  const std::size_t languages = options.languages.size();

  // Where everything goes, relative to the section's start.
  std::size_t at = 16 + 8 * types.size();
  std::vector<std::size_t> typeDirectories;
  std::size_t versionNames = 0;
  for (std::uint16_t type : types) {
    typeDirectories.push_back(at);
    if (type == options.typeId) versionNames = at;
    at += type == options.typeId ? 16 + 8 : 16;
  }
  const std::size_t languageDirectory = at;
  at += 16 + 8 * languages;
  const std::size_t dataEntries = at;
  at += 16 * languages;
  std::vector<std::size_t> data;
  for (const ResourceLanguage& language : options.languages) {
    at = alignUp(at, 8);
    data.push_back(at);
    at += language.data.size();
  }

  std::vector<std::size_t> entries;
  for (std::size_t i = 0; i < languages; ++i) entries.push_back(dataEntries + 16 * i);
  std::string bytes(at, '\0');
  auto directoryHeader = [&](std::size_t offset, std::size_t ids) {
    putU16(bytes, offset + 14, static_cast<std::uint16_t>(ids));
  };
  auto directoryEntry = [&](std::size_t directory, std::size_t index, std::uint32_t id,
                            std::uint32_t target) {
    putU32(bytes, directory + 16 + 8 * index, id);
    putU32(bytes, directory + 16 + 8 * index + 4, target);
  };
  directoryHeader(0, types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    directoryEntry(0, i, types[i], 0x80000000u | static_cast<std::uint32_t>(typeDirectories[i]));
  }
  directoryHeader(versionNames, 1);
  directoryEntry(versionNames, 0, options.nameId,
                 0x80000000u | static_cast<std::uint32_t>(languageDirectory));
  directoryHeader(languageDirectory, languages);
  for (std::size_t i = 0; i < languages; ++i) {
    const std::size_t entry = entries[i];
    directoryEntry(languageDirectory, i, options.languages[i].language,
                   static_cast<std::uint32_t>(entry));
    putU32(bytes, entry, static_cast<std::uint32_t>(sectionVirtualAddress + data[i]));
    putU32(bytes, entry + 4, static_cast<std::uint32_t>(options.languages[i].data.size()));
    std::copy(options.languages[i].data.begin(), options.languages[i].data.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(data[i]));
  }
  return {std::move(bytes), std::move(entries), std::move(data)};
}

// The NT headers and the one section header.
std::string ntHeaders(const PeOptions& options, std::size_t contentSize, std::size_t rawSize,
                      std::size_t rawOffset) {
  const std::uint16_t optionalSize = options.pe32Plus ? 240 : 224;
  std::string bytes("PE\0\0", 4);
  appendU16(bytes, options.pe32Plus ? 0x8664 : 0x014C);  // Machine
  appendU16(bytes, 1);                                   // NumberOfSections
  appendU32(bytes, 0);                                   // TimeDateStamp
  appendU32(bytes, 0);                                   // PointerToSymbolTable
  appendU32(bytes, 0);                                   // NumberOfSymbols
  appendU16(bytes, optionalSize);
  appendU16(bytes, options.pe32Plus ? 0x2022 : 0x2102);  // a DLL

  const std::size_t optional = bytes.size();
  bytes.resize(optional + optionalSize, '\0');
  putU16(bytes, optional, options.pe32Plus ? 0x20B : 0x10B);
  if (options.pe32Plus) {
    putU32(bytes, optional + 24, 0x80000000u);  // ImageBase, low half
    putU32(bytes, optional + 28, 0x1);          // ImageBase, high half
  } else {
    putU32(bytes, optional + 28, 0x10000000u);  // ImageBase
  }
  putU32(bytes, optional + 32, sectionAlignment);
  putU32(bytes, optional + 36, fileAlignment);
  putU16(bytes, optional + 40, 6);  // MajorOperatingSystemVersion
  putU16(bytes, optional + 48, 6);  // MajorSubsystemVersion
  putU32(
      bytes, optional + 56,
      static_cast<std::uint32_t>(sectionVirtualAddress + alignUp(contentSize, sectionAlignment)));
  putU32(bytes, optional + 60, fileAlignment);  // SizeOfHeaders
  putU16(bytes, optional + 68, 2);              // Subsystem: GUI
  const std::size_t directories = optional + (options.pe32Plus ? 112 : 96);
  putU32(bytes, directories - 4, 16);  // NumberOfRvaAndSizes
  putU32(bytes, directories + 16, sectionVirtualAddress);
  putU32(bytes, directories + 20, static_cast<std::uint32_t>(contentSize));

  const std::size_t section = bytes.size();
  bytes.resize(section + 40, '\0');
  bytes.replace(section, 5, ".rsrc");
  putU32(bytes, section + 8, static_cast<std::uint32_t>(contentSize));  // VirtualSize
  putU32(bytes, section + 12, sectionVirtualAddress);
  putU32(bytes, section + 16, static_cast<std::uint32_t>(rawSize));
  putU32(bytes, section + 20, static_cast<std::uint32_t>(rawOffset));
  putU32(bytes, section + 36, 0x40000040u);  // initialised data, readable
  return bytes;
}

}  // namespace

void putU16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void putU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  putU16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
  putU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::string serialize(const VersionNode& node) {
  std::string bytes;
  appendU16(bytes, 0);  // wLength, known at the end
  appendU16(bytes, node.valueLength);
  appendU16(bytes, node.type);
  bytes += toUtf16Le(node.key);
  appendU16(bytes, 0);
  padTo(bytes, 4);
  bytes += node.value;
  for (const VersionNode& child : node.children) {
    padTo(bytes, 4);
    bytes += serialize(child);
  }
  putU16(bytes, 0, node.length.value_or(static_cast<std::uint16_t>(bytes.size())));
  return bytes;
}

std::string fixedFileInfo(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS,
                          std::uint32_t signature) {
  std::string bytes;
  appendU32(bytes, signature);
  appendU32(bytes, 0x00010000);  // dwStrucVersion
  appendU32(bytes, fileVersionMS);
  appendU32(bytes, fileVersionLS);
  appendU32(bytes, fileVersionMS);  // product version
  appendU32(bytes, fileVersionLS);
  appendU32(bytes, 0x3F);     // dwFileFlagsMask
  appendU32(bytes, 0);        // dwFileFlags
  appendU32(bytes, 0x40004);  // VOS_NT_WINDOWS32
  appendU32(bytes, 1);        // VFT_APP
  appendU32(bytes, 0);        // dwFileSubtype
  appendU32(bytes, 0);        // dwFileDateMS
  appendU32(bytes, 0);        // dwFileDateLS
  return bytes;
}

VersionNode stringNode(TextView key, TextView value) {
  std::string bytes = toUtf16Le(value);
  bytes.append(2, '\0');
  const auto units = static_cast<std::uint16_t>(bytes.size() / 2);
  return {Text(key), std::move(bytes), units, 1, {}, std::nullopt};
}

VersionNode stringTableNode(TextView key, std::vector<VersionNode> strings) {
  return {Text(key), {}, 0, 1, std::move(strings), std::nullopt};
}

VersionNode stringFileInfoNode(std::vector<VersionNode> tables) {
  return {L"StringFileInfo", {}, 0, 1, std::move(tables), std::nullopt};
}

VersionNode varFileInfoNode(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries) {
  std::string table;
  for (const auto& [language, codePage] : entries) {
    appendU16(table, language);
    appendU16(table, codePage);
  }
  const auto length = static_cast<std::uint16_t>(table.size());
  VersionNode translation{L"Translation", std::move(table), length, 0, {}, std::nullopt};
  return {L"VarFileInfo", {}, 0, 1, {std::move(translation)}, std::nullopt};
}

VersionNode versionInfoNode(std::optional<std::string> fixed, std::vector<VersionNode> children) {
  std::string value = fixed.value_or(std::string());
  const auto length = static_cast<std::uint16_t>(value.size());
  return {L"VS_VERSION_INFO", std::move(value), length, 0, std::move(children), std::nullopt};
}

std::string versionBlock(const ProgramVersion& version) {
  std::vector<VersionNode> strings;
  if (version.description) strings.push_back(stringNode(L"FileDescription", *version.description));
  if (version.legalCopyright) {
    strings.push_back(stringNode(L"LegalCopyright", *version.legalCopyright));
  }
  strings.push_back(stringNode(L"ProductName", L"Vemdrol test"));
  const Text table = hex4(version.language) + hex4(version.codePage);
  return serialize(
      versionInfoNode(fixedFileInfo(version.fileVersionMS, version.fileVersionLS),
                      {stringFileInfoNode({stringTableNode(table, std::move(strings))}),
                       varFileInfoNode({{version.language, version.codePage}})}));
}

ProgramVersion fileVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
  ProgramVersion version;
  version.fileVersionMS = std::uint32_t{a} << 16 | b;
  version.fileVersionLS = std::uint32_t{c} << 16 | d;
  return version;
}

BuiltPe buildPe(const PeOptions& options) {
  ResourceSection section = resourceSection(options);
  const std::size_t contentSize = section.bytes.size();
  const std::size_t rawSize = alignUp(contentSize, fileAlignment);
  section.bytes.resize(rawSize, '\0');

  BuiltPe image;
  image.sectionRawSize = rawSize;
  std::string dos(64, '\0');
  dos[0] = 'M';
  dos[1] = 'Z';
  if (options.headersAtEnd) {
    const std::size_t rawOffset = fileAlignment;
    image.ntHeaders = rawOffset + rawSize;
    putU32(dos, 0x3C, static_cast<std::uint32_t>(image.ntHeaders));
    image.bytes = dos;
    image.bytes.resize(rawOffset, '\0');
    image.bytes += section.bytes;
    image.bytes += ntHeaders(options, contentSize, rawSize, rawOffset);
    image.resources = rawOffset;
  } else {
    image.ntHeaders = dos.size();
    putU32(dos, 0x3C, static_cast<std::uint32_t>(image.ntHeaders));
    const std::string headers = ntHeaders(options, contentSize, rawSize, fileAlignment);
    image.bytes = dos + headers;
    image.bytes.resize(alignUp(image.bytes.size(), fileAlignment), '\0');
    image.resources = image.bytes.size();
    image.bytes += section.bytes;
  }
  image.sectionTable = image.ntHeaders + 24 + (options.pe32Plus ? 240 : 224);
  for (std::size_t offset : section.dataEntries) {
    image.dataEntries.push_back(image.resources + offset);
  }
  for (std::size_t offset : section.data) image.data.push_back(image.resources + offset);
  const std::size_t optional = image.ntHeaders + 24;
  image.checksum = optional + 64;
  image.certificateEntry = optional + (options.pe32Plus ? 112 : 96) + 8 * 4;
  if (options.certificateTable) {
    padTo(image.bytes, 8);
    image.certificateTable = image.bytes.size();
    image.bytes += *options.certificateTable;
    putU32(image.bytes, image.certificateEntry, static_cast<std::uint32_t>(image.certificateTable));
    putU32(image.bytes, image.certificateEntry + 4,
           static_cast<std::uint32_t>(options.certificateTable->size()));
  }
  return image;
}

std::string peWithVersionBlock(std::string block) {
  PeOptions options;
  options.languages.push_back({0x0411, std::move(block)});
  return buildPe(options).bytes;
}

}  // namespace vemdrol
