#include "version/version_number.h"

#include <string>

namespace vemdrol {

Text versionNumberText(const FixedFileVersion& version) {
  // The third number, the build number (high half of LS), is not shown.
  return std::to_wstring(version.fileVersionMS >> 16) + L"." +
         std::to_wstring(version.fileVersionMS & 0xFFFF) + L"." +
         std::to_wstring(version.fileVersionLS & 0xFFFF);
}

Result<Text> WVerNumber(VersionResourceReader& versions, TextView path) {
  Result<std::optional<VersionResource>> resource = versions.versionResourceOf(path);
  if (!resource) return resource.error();
  if (!resource.value()) return Text();
  const std::optional<FixedFileVersion> fixed = resource.value()->fixedFileVersion();
  if (!fixed) return Text();
  return versionNumberText(*fixed);
}

}  // namespace vemdrol
