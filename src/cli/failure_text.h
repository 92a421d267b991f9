// A procedure's failure in the words the user reads, the same in the
// window's status line and on the console: the procedure's label as the
// status line has always shown it, the error number, " 内容=" and the
// error's text.
#pragma once

#include "base/text.h"
#include "files/failure_report.h"

namespace vemdrol {

// "InsMake ", "inslist ", "WPrint ", "CntRead ", "CntWrite ", or "" for the
// scan as a whole.
TextView procedureLabel(Procedure procedure);

Text failureText(const Failure& failure);

}  // namespace vemdrol
