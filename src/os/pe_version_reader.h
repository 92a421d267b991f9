// Reading a program file's version resource from its own bytes, through the
// file system seam: the reader of every system but Windows, and of a system
// that is not running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/limits.h"
#include "formats/pe/version_block.h"
#include "os/filesystem.h"
#include "os/version_resource.h"

namespace vemdrol {

// Reads each program file through a FileSystem and finds its version
// block with findVersionBlock.
class PeVersionResourceReader final : public VersionResourceReader {
 public:
  // Files larger than this are answered with "no version resource"
  // (formats/limits.h says why).
  static constexpr std::size_t defaultMaxFileSize = maxPeFileSize;

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
