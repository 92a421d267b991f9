#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "cli/arguments.h"

namespace vemdrol {
namespace {

using Mode = CommandLineRequest::Mode;

TEST(Arguments, SplitAsTheWindowsRuntimeSplitsThem) {
  EXPECT_EQ(splitArguments(L"  /scomma  \"C:\\My Files\\a.csv\"\t-x "),
            (std::vector<Text>{L"/scomma", L"C:\\My Files\\a.csv", L"-x"}));
  // 2n backslashes before a quote are n and a quote that opens or closes; 2n
  // + 1 are n and a literal quote; other backslashes are themselves.
  EXPECT_EQ(splitArguments(L"a\\\\\"b c\" d\\\"e f\\\\g \"\""),
            (std::vector<Text>{L"a\\b c", L"d\"e", L"f\\\\g", L""}));
  EXPECT_EQ(splitArguments(L"\"say \"\"hi\"\"\""), (std::vector<Text>{L"say \"hi\""}));
  EXPECT_TRUE(splitArguments(L" \t").empty());
}

TEST(CommandLine, WithoutASwitchTheProgramStartsAsItAlwaysHas) {
  for (const wchar_t* arguments : {L"", L"作成", L"/作成", L"x 作成 y", L"anything"}) {
    EXPECT_EQ(parseCommandLine(arguments).mode, Mode::window) << arguments;
  }
}

TEST(CommandLine, OutputsSortAndSavedAreTakenInAnyCaseAndEitherPrefix) {
  const CommandLineRequest request =
      parseCommandLine(L"-STAB a.tsv /sJson \"C:\\My Files\\b.json\" /saved /sort ~パス /sort 2");
  ASSERT_EQ(request.mode, Mode::run);
  ASSERT_EQ(request.outputs.size(), 2u);
  EXPECT_EQ(request.outputs[0].format, OutputFormat::tabSeparated);
  EXPECT_EQ(request.outputs[1].format, OutputFormat::json);
  EXPECT_EQ(request.outputs[1].file, L"C:\\My Files\\b.json");
  EXPECT_TRUE(request.saved);
  ASSERT_EQ(request.sort.size(), 2u);
  EXPECT_TRUE(request.sort[0].descending);
  EXPECT_EQ(request.sort[0].column, L"パス");

  const std::vector<Text> names{L"種類", L"定義", L"アプリケーション", L"パス", L"バージョン"};
  EXPECT_EQ(resolveSortColumn(request.sort[0], names).value().column, 3u);
  EXPECT_EQ(resolveSortColumn(request.sort[1], names).value().column, 1u);
  EXPECT_FALSE(resolveSortColumn(sortRequestOf(L"6"), names));
  EXPECT_FALSE(resolveSortColumn(sortRequestOf(L"0"), names));
  EXPECT_FALSE(resolveSortColumn(sortRequestOf(L"サイズ"), names));
}

TEST(CommandLine, MistakesAreBadCommandLinesThatSayWhat) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"/scomma", L"ファイル名がありません: /scomma"},
      {L"/scomma /saved", L"ファイル名がありません: /scomma"},
      {L"/scoma a.csv", L"不明なスイッチです: /scoma"},
      {L"/saved", L"出力するファイルの指定がありません"},
      {L"/scomma a.csv extra", L"余分な引数があります: extra"},
      {L"/scomma a /sort 1 /sort 2 /sort 3", L"並べ替えの列は 2 つまでです"},
  };
  for (const auto& [arguments, problem] : cases) {
    const CommandLineRequest request = parseCommandLine(arguments);
    EXPECT_EQ(request.mode, Mode::badCommandLine) << arguments;
    EXPECT_EQ(request.problem, problem) << arguments;
  }
  EXPECT_EQ(parseCommandLine(L"/?").mode, Mode::usage);
  // The rebuild word among switches is no mistake: the run rebuilds anyway.
  EXPECT_EQ(parseCommandLine(L"作成 /scomma a.csv").mode, Mode::run);
}

}  // namespace
}  // namespace vemdrol
