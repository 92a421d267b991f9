// Reading a program file's version resource from its own bytes, through the
// file system seam: the reader of every system but Windows, and of a system
// that is not running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/pe/version_block.h"
#include "os/filesystem.h"
#include "os/version_resource.h"

namespace vemdrol {

// Reads each program file through a FileSystem and finds its version
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
