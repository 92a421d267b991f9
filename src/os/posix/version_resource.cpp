#include "os/version_resource.h"

#include <memory>

#include "os/pe_version_reader.h"

namespace vemdrol {

std::unique_ptr<VersionResourceReader> makeSystemVersionResourceReader(FileSystem& files) {
  return std::make_unique<PeVersionResourceReader>(files);
}

}  // namespace vemdrol
