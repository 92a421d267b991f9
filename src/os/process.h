// Facts about the running program and the machine it runs on.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace vemdrol {

// The folder the program file lies in, without a final "\" (except for a
// drive root); "" when it cannot be told.
Text programFolder();

// The number of the running process.
std::uint32_t currentProcessId();

// The name of this computer; "" when it cannot be told.
Text computerName();

// The Windows folder every user of this machine shares ("C:\Windows");
// "" when it cannot be told, and on a system that has none.
Text windowsFolder();

}  // namespace vemdrol
