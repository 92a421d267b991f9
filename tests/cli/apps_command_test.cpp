#include <gtest/gtest.h>

#include "apps/app_fields.h"
#include "cli/apps_output.h"
#include "cli/command_line.h"
#include "cli/scan_command.h"
#include "os/memory/filesystem.h"

namespace vemdrol {
namespace {

TEST(AppsCommandLine, AppsAndAllWithTheirPartners) {
  const struct {
    TextView arguments;
    bool ok;
    bool apps;
    bool all;
  } cases[] = {
      {L"/apps /sjson a.json", true, true, false},
      {L"-APPS -All /scomma a.csv /compare old.json /changed", true, true, true},
      {L"/all /sjson a.json", false, false, false},
      {L"/apps", false, false, false},
  };
  for (const auto& c : cases) {
    const CommandLineRequest request = parseCommandLine(c.arguments);
    EXPECT_EQ(request.mode == CommandLineRequest::Mode::run, c.ok) << c.arguments.size();
    if (!c.ok) continue;
    EXPECT_EQ(request.apps, c.apps);
    EXPECT_EQ(request.allApps, c.all);
  }
  EXPECT_EQ(parseCommandLine(L"/apps /sjson /all").problem, L"ファイル名がありません: /sjson");

  const ScanRequest scan = parseScanArguments({"--apps", "--all", "--format", "json", "prefix"});
  EXPECT_EQ(scan.mode, ScanRequest::Mode::run);
  EXPECT_TRUE(scan.apps && scan.allApps);
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--all", "prefix"},
                                              {"--apps", "--details", "prefix"},
                                              {"--apps", "--format", "cnt", "prefix"},
                                              {"--apps", "--user", "taro", "prefix"}}) {
    EXPECT_EQ(parseScanArguments(bad).mode, ScanRequest::Mode::badCommandLine) << bad[1];
  }
}

InstalledApp app(TextView name, TextView version, std::optional<std::uint64_t> size, bool hidden) {
  InstalledApp entry;
  entry.name = Text(name);
  entry.version = Text(version);
  entry.size = size;
  entry.hidden = hidden;
  entry.source = L"HKEY_LOCAL_MACHINE\\U\\" + Text(name);
  return entry;
}

TEST(AppsOutput, JsonSizesAndMarksComparedWithAnEarlierExport) {
  const std::vector<InstalledApp> before{app(L"Editor", L"1.0", 1024, false),
                                         app(L"Gone", L"1", std::nullopt, false),
                                         app(L"Driver", L"9", 2048, true)};
  const std::vector<InstalledApp> after{app(L"Editor", L"1.10", 1024, false),
                                        app(L"Driver", L"9", 2048, true),
                                        app(L"Viewer", L"2", std::nullopt, false)};
  const ExportInfo info{L"Vemdrol", L"1", std::chrono::sys_seconds{}, L"PC", L"t"};
  const AppsOutput all(before, true);
  const std::string json = all.bytes(OutputFormat::json, info);
  EXPECT_NE(json.find("\"name\": \"Driver\""), std::string::npos);
  EXPECT_NE(json.find("\"size\": 2048"), std::string::npos);
  EXPECT_NE(json.find("\"size\": null"), std::string::npos);
  EXPECT_NE(json.find("\"hidden\": true"), std::string::npos);
  EXPECT_EQ(AppsOutput(before, false).rowCount(), 2u);

  // The earlier export read back, as /compare reads it.
  MemoryFileSystem files;
  files.addFile(L"C:\\before.json", json);
  const OlderApps older = readOlderApps(files, L"C:\\before.json", L"before.json");
  ASSERT_TRUE(older.records) << std::string(older.message.begin(), older.message.end());
  AppsOutput compared(after, false);
  compared.compareWith(*older.records, true);
  ASSERT_TRUE(compared.sortBy(std::vector<SortRequest>{sortRequestOf(L"~バージョン")}).ok());
  const std::string csv = compared.bytes(OutputFormat::csv, info);
  const std::size_t viewer = csv.find("追加,Viewer,2");
  const std::size_t editor = csv.find("変更 (バージョン),Editor,1.10");
  const std::size_t gone = csv.find("削除,Gone,1");
  ASSERT_NE(viewer, std::string::npos) << csv;
  ASSERT_NE(editor, std::string::npos) << csv;
  ASSERT_NE(gone, std::string::npos) << csv;
  // Versions sort part by part: 1.10 after 2 descending, 1 last.
  EXPECT_LT(viewer, editor);
  EXPECT_LT(editor, gone);
  EXPECT_EQ(csv.find("Driver"), std::string::npos);

  files.addFile(L"C:\\notes.txt", "{\"rows\": 1}");
  EXPECT_EQ(readOlderApps(files, L"C:\\notes.txt", L"notes.txt").message,
            L"比較する一覧 notes.txt を読めません: Vemdrol が書き出した JSON ではありません (9 "
            L"バイト目)");
  EXPECT_FALSE(AppsOutput(after, false).bytes(OutputFormat::csv, info).empty());
  EXPECT_FALSE(compared.sortBy(std::vector<SortRequest>{sortRequestOf(L"パス")}).ok());
}

}  // namespace
}  // namespace vemdrol
