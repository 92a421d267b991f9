#include "cli/failure_text.h"

#include "files/error_message.h"

namespace vemdrol {

TextView procedureLabel(Procedure procedure) {
  switch (procedure) {
    case Procedure::scan:
      break;
    case Procedure::buildInventory:
      return L"InsMake ";
    case Procedure::listKey:
      return L"inslist ";
    case Procedure::endPass:
      return L"WPrint ";
    case Procedure::loadInventory:
      return L"CntRead ";
    case Procedure::saveInventory:
      return L"CntWrite ";
  }
  return L"";
}

Text failureText(const Failure& failure) {
  return errorMessage(procedureLabel(failure.procedure), failure.error);
}

Text folderHolderText(const std::optional<LockHolder>& holder) {
  if (!holder) return L"別の Vemdrol";
  TextView doing;
  switch (holder->role) {
    case LockHolder::Role::window:
      doing = L"でウィンドウを表示中";
      break;
    case LockHolder::Role::rebuild:
      doing = L"で一覧を作成中";
      break;
    case LockHolder::Role::commandLine:
      doing = L"でコマンド ラインから実行中";
      break;
  }
  return L"別の Vemdrol (プロセス " + std::to_wstring(holder->processId) + L" " + Text(doing) +
         L")";
}

Text waitingForHolderText(const std::optional<LockHolder>& holder) {
  return folderHolderText(holder) + L" がこのフォルダーを使っています。終わるまで待ちます";
}

Text exportingBesideHolderText(const std::optional<LockHolder>& holder) {
  return folderHolderText(holder) +
         L" がこのフォルダーを使っているため、一覧ファイルを保存せずに書き出します";
}

Text fullTextsUnavailableText(StateUnavailable why) {
  TextView reason;
  switch (why) {
    case StateUnavailable::missing:
      reason = L"Vemdrol.state がありません";
      break;
    case StateUnavailable::unreadable:
      reason = L"Vemdrol.state を読めません";
      break;
    case StateUnavailable::notStateFile:
      reason = L"Vemdrol.state の形式が違います";
      break;
    case StateUnavailable::newerVersion:
      reason = L"Vemdrol.state は新しい版の Vemdrol が保存したものです";
      break;
    case StateUnavailable::damaged:
      reason = L"Vemdrol.state が壊れています";
      break;
    case StateUnavailable::otherInventory:
      reason = L"Vemdrol.state が Vemdrol.Cnt と一致しません";
      break;
  }
  return L"一覧は Vemdrol.Cnt から読み込みました。文字の一部が失われている場合があります (" +
         Text(reason) + L")";
}

}  // namespace vemdrol
