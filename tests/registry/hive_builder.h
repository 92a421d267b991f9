// Builds Windows registry hive files (the "regf" format) cell by cell, so that
// the tests and the benchmark carry no binary hives and can damage exactly
// one field of one cell.
//
// A hive is a 4 KiB base block followed by hive bins ("hbin"), each a
// multiple of 4 KiB holding cells. A cell starts with its size as a signed
// 32-bit number, negative while the cell is in use. Cells point at each other
// by offsets counted from the first hive bin, which is how the offsets here
// are given too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "os/registry.h"

namespace vemdrol {

inline constexpr std::size_t hiveBaseBlockSize = 0x1000;
inline constexpr std::uint32_t noHiveCell = 0xFFFFFFFF;

// Where the fields of a key cell ("nk") lie, counted from the cell's start
// (its size field).
inline constexpr std::size_t nkParentField = 0x14;
inline constexpr std::size_t nkSubkeyCountField = 0x18;
inline constexpr std::size_t nkSubkeyListField = 0x20;
inline constexpr std::size_t nkValueCountField = 0x28;
inline constexpr std::size_t nkValueListField = 0x2C;
inline constexpr std::size_t nkNameLengthField = 0x4C;
// The checksum of the base block: the XOR of its first 127 32-bit words.
inline constexpr std::size_t hiveChecksumField = 0x1FC;

struct HiveValue {
  Text name;  // "" for the default value
  RegistryData data;
};

struct HiveKey {
  Text name;
  std::vector<HiveValue> values;
  std::vector<HiveKey> subkeys;  // stored in this order, whatever it is
};

// How subkey lists are written: "lf" (offsets with the first four characters
// of each name), "lh" (offsets with a hash of each name, what Windows writes
// today) or "li" (offsets alone).
enum class SubkeyListKind { lf, lh, li };

struct HiveOptions {
  SubkeyListKind lists = SubkeyListKind::lh;
  // A key with more subkeys than this gets an index ("ri") of lists of at
  // most indexedListSize subkeys each.
  std::size_t indexAbove = 1024;
  std::size_t indexedListSize = 512;
  // Whether buildHive tells the cells of every key (costly for big hives).
  bool recordCells = false;
};

// The cells of one key, as offsets from the first hive bin.
struct HiveCells {
  std::uint32_t key = noHiveCell;
  std::uint32_t subkeyList = noHiveCell;
  std::uint32_t valueList = noHiveCell;
  std::vector<std::uint32_t> values;
};

struct Hive {
  std::string bytes;
  // By key path below the root: "" is the root, "A\\B" its subkey A's
  // subkey B. Filled only with HiveOptions::recordCells.
  std::map<Text, HiveCells> cells;
};

Hive buildHive(const HiveKey& root, const HiveOptions& options = {});

// Little-endian fields, for damaging a built hive. Offsets here are file
// offsets; add hiveBaseBlockSize to a cell offset.
std::uint32_t hiveU32(const std::string& bytes, std::size_t at);
void putHiveU32(std::string& bytes, std::size_t at, std::uint32_t value);
void putHiveU16(std::string& bytes, std::size_t at, std::uint16_t value);
// Makes the base block's checksum match its other bytes again.
void fixHiveChecksum(std::string& bytes);

// A string default value as writers store it: UTF-16LE with one NUL.
RegistryData hiveString(TextView text, std::uint32_t type = registryTypeSz);

}  // namespace vemdrol
