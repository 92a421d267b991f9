// How an error is put in words for the user, in one place: the system's own
// description of its errors as it is, the program's faults in its own
// Japanese wording (base/error.h keeps only what went wrong).
//
// errorMessage is the one format in which every procedure reports a failure
// in the status line: an optional procedure label (ending in a blank), the
// error number in decimal, " 内容=", and the error's text.
#pragma once

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

// The error as the user reads it: for Fault::system its description as it
// is; for a fault of the program's own, the fault's wording with its
// subject ("12 行目: 値の行が正しくありません", "キー Classes がありません"),
// after "ファイル PATH を読み込めません: " where the error names its file; a
// fault of a scanned system's target as a sentence naming its folder.
Text errorText(const Error& error);

Text errorMessage(TextView label, const Error& error);

}  // namespace vemdrol
