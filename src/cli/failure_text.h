// A procedure's failure in the words the user reads, the same in the
// window's status line and on the console: the procedure's label as the
// status line has always shown it, the error number, " 内容=" and the
// error's text.
#pragma once

#include <optional>

#include "base/text.h"
#include "files/failure_report.h"
#include "os/instance_lock.h"
#include "state/kept_inventory.h"

namespace vemdrol {

// "InsMake ", "inslist ", "WPrint ", "CntRead ", "CntWrite ", or "" for the
// scan as a whole.
TextView procedureLabel(Procedure procedure);

Text failureText(const Failure& failure);

// Why the saved rows came from the inventory file alone, for the status line
// and the console: the rows may have lost characters on the way.
Text fullTextsUnavailableText(StateUnavailable why);

// Whoever holds the program's folder, for a start that has to wait or go on
// without it: "別の Vemdrol (プロセス 1234 で一覧を作成中)", or "別の Vemdrol"
// when it cannot be told.
Text folderHolderText(const std::optional<LockHolder>& holder);
// "… がこのフォルダーを使っています。終わるまで待ちます"
Text waitingForHolderText(const std::optional<LockHolder>& holder);
// "… がこのフォルダーを使っているため、一覧ファイルを保存せずに書き出します"
Text exportingBesideHolderText(const std::optional<LockHolder>& holder);

}  // namespace vemdrol
