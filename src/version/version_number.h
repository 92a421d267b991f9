// The version number of a program file as the list shows it: the file
// version's first, second and fourth numbers, as in "6.0.5512" for
// 6.0.2900.5512.
#pragma once

#include "base/error.h"
#include "base/text.h"
#include "os/version_resource.h"

namespace vemdrol {

// "hi(MS).lo(MS).lo(LS)" of dwFileVersionMS and dwFileVersionLS, in decimal.
Text versionNumberText(const FixedFileVersion& version);

// The version number of the file at path; "" when the file is missing, is
// no program file or has no version resource or no fixed-information block.
// There is no error trap here: a failure of the reader goes to the caller.
Result<Text> WVerNumber(VersionResourceReader& versions, TextView path);

}  // namespace vemdrol
