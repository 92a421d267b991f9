// The one format in which every procedure reports a failure in the status
// line: an optional procedure label (ending in a blank), the error number in
// decimal, " 内容=", and the description.
#pragma once

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

Text errorMessage(TextView label, const Error& error);

}  // namespace vemdrol
