#include "compare/app_comparison.h"

#include <gtest/gtest.h>

namespace vemdrol {
namespace {

AppRecord record(TextView name, TextView version, TextView scope, TextView source) {
  AppRecord app;
  app.texts[static_cast<std::size_t>(AppField::name)] = Text(name);
  app.texts[static_cast<std::size_t>(AppField::version)] = Text(version);
  app.texts[static_cast<std::size_t>(AppField::scope)] = Text(scope);
  app.texts[static_cast<std::size_t>(AppField::source)] = Text(source);
  return app;
}

TEST(AppComparison, EntriesPairByKeyThenByNameAndScope) {
  const std::vector<AppRecord> older{
      record(L"Editor", L"1.0", L"machine", L"HKLM\\U\\Editor"),
      record(L"Gone", L"1", L"machine", L"HKLM\\U\\Gone"),
      record(L"Runtime", L"8", L"machine", L"HKLM\\U\\{OLD}"),
      record(L"VPN", L"3", L"taro", L"HKCU\\U\\Vpn"),
      record(L"VPN", L"3", L"hanako", L"HKCU\\U\\Vpn"),
      record(L"Same", L"1", L"machine", L"HKLM\\U\\Same"),
  };
  const std::vector<AppRecord> newer{
      record(L"Same", L"1", L"machine", L"hklm\\u\\same"),
      record(L"Editor", L"2.0", L"machine", L"HKLM\\U\\Editor"),
      record(L"Runtime", L"8", L"machine", L"HKLM\\U\\{NEW}"),
      record(L"VPN", L"3", L"taro", L"HKCU\\U\\Vpn"),
      record(L"New", L"1", L"hanako", L"HKCU\\U\\New"),
  };
  const std::vector<ComparedApp> compared = compareApps(newer, older);
  const std::vector<std::pair<Text, Text>> expected{
      {L"Same", L"同じ"},
      {L"Editor", L"変更 (バージョン)"},
      {L"Runtime", L"変更 (登録場所)"},
      {L"VPN", L"同じ"},
      {L"New", L"追加"},
      {L"Gone", L"削除"},
      {L"VPN", L"削除"},
  };
  ASSERT_EQ(compared.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(compared[i].texts[0], expected[i].first) << i;
    EXPECT_EQ(appChangeText(compared[i]), expected[i].second) << i;
  }
  EXPECT_EQ(compared[1].old[1], L"1.0");
  EXPECT_EQ(compared[6].texts[static_cast<std::size_t>(AppField::scope)], L"hanako");
}

}  // namespace
}  // namespace vemdrol
