// Who reads a program file's version resource: the Windows version API on
// Windows, the file's own bytes elsewhere (os/pe_version_reader.h).
#pragma once

#include <memory>
#include <optional>

#include "base/error.h"
#include "base/text.h"
#include "formats/pe/version_resource.h"
#include "os/filesystem.h"

namespace vemdrol {

class VersionResourceReader {
 public:
  virtual ~VersionResourceReader() = default;

  // The version resource of the file at path. nullopt when the file is
  // missing, cannot be read, is not a program file or has no (undamaged)
  // version resource: all of these are "no version information". An error
  // only when the answer is unknown, such as running out of memory.
  virtual Result<std::optional<VersionResource>> versionResourceOf(TextView path) = 0;
};

// The machine's own reader: the Windows version API on Windows (files is not
// used there); elsewhere the program files' own bytes, read through files,
// which must outlive the reader.
std::unique_ptr<VersionResourceReader> makeSystemVersionResourceReader(FileSystem& files);

}  // namespace vemdrol
