// errno numbers as Error values, in one place for the POSIX backends and the
// readers of a system that is not running, which make POSIX calls of their
// own (offline/).
#pragma once

#ifndef _WIN32

#include "base/error.h"

namespace vemdrol {

// The system's own error: the number and the system's description of it,
// shown as the system words it (the file system's errors, the lock's).
Error posixError(int number);

// Why a file the program reads whole for itself (a registry file of a system
// that is not running) could not be read, as the program words it: missing,
// not permitted, a folder, too large, out of memory, or another system error
// with its number.
Error fileReadError(int number);

}  // namespace vemdrol

#endif
