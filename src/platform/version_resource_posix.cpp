#include <memory>

#include "platform/version_resource.h"
#include "platform/version_resource_pe.h"

namespace vemdrol {

std::unique_ptr<VersionResourceReader> makeSystemVersionResourceReader(FileSystem& files) {
  return std::make_unique<PeVersionResourceReader>(files);
}

}  // namespace vemdrol
