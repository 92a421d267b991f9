#include "cli/command_line.h"

#include <array>

#include "cli/arguments.h"
#include "vemdrol_version.h"

namespace vemdrol {

namespace {

struct OutputSwitch {
  const wchar_t* name;
  OutputFormat format;
};

constexpr std::array<OutputSwitch, 4> outputSwitches{{
    {L"scomma", OutputFormat::csv},
    {L"stab", OutputFormat::tabSeparated},
    {L"shtml", OutputFormat::html},
    {L"sjson", OutputFormat::json},
}};

constexpr std::size_t maxSortKeys = 2;

bool isSwitch(TextView argument) {
  return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-');
}

// The rebuild word keeps its old meaning wherever it stands, "/作成" too.
bool isRebuildWord(TextView argument) { return containsNoCase(argument, L"作成"); }

std::optional<OutputFormat> outputSwitch(TextView name) {
  for (const OutputSwitch& candidate : outputSwitches) {
    if (equalNoCase(name, candidate.name)) return candidate.format;
  }
  return std::nullopt;
}

bool isKnownSwitch(TextView argument) {
  if (!isSwitch(argument)) return false;
  const TextView name = argument.substr(1);
  for (const wchar_t* other : {L"saved", L"sort", L"details", L"hidemicrosoft", L"unverified",
                               L"compare", L"changed", L"apps", L"all", L"?"}) {
    if (equalNoCase(name, other)) return true;
  }
  return outputSwitch(name).has_value();
}

CommandLineRequest bad(Text problem) {
  CommandLineRequest request;
  request.mode = CommandLineRequest::Mode::badCommandLine;
  request.problem = std::move(problem);
  return request;
}

}  // namespace

SortRequest sortRequestOf(TextView text) {
  SortRequest request;
  if (!text.empty() && text.front() == L'~') {
    request.descending = true;
    text.remove_prefix(1);
  }
  request.column = Text(text);
  return request;
}

Result<RowSortKey> resolveSortColumn(const SortRequest& request, std::span<const Text> names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (equalNoCase(request.column, names[i])) return RowSortKey{i, request.descending};
  }
  const TextView digits = request.column;
  if (!digits.empty() && digits.size() <= 4 &&
      digits.find_first_not_of(L"0123456789") == TextView::npos) {
    const std::size_t number = std::stoul(Text(digits));
    if (number >= 1 && number <= names.size()) return RowSortKey{number - 1, request.descending};
  }
  return Error{2, L"並べ替える列がありません: " + request.column};
}

CommandLineRequest parseCommandLine(TextView arguments) {
  const std::vector<Text> split = splitArguments(arguments);
  bool anySwitch = false;
  for (const Text& argument : split) anySwitch |= isSwitch(argument) && !isRebuildWord(argument);
  if (!anySwitch) return CommandLineRequest{};

  CommandLineRequest request;
  request.mode = CommandLineRequest::Mode::run;
  bool usage = false;
  for (std::size_t i = 0; i < split.size(); ++i) {
    const Text& argument = split[i];
    // A run from the command line rebuilds anyway.
    if (isRebuildWord(argument)) continue;
    if (!isSwitch(argument)) return bad(L"余分な引数があります: " + argument);
    const TextView name = TextView(argument).substr(1);
    // The value of a switch is the next argument, unless that is a switch
    // of its own: "/scomma /saved" has lost its file name.
    const auto value = [&]() -> std::optional<Text> {
      if (i + 1 >= split.size() || isKnownSwitch(split[i + 1])) return std::nullopt;
      return split[++i];
    };
    if (const std::optional<OutputFormat> format = outputSwitch(name)) {
      std::optional<Text> file = value();
      if (!file || file->empty()) return bad(L"ファイル名がありません: " + argument);
      request.outputs.push_back({*format, std::move(*file)});
    } else if (equalNoCase(name, L"saved")) {
      request.saved = true;
    } else if (equalNoCase(name, L"sort")) {
      std::optional<Text> column = value();
      if (!column || column->empty()) return bad(L"列の指定がありません: " + argument);
      if (request.sort.size() == maxSortKeys) return bad(L"並べ替えの列は 2 つまでです");
      request.sort.push_back(sortRequestOf(*column));
    } else if (equalNoCase(name, L"details")) {
      request.details = true;
    } else if (equalNoCase(name, L"hidemicrosoft")) {
      request.signatureFilter.hideMicrosoft = true;
    } else if (equalNoCase(name, L"unverified")) {
      request.signatureFilter.unverifiedOnly = true;
    } else if (equalNoCase(name, L"compare")) {
      std::optional<Text> file = value();
      if (!file || file->empty()) return bad(L"ファイル名がありません: " + argument);
      request.compareWith = std::move(*file);
    } else if (equalNoCase(name, L"changed")) {
      request.changedOnly = true;
    } else if (equalNoCase(name, L"apps")) {
      request.apps = true;
    } else if (equalNoCase(name, L"all")) {
      request.allApps = true;
    } else if (name == L"?") {
      usage = true;
    } else {
      return bad(L"不明なスイッチです: " + argument);
    }
  }
  if (usage) {
    request.mode = CommandLineRequest::Mode::usage;
    return request;
  }
  if (request.outputs.empty()) return bad(L"出力するファイルの指定がありません");
  if (request.changedOnly && request.compareWith.empty()) {
    return bad(L"/changed は /compare と共に指定します");
  }
  if (request.allApps && !request.apps) return bad(L"/all は /apps と共に指定します");
  return request;
}

Text usageText() {
  return L"vemdrol.exe " + Text(vemdrolVersion) +
         L" - インストール済みプログラム一覧\n"
         L"\n"
         L"使い方: vemdrol.exe [作成] | [/scomma ファイル] [/stab ファイル] [/shtml ファイル] "
         L"[/sjson ファイル] [/saved] [/sort 列] [/details] [/hidemicrosoft] [/unverified] "
         L"[/compare 以前の一覧] [/changed] [/apps [/all]] [/?]\n"
         L"\n"
         L"  作成             一覧を作り直して保存し、終了します (ウィンドウは表示しません)\n"
         L"  /scomma ファイル 一覧を作り直し、CSV (UTF-8) でファイルに書き出します\n"
         L"  /stab ファイル   同じく、タブ区切りで書き出します\n"
         L"  /shtml ファイル  同じく、HTML で書き出します\n"
         L"  /sjson ファイル  同じく、JSON で書き出します\n"
         L"  /saved           作り直さずに、保存されている一覧を書き出します\n"
         L"  /sort 列         列の名前 (パス など) または 1 から始まる番号で並べ替えます。\n"
         L"                   名前の前に ~ を付けると降順です。2 回指定すると 2 番目のキーです\n"
         L"  /details         会社名、サイズ、SHA-256、署名など、ファイルの詳細の列も書き出します\n"
         L"  /hidemicrosoft   Microsoft の署名が検証できたファイルの行を書き出しません\n"
         L"  /unverified      署名がない、または検証できないファイルの行だけを書き出します\n"
         L"  /compare 一覧    以前に保存した一覧ファイル (*.cnt) と比べ、差分の列を付けます\n"
         L"  /changed         /compare とともに: 変わった行 (追加・削除・変更) だけを書き出します\n"
         L"  /apps            プログラム ファイルの代わりに、インストール済みアプリ\n"
         L"                   (アプリと機能の一覧) を書き出します。/compare には以前の\n"
         L"                   JSON の書き出しも指定できます\n"
         L"  /all             /apps とともに: アプリと機能に表示されない項目 (システム\n"
         L"                   コンポーネント、更新プログラムなど) も書き出します\n"
         L"  /?               この説明を表示します\n"
         L"\n"
         L"スイッチは大文字と小文字を区別せず、/ の代わりに - でも指定できます。\n"
         L"終了コード: 0 成功、1 作成または書き出しの失敗、2 コマンド ラインの誤り、"
         L"3 同じフォルダーの Vemdrol が終わらなかった";
}

}  // namespace vemdrol
