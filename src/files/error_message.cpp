#include "files/error_message.h"

#include <string>

namespace vemdrol {
namespace {

// The system's reason, where it gave one.
Text systemReason(const Error& error) {
  return error.description.empty() ? L"システム エラー " + std::to_wstring(error.number)
                                   : error.description;
}

// The faults found in a line of a file, worded after the line's number.
Text onLine(const Error& error, TextView what) { return error.subject + L" 行目: " + Text(what); }

// The fault itself, without the file it was found in.
Text faultText(const Error& error) {
  switch (error.fault) {
    case Fault::system:
      return error.description;
    case Fault::notWineRegistry:
      return onLine(error, L"Wine のレジストリ ファイルではありません");
    case Fault::nulCharacter:
      return onLine(error, L"NUL 文字があります");
    case Fault::valueBeforeKey:
      return onLine(error, L"キーより前に値があります");
    case Fault::unreadableLine:
      return onLine(error, L"読めない行です");
    case Fault::badKeyLine:
      return onLine(error, L"キーの行が正しくありません");
    case Fault::keyNameTooLong:
      return onLine(error, L"キーの名前が長すぎます");
    case Fault::unknownArchitecture:
      return onLine(error, L"知らないアーキテクチャです");
    case Fault::badValueLine:
      return onLine(error, L"値の行が正しくありません");
    case Fault::valueCutShort:
      return onLine(error, L"値が途中で終わっています");
    case Fault::notHive:
      return L"ハイブ ファイルではないか、壊れています";
    case Fault::hiveDamaged:
      return L"ハイブが壊れています (キー " +
             (error.subject.empty() ? Text(L"\\") : error.subject) + L")";
    case Fault::noSuchKey:
      return L"キー " + error.subject + L" がありません";
    case Fault::badAppxManifest:
      return L"パッケージのマニフェストが正しくありません (" + error.subject + L" 文字目)";
    case Fault::notJsonExport:
      return L"Vemdrol が書き出した JSON ではありません (" + error.subject + L" バイト目)";
    case Fault::outOfMemory:
      return L"メモリが不足しています。";
    case Fault::fileMissing:
      return L"ファイルがありません";
    case Fault::readNotPermitted:
      return L"読み取りが許可されていません";
    case Fault::isFolder:
      return L"フォルダーです";
    case Fault::fileTooLarge:
      return L"大きすぎます";
    case Fault::systemOutOfMemory:
      return L"メモリが不足しています";
    case Fault::otherSystemError:
    case Fault::targetMissing:
    case Fault::targetIsFile:
    case Fault::folderUnreadable:
    case Fault::notATarget:
    case Fault::driveCMissing:
    case Fault::driveCOutside:
    case Fault::badUserName:
      break;
  }
  return L"システム エラー " + std::to_wstring(error.number);
}

}  // namespace

Text errorText(const Error& error) {
  switch (error.fault) {
    case Fault::targetMissing:
    case Fault::driveCMissing:
      return L"フォルダー " + error.path + L" がありません";
    case Fault::targetIsFile:
      return L"対象 " + error.path + L" はフォルダーではなくファイルです (" + systemReason(error) +
             L")";
    case Fault::folderUnreadable:
      return L"フォルダー " + error.path + L" を読めません: " + systemReason(error);
    case Fault::notATarget:
      return L"フォルダー " + error.path +
             L" は Wine のプレフィックスでも Windows のフォルダーでもありません";
    case Fault::driveCOutside:
      return L"フォルダー " + error.path + L" は対象の外 (" + error.subject +
             L") を指すリンクです。対象の外は読みません";
    case Fault::badUserName:
      return L"ユーザー名 " + error.subject + L" は使えません";
    default:
      break;
  }
  if (error.path.empty()) return faultText(error);
  return L"ファイル " + error.path + L" を読み込めません: " + faultText(error);
}

Text errorMessage(TextView label, const Error& error) {
  Text message(label);
  message += std::to_wstring(error.number);
  message += L" 内容=";
  message += errorText(error);
  return message;
}

}  // namespace vemdrol
