// What the registry stores, as its files and its API give it: value types by
// their numbers and values as raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/limits.h"

namespace vemdrol {

// Value types by their registry numbers. A value may carry any other number
// too; the type is kept as the number it is.
inline constexpr std::uint32_t registryTypeNone = 0;
inline constexpr std::uint32_t registryTypeSz = 1;
inline constexpr std::uint32_t registryTypeExpandSz = 2;
inline constexpr std::uint32_t registryTypeBinary = 3;
inline constexpr std::uint32_t registryTypeDword = 4;
inline constexpr std::uint32_t registryTypeDwordBigEndian = 5;
inline constexpr std::uint32_t registryTypeLink = 6;
inline constexpr std::uint32_t registryTypeMultiSz = 7;
inline constexpr std::uint32_t registryTypeResourceList = 8;
inline constexpr std::uint32_t registryTypeFullResourceDescriptor = 9;
inline constexpr std::uint32_t registryTypeResourceRequirementsList = 10;
inline constexpr std::uint32_t registryTypeQword = 11;

// One value's data exactly as stored: the string types as UTF-16LE bytes,
// with whatever NULs the writer stored (usually one terminating NUL, but
// none, several or embedded ones are all possible).
struct RegistryData {
  std::uint32_t type = registryTypeNone;
  std::string bytes;

  friend bool operator==(const RegistryData&, const RegistryData&) = default;
};

}  // namespace vemdrol
