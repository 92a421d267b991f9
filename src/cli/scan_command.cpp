#include "cli/scan_command.h"

#include <array>

#include "base/utf8.h"
#include "vemdrol_version.h"

namespace vemdrol {

namespace {

struct FormatName {
  const char* name;
  OutputFormat format;
};

constexpr std::array<FormatName, 5> formatNames{{
    {"csv", OutputFormat::csv},
    {"tsv", OutputFormat::tabSeparated},
    {"json", OutputFormat::json},
    {"html", OutputFormat::html},
    {"cnt", OutputFormat::inventoryFile},
}};

constexpr std::size_t maxSortKeys = 2;

using Problem = ScanProblem::Kind;

ScanRequest bad(Problem kind, std::string subject = std::string()) {
  ScanRequest request;
  request.mode = ScanRequest::Mode::badCommandLine;
  request.problem = ScanProblem{kind, std::move(subject)};
  return request;
}

}  // namespace

ScanRequest parseScanArguments(const std::vector<std::string>& arguments) {
  ScanRequest request;
  bool help = false;
  bool version = false;
  bool formatGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // "--name=value" and "--name value" alike.
    std::string name = argument;
    std::optional<std::string> inlineValue;
    if (const std::size_t equals = argument.find('=');
        argument.starts_with("--") && equals != std::string::npos) {
      name = argument.substr(0, equals);
      inlineValue = argument.substr(equals + 1);
    }
    const auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 >= arguments.size()) return std::nullopt;
      return arguments[++i];
    };
    const auto needsValue = [&](std::optional<std::string>& into) -> bool {
      into = value();
      return into && !into->empty();
    };
    std::optional<std::string> given;
    if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "--version") {
      version = true;
    } else if (name == "--format") {
      if (!needsValue(given)) return bad(Problem::formatNeedsValue);
      bool known = false;
      for (const FormatName& format : formatNames) {
        if (*given == format.name) {
          request.format = format.format;
          known = true;
        }
      }
      if (!known) return bad(Problem::unknownFormat, *given);
      formatGiven = true;
    } else if (name == "--output" || name == "-o") {
      if (!needsValue(request.output)) return bad(Problem::needsFileName, name);
    } else if (name == "--user") {
      if (!needsValue(given)) return bad(Problem::userNeedsName);
      std::optional<Text> user = decodeUtf8(*given);
      if (!user) return bad(Problem::userNotUtf8);
      request.user = std::move(*user);
    } else if (name == "--sort") {
      if (!needsValue(given)) return bad(Problem::sortNeedsColumn);
      std::optional<Text> column = decodeUtf8(*given);
      if (!column) return bad(Problem::sortColumnNotUtf8);
      if (request.sort.size() == maxSortKeys) return bad(Problem::tooManySorts);
      request.sort.push_back(sortRequestOf(*column));
    } else if (name == "--details") {
      request.details = true;
    } else if (name == "--hide-microsoft") {
      request.signatureFilter.hideMicrosoft = true;
    } else if (name == "--unverified") {
      request.signatureFilter.unverifiedOnly = true;
    } else if (name == "--compare") {
      if (!needsValue(request.compareWith)) return bad(Problem::needsFileName, name);
    } else if (name == "--against") {
      if (!needsValue(request.against)) return bad(Problem::needsFileName, name);
    } else if (name == "--changed") {
      request.changedOnly = true;
    } else if (name == "--apps") {
      request.apps = true;
    } else if (name == "--all") {
      request.allApps = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return bad(Problem::unknownOption, argument);
    } else if (request.target.empty()) {
      request.target = argument;
    } else {
      return bad(Problem::secondTarget, argument);
    }
  }
  if (help) {
    request.mode = ScanRequest::Mode::help;
    return request;
  }
  if (version) {
    request.mode = ScanRequest::Mode::version;
    return request;
  }
  if (request.against && !request.compareWith) return bad(Problem::needsCompare, "--against");
  if (request.changedOnly && !request.compareWith) return bad(Problem::needsCompare, "--changed");
  if (request.allApps && !request.apps) return bad(Problem::allNeedsApps);
  if (request.apps && (request.details || request.against || request.user ||
                       request.format == OutputFormat::inventoryFile)) {
    return bad(Problem::appsAlone);
  }
  if (request.against && !request.target.empty()) {
    return bad(Problem::againstWithTarget);
  }
  if (!request.against && request.target.empty()) return bad(Problem::noTarget);
  if (request.against && request.signatureFilter.any()) {
    return bad(Problem::signatureFilterNeedsTarget);
  }
  if (formatGiven && request.format == OutputFormat::inventoryFile &&
      (request.details || request.compareWith)) {
    return bad(Problem::cntFiveColumns);
  }
  return request;
}

bool japaneseLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value && *value) return std::string_view(value).starts_with("ja");
  }
  return false;
}

std::string scanHelpText(bool japanese) {
  const std::string version = toUtf8(vemdrolVersion);
  if (japanese) {
    return "vemdrol-scan " + version +
           " - 動いていない Windows のインストール済みプログラム一覧\n"
           "\n"
           "使い方: vemdrol-scan [オプション] 対象\n"
           "        vemdrol-scan --compare 以前の一覧.cnt --against 新しい一覧.cnt [オプション]\n"
           "\n"
           "対象は Wine のプレフィックス (system.reg のあるフォルダー) か、Windows をインストール\n"
           "したドライブのフォルダー (Windows/System32/config/SOFTWARE のあるフォルダー) です。\n"
           "対象の中のファイルだけを読み、何も書き込みません。署名は対象のルート証明書と\n"
           "カタログで検証します (Wine のプレフィックスでは検証しません)。\n"
           "\n"
           "  --format 形式      csv (既定)、tsv、json、html、cnt (vemdrol.exe の一覧ファイル)\n"
           "  --output ファイル  書き出し先 (既定は標準出力)\n"
           "  --user 名前        Windows のそのユーザーの登録 (UsrClass.dat) も読みます\n"
           "  --sort 列          列の名前 (パス など) か 1 から始まる番号で並べ替えます。\n"
           "                     前に ~ を付けると降順、2 回まで指定できます\n"
           "  --details          会社名、サイズ、SHA-256、署名などの列も書き出します\n"
           "  --hide-microsoft   Microsoft の署名が検証できたファイルの行を書き出しません\n"
           "  --unverified       署名がない、または検証できないファイルの行だけを書き出します\n"
           "  --compare 一覧     以前の一覧ファイル (*.cnt) と比べ、差分の列を付けます\n"
           "  --against 一覧     --compare の相手に、対象の代わりにこの一覧ファイルを使います\n"
           "  --changed          変わった行 (追加・削除・変更) だけを書き出します\n"
           "  --apps             プログラム ファイルの代わりに、インストール済みアプリ (アプリと\n"
           "                     機能の一覧) をすべてのユーザーについて書き出します。--compare\n"
           "                     には以前の JSON の書き出しも指定できます\n"
           "  --all              --apps とともに: アプリと機能に表示されない項目も書き出します\n"
           "  --help             この説明を表示します\n"
           "  --version          バージョンを表示します\n"
           "\n"
           "終了コード: 0 成功、1 対象を読めない・書き出せない、2 コマンド ラインの誤り\n";
  }
  return "vemdrol-scan " + version +
         " - the installed programs of a Windows system that is not running\n"
         "\n"
         "Usage: vemdrol-scan [OPTION]... TARGET\n"
         "       vemdrol-scan --compare OLD.cnt --against NEW.cnt [OPTION]...\n"
         "\n"
         "TARGET is a Wine prefix (a folder with system.reg) or the root folder of a\n"
         "Windows installation (a folder with Windows/System32/config/SOFTWARE).\n"
         "Only files inside TARGET are read; nothing is written there. Signatures are\n"
         "verified by TARGET's own root certificates and catalogs (not in a Wine prefix).\n"
         "\n"
         "  --format FORMAT   csv (default), tsv, json, html, or cnt (vemdrol.exe's\n"
         "                    inventory file)\n"
         "  --output FILE     where to write (default: standard output)\n"
         "  --user NAME       also read that Windows user's classes (UsrClass.dat)\n"
         "  --sort COLUMN     sort by a column's name (as the list shows it, e.g. パス)\n"
         "                    or number from 1; ~ before it sorts descending; twice at most\n"
         "  --details         add the file facts: company, size, SHA-256, signature ...\n"
         "  --hide-microsoft  leave out the files with a verified Microsoft signature\n"
         "  --unverified      only the files without a signature that verifies\n"
         "  --compare FILE    compare with an earlier inventory file (*.cnt): a 差分 column\n"
         "  --against FILE    compare with this inventory file instead of a TARGET\n"
         "  --changed         only the rows that were added, removed or changed\n"
         "  --apps            the installed applications of every user (Programs and\n"
         "                    Features) instead of the program files; --compare takes an\n"
         "                    earlier JSON export of them too\n"
         "  --all             with --apps: the entries Programs and Features hides too\n"
         "  --help            show this help\n"
         "  --version         show the version\n"
         "\n"
         "Exit status: 0 success, 1 the target could not be read or the output written,\n"
         "2 a bad command line.\n";
}

}  // namespace vemdrol
