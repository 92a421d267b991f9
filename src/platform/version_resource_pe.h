// Finding a program file's version block in the file's own bytes, without the
// Windows API: the way the Windows loader finds it for GetFileVersionInfoW,
// so that both give the same block.
//
// Every file is treated as hostile: each offset and length is checked against
// the file, the section or the resource directory it points into before it is
// used, and a file that does not add up has no version block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/version_resource.h"

namespace vemdrol {

// The languages tried, in this order, among the version resource's language
// entries: the loader's order on a Japanese system (language-neutral, then
// the thread's, user's and system's Japanese (Japan), Japanese with a neutral
// sublanguage, then English (United States)). When none is there, the first
// language entry is taken.
inline constexpr std::array<std::uint16_t, 4> japaneseResourceLanguages{0x0000, 0x0411, 0x0011,
                                                                        0x0409};

// The bytes of the version resource (type 16, RT_VERSION; name 1,
// VS_VERSION_INFO) in a PE32 or PE32+ file, as a view into file; nullopt
// when the file is not such a file, has no version resource or is damaged
// where the path to it leads.
std::optional<std::string_view> findVersionBlock(
    std::string_view file, std::span<const std::uint16_t> languages = japaneseResourceLanguages);

// Reads each program file whole through a FileSystem and finds its version
// block with findVersionBlock.
class PeVersionResourceReader final : public VersionResourceReader {
 public:
  // Files larger than this are not program files the program looks at; they
  // are answered with "no version resource". The file systems refuse files
  // over 1 GiB on their own; this keeps the parser within 32-bit offsets and
  // within what a program file can be.
  static constexpr std::size_t defaultMaxFileSize = std::size_t{256} << 20;

  // files must outlive the reader.
  explicit PeVersionResourceReader(
      FileSystem& files, std::size_t maxFileSize = defaultMaxFileSize,
      std::span<const std::uint16_t> languages = japaneseResourceLanguages);

  // A file that cannot be read at all counts as one without a version
  // resource, as it does for GetFileVersionInfoSizeW; so this reader never
  // gives an error.
  Result<std::optional<VersionResource>> versionResourceOf(TextView path) override;

 private:
  FileSystem& files_;
  std::size_t maxFileSize_;
  std::vector<std::uint16_t> languages_;
};

}  // namespace vemdrol
