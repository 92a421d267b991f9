#include "cli/scan_words.h"

#include <algorithm>
#include <system_error>

#include "base/utf8.h"
#include "files/error_message.h"

namespace vemdrol {
namespace {

Text wide(std::string_view bytes) { return decodeUtf8(bytes).value_or(Text(L"?")); }

Text onLine(const Error& error, TextView what) {
  return L"line " + error.subject + L": " + Text(what);
}

Text systemReason(const Error& error) {
  if (!error.description.empty()) return error.description;
  return wide(std::generic_category().message(static_cast<int>(error.number)));
}

// The fault alone, in English, as faultText words it in Japanese.
Text englishFault(const Error& error) {
  switch (error.fault) {
    case Fault::system:
      return error.description;
    case Fault::notWineRegistry:
      return onLine(error, L"not a Wine registry file");
    case Fault::nulCharacter:
      return onLine(error, L"a NUL character");
    case Fault::valueBeforeKey:
      return onLine(error, L"a value before any key");
    case Fault::unreadableLine:
      return onLine(error, L"a line that cannot be read");
    case Fault::badKeyLine:
      return onLine(error, L"a bad key line");
    case Fault::keyNameTooLong:
      return onLine(error, L"a key name that is too long");
    case Fault::unknownArchitecture:
      return onLine(error, L"an unknown architecture");
    case Fault::badValueLine:
      return onLine(error, L"a bad value line");
    case Fault::valueCutShort:
      return onLine(error, L"a value cut short");
    case Fault::notHive:
      return L"not a hive file, or a damaged one";
    case Fault::hiveDamaged:
      return L"the hive is damaged (key " + (error.subject.empty() ? Text(L"\\") : error.subject) +
             L")";
    case Fault::noSuchKey:
      return L"no key " + error.subject;
    case Fault::badAppxManifest:
      return L"a package manifest that is not valid (character " + error.subject + L")";
    case Fault::notJsonExport:
      return L"not a JSON export of Vemdrol (byte " + error.subject + L")";
    case Fault::outOfMemory:
    case Fault::systemOutOfMemory:
      return L"out of memory";
    case Fault::fileMissing:
      return L"no such file";
    case Fault::readNotPermitted:
      return L"reading is not permitted";
    case Fault::isFolder:
      return L"a folder";
    case Fault::fileTooLarge:
      return L"too large";
    case Fault::otherSystemError:
      return L"system error " + std::to_wstring(error.number) + L" (" + systemReason(error) + L")";
    case Fault::targetMissing:
    case Fault::driveCMissing:
      return L"folder " + error.path + L" does not exist";
    case Fault::targetIsFile:
      return L"the target " + error.path + L" is a file, not a folder (" + systemReason(error) +
             L")";
    case Fault::folderUnreadable:
      return L"cannot read folder " + error.path + L": " + systemReason(error);
    case Fault::notATarget:
      return L"folder " + error.path + L" is neither a Wine prefix nor a Windows installation";
    case Fault::driveCOutside:
      return L"folder " + error.path + L" is a link that leads out of the target (" +
             error.subject + L"); nothing outside the target is read";
    case Fault::badUserName:
      return L"the user name " + error.subject + L" cannot be used";
  }
  return L"error " + std::to_wstring(error.number);
}

bool namesItsPath(Fault fault) {
  switch (fault) {
    case Fault::targetMissing:
    case Fault::targetIsFile:
    case Fault::folderUnreadable:
    case Fault::notATarget:
    case Fault::driveCMissing:
    case Fault::driveCOutside:
    case Fault::badUserName:
      return true;
    default:
      return false;
  }
}

}  // namespace

Text ScanWords::error(const Error& error) const {
  if (japanese_) return errorText(error);
  if (error.path.empty() || namesItsPath(error.fault)) return englishFault(error);
  return L"cannot read file " + error.path + L": " + englishFault(error);
}

Text ScanWords::problem(const ScanProblem& problem) const {
  using Kind = ScanProblem::Kind;
  const Text subject = wide(problem.subject);
  const bool ja = japanese_;
  switch (problem.kind) {
    case Kind::none:
      break;
    case Kind::formatNeedsValue:
      return ja ? L"--format には形式が必要です" : L"--format needs a value";
    case Kind::needsFileName:
      return ja ? subject + L" にはファイル名が必要です" : subject + L" needs a file name";
    case Kind::userNeedsName:
      return ja ? L"--user にはユーザー名が必要です" : L"--user needs a user name";
    case Kind::userNotUtf8:
      return ja ? L"--user: 名前が UTF-8 ではありません" : L"--user: the name is not UTF-8";
    case Kind::sortNeedsColumn:
      return ja ? L"--sort には列が必要です" : L"--sort needs a column";
    case Kind::sortColumnNotUtf8:
      return ja ? L"--sort: 列が UTF-8 ではありません" : L"--sort: the column is not UTF-8";
    case Kind::tooManySorts:
      return ja ? L"--sort は 2 回までです" : L"--sort may be given twice at most";
    case Kind::unknownFormat:
      return ja ? L"知らない形式です: " + subject : L"unknown format: " + subject;
    case Kind::unknownOption:
      return ja ? L"知らないオプションです: " + subject : L"unknown option: " + subject;
    case Kind::secondTarget:
      return ja ? L"対象は 1 つだけです: " + subject : L"more than one target: " + subject;
    case Kind::needsCompare:
      return ja ? subject + L" には --compare が必要です" : subject + L" needs --compare";
    case Kind::allNeedsApps:
      return ja ? L"--all には --apps が必要です" : L"--all needs --apps";
    case Kind::appsAlone:
      return ja ? L"--apps はアプリの一覧です: --details、--against、--user、cnt とは使えません"
                : L"--apps lists applications: no --details, --against, --user or cnt with it";
    case Kind::againstWithTarget:
      return ja ? L"--against は 2 つの一覧ファイルを比べます: 対象は指定できません"
                : L"--against compares two files: no target with it";
    case Kind::noTarget:
      return ja ? L"対象が指定されていません" : L"no target given";
    case Kind::signatureFilterNeedsTarget:
      return ja ? L"--hide-microsoft と --unverified には、ファイルを読む対象が必要です"
                : L"--hide-microsoft and --unverified need a target to read the files from";
    case Kind::cntFiveColumns:
      return ja ? L"cnt 形式は 5 つの列だけです: --details や --compare とは使えません"
                : L"the cnt format holds the five columns only: no --details or --compare with "
                  L"it";
    case Kind::detailsNeedTarget:
      return ja ? L"--details には、ファイルを読む対象が必要です"
                : L"--details needs a target to read the files from";
    case Kind::unknownSortColumn:
      return ja ? L"並べ替える列がありません: " + subject : L"no column to sort by: " + subject;
  }
  return ja ? L"コマンド ラインが正しくありません" : L"a bad command line";
}

Text ScanWords::seeHelp() const {
  return japanese_ ? L"詳しくは vemdrol-scan --help をご覧ください"
                   : L"Try 'vemdrol-scan --help' for more information.";
}

Text ScanWords::scanFailed(const Error& error) const {
  return japanese_ ? L"一覧の作成に失敗しました: " + errorMessage(L"", error)
                   : L"the inventory could not be made: " + std::to_wstring(error.number) + L" " +
                         this->error(error);
}

Text ScanWords::unreadableFile(TextView path, TextView native, const Error& error) const {
  const Text reason = this->error(error);
  return japanese_ ? L"ファイル " + Text(path) + L" (" + Text(native) + L") を読めません: " + reason
                   : L"cannot read file " + Text(path) + L" (" + Text(native) + L"): " + reason;
}

Text ScanWords::unreadableCount(std::size_t files) const {
  const Text count = std::to_wstring(files);
  if (japanese_) return L"読めなかったプログラム ファイル: " + count + L" 個";
  return count + (files == 1 ? L" program file" : L" program files") + L" could not be read";
}

Text ScanWords::rootsUnreadable(const Error& error) const {
  return japanese_ ? L"ルート証明書を読めないため、署名を検証しません: " + errorMessage(L"", error)
                   : L"the root certificates cannot be read, so no signature is verified: " +
                         std::to_wstring(error.number) + L" " + this->error(error);
}

Text ScanWords::catalogUnreadable(TextView path, const Error& error) const {
  return japanese_ ? L"カタログ " + Text(path) + L" を読み込めません: " + errorMessage(L"", error)
                   : L"cannot read catalog " + Text(path) + L": " + std::to_wstring(error.number) +
                         L" " + this->error(error);
}

Text ScanWords::rootDamaged(TextView where) const {
  return japanese_ ? L"ルート証明書 " + Text(where) + L" は壊れているため使いません"
                   : L"root certificate " + Text(where) + L" is damaged and is not used";
}

Text ScanWords::catalogDamaged(TextView where) const {
  return japanese_ ? L"カタログ " + Text(where) + L" は壊れているため読み飛ばしました"
                   : L"catalog " + Text(where) + L" is damaged and was passed over";
}

Text ScanWords::outputNameNotUtf8() const {
  return japanese_ ? L"出力先のファイル名が UTF-8 ではありません"
                   : L"the output file's name is not UTF-8";
}

Text ScanWords::cannotWrite(TextView path, const Error& error) const {
  const Text reason = error.description.empty() && error.fault == Fault::system
                          ? (japanese_ ? L"エラー " : L"error ") + std::to_wstring(error.number)
                          : this->error(error);
  return japanese_ ? L"ファイル " + Text(path) + L" に書き込めません: " + reason
                   : L"cannot write file " + Text(path) + L": " + reason;
}

Text ScanWords::olderUnreadable(TextView path, TextView why) {
  return L"cannot read the list to compare with, " + Text(path) + L": " + Text(why);
}

Text ScanWords::olderDamaged(TextView path, std::size_t damagedLines,
                             const std::vector<std::size_t>& lines, std::size_t maxLines) {
  Text named;
  for (std::size_t i = 0; i < std::min(maxLines, lines.size()); ++i) {
    if (!named.empty()) named += L", ";
    named += std::to_wstring(lines[i]);
  }
  if (damagedLines > std::min(maxLines, lines.size())) named += L", …";
  return std::to_wstring(damagedLines) + (damagedLines == 1 ? L" line" : L" lines") +
         L" of the list to compare with, " + Text(path) + L", " +
         (damagedLines == 1 ? L"is" : L"are") + L" damaged (line " + named +
         L"); only the lines that could be read were compared";
}

}  // namespace vemdrol
