// Facts about the running program and the machine it runs on.
#pragma once

#include "base/text.h"

namespace vemdrol {

// The folder the program file lies in, without a final "\" (except for a
// drive root); "" when it cannot be told.
Text programFolder();

// The name of this computer; "" when it cannot be told.
Text computerName();

}  // namespace vemdrol
