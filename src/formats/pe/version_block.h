// Finding a program file's version block in the file's own bytes, without the
// Windows API: the way the Windows loader finds it for GetFileVersionInfoW,
// so that both give the same block.
//
// Every file is treated as hostile: each offset and length is checked against
// the file, the section or the resource directory it points into before it is
// used (formats/pe/pe_image.h reads the headers), and a file that does not
// add up has no version block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "formats/byte_reader.h"
#include "formats/pe/version_resource.h"

namespace vemdrol {

// The languages tried, in this order, among the version resource's language
// entries: the loader's order on a Japanese system (language-neutral, then
// the thread's, user's and system's Japanese (Japan), Japanese with a neutral
// sublanguage, then English (United States)). When none is there, the first
// language entry is taken.
inline constexpr std::array<std::uint16_t, 4> japaneseResourceLanguages{0x0000, 0x0411, 0x0011,
                                                                        0x0409};

// Where the version block lies in the file.
struct BlockExtent {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// The extent of the version resource in file, found as findVersionBlock
// finds it. Over a paged source only the pages on the way to it are read.
std::optional<BlockExtent> findVersionExtent(
    const ByteReader& file, std::span<const std::uint16_t> languages = japaneseResourceLanguages);

// The bytes of the version resource (type 16, RT_VERSION; name 1,
// VS_VERSION_INFO) in a PE32 or PE32+ file, as a view into file; nullopt
// when the file is not such a file, has no version resource or is damaged
// where the path to it leads.
std::optional<std::string_view> findVersionBlock(
    std::string_view file, std::span<const std::uint16_t> languages = japaneseResourceLanguages);

}  // namespace vemdrol
