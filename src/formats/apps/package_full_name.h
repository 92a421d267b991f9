// A Store package's full name, as the package repository names its key:
// "Name_Version_Architecture_ResourceId_PublisherId", for example
// "Microsoft.WindowsCalculator_11.2210.0.0_x64__8wekyb3d8bbwe" (an empty
// resource id between the last two separators).
#pragma once

#include <optional>

#include "base/text.h"

namespace vemdrol {

struct PackageFullName {
  Text name;          // "Microsoft.WindowsCalculator"
  Text version;       // "11.2210.0.0": four numbers up to 65535
  Text architecture;  // "x64", "x86", "arm", "arm64", "neutral", as stored
  Text resourceId;    // empty for a main package; "~" for a bundle
  Text publisherId;   // 13 characters of [a-z0-9]
};

// nullopt unless the text has exactly these five parts, each as the
// packaging rules allow it (maxPackageFullNameLength and the limits of
// formats/limits.h); a name that breaks them is not a package's.
std::optional<PackageFullName> parsePackageFullName(TextView fullName);

}  // namespace vemdrol
