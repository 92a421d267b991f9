// Path helpers of the inventory builder: the folder of a program path and the
// program path of an open command.
#pragma once

#include "base/text.h"

namespace vemdrol {

// path up to and including its last "\", or "" when it has none. Works for
// texts of any length.
Text directoryOf(TextView path);

// The program path at the start of an open command such as
// "C:\WINDOWS\NOTEPAD.EXE %1" or "\"C:\Program Files\Tool\tool.exe\" /x":
// from the drive letter to the end of the first ".exe" (any letter case),
// letter case kept. Only a command whose path starts with a drive letter,
// right at the start or after one quotation mark, gives a path; everything
// else (environment variables, bare program names, UNC paths, programs that
// are not .exe files) gives "".
Text exePathOf(TextView command);

}  // namespace vemdrol
