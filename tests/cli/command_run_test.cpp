#include "cli/command_run.h"

#include <gtest/gtest.h>

#include "base/utf8.h"
#include "os/codepage.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/pe_version_reader.h"
#include "vemdrol_version.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

struct RecordingConsole : Console {
  void writeLine(TextView line, bool error) override {
    (error ? errors : lines).emplace_back(line);
  }
  std::vector<Text> lines;
  std::vector<Text> errors;
};

std::string program(std::uint16_t major, const wchar_t* description) {
  ProgramVersion version = fileVersion(major, 0, 0, 1);
  version.description = description;
  version.legalCopyright = L"© Vemdrol";
  return peWithVersionBlock(versionBlock(version));
}

struct CommandRun : ::testing::Test {
  CommandRun() {
    const RegistryRoot classes = RegistryRoot::classesRoot;
    registry.setDefaultString(classes, L".txt", L"txtfile");
    registry.setDefaultString(classes, L"txtfile", L"テキスト文書");
    registry.setDefaultString(classes, L"txtfile\\shell\\open\\command",
                              L"C:\\WINDOWS\\notepad.exe %1");
    files.addFile(L"C:\\WINDOWS\\notepad.exe", program(6, L"メモ帳"));
    files.addFile(L"C:\\WINDOWS\\b.dll", program(2, L"B, \"quoted\""));
    files.addFile(L"C:\\Vemdrol\\vemdrol.exe", program(1, L"Vemdrol"));
  }
  int run(TextView arguments) {
    console = RecordingConsole();
    CommandLineMachine machine{
        registry, files, versions, nullptr, L"C:\\Vemdrol", L"PC1", std::chrono::sys_seconds{},
        console};
    return runCommandLine(parseCommandLine(arguments), machine);
  }
  std::string file(TextView path) {
    Result<std::string> bytes = files.readFile(path);
    return bytes ? bytes.value() : "<missing>";
  }
  // The CSV's lines after the header, without the byte order mark.
  std::vector<std::string> csvRows(TextView path) {
    std::string bytes = file(path);
    std::vector<std::string> rows;
    for (std::size_t at = bytes.find("\r\n") + 2; at < bytes.size();) {
      const std::size_t end = bytes.find("\r\n", at);
      rows.push_back(bytes.substr(at, end - at));
      at = end + 2;
    }
    return rows;
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  RecordingConsole console;
};

TEST_F(CommandRun, ExportHoldsTheRowsOfTheSavedInventoryInItsOrderWithEveryCharacter) {
  ASSERT_EQ(run(L"/scomma C:\\out\\a.csv"), 1);  // the folder is missing
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_NE(console.errors[0].find(L"C:\\out\\a.csv"), Text::npos);
  // The scan ran and was saved all the same.
  const std::string saved = file(L"C:\\Vemdrol\\Vemdrol.cnt");
  ASSERT_NE(saved, "<missing>");
  EXPECT_EQ(file(L"C:\\Vemdrol\\AppTrace.TXT").substr(0, 4), toAnsi(L"開始"));

  files.addFolder(L"C:\\out");
  ASSERT_EQ(run(L"/scomma C:\\out\\a.csv"), 0);
  const std::vector<std::string> rows = csvRows(L"C:\\out\\a.csv");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(file(L"C:\\out\\a.csv").substr(0, 3), "\xEF\xBB\xBF");
  // Same rows, same order as the inventory file; the export keeps "©" and
  // the quotes that the inventory file cannot hold.
  EXPECT_EQ(rows[0].substr(0, rows[0].find(',')), "*.txt");
  EXPECT_NE(rows[3].find(toUtf8(L"\"B, \"\"quoted\"\"\",© Vemdrol")), std::string::npos);
  EXPECT_NE(saved.find(toAnsi(L"\"B, 'quoted'\",\"? Vemdrol\"")), std::string::npos);
  EXPECT_NE(console.lines.at(0).find(L"4 行"), Text::npos);
}

TEST_F(CommandRun, SavedInventoryIsExportedAsItStandsAndSorted) {
  files.addFile(L"C:\\Vemdrol\\Vemdrol.cnt",
                "\"b\",\"\",\"\",\"C:\\gone\\b.exe\",\"9.8.0\"\r\n"
                "\"a\",\"\",\"\",\"C:\\gone\\a.exe\",\"9.30.20789\"\r\n"
                "\"c\",\"\",\"\",\"C:\\gone\\c.exe\",\"9.30.20789\"\r\n");
  const std::string before = file(L"C:\\Vemdrol\\Vemdrol.cnt");
  ASSERT_EQ(run(L"/saved /stab C:\\t.tsv /sort ~バージョン /sort 1"), 0);
  // Nothing dropped although the programs are gone, nothing rewritten.
  EXPECT_EQ(file(L"C:\\Vemdrol\\Vemdrol.cnt"), before);
  const std::string tsv = file(L"C:\\t.tsv");
  EXPECT_LT(tsv.find("a\t"), tsv.find("c\t"));
  EXPECT_LT(tsv.find("c\t"), tsv.find("b\t"));
  EXPECT_EQ(file(L"C:\\Vemdrol\\AppTrace.TXT"), "<missing>");
}

TEST_F(CommandRun, FailuresAndMistakesHaveTheirExitCodesAndLeaveFilesAlone) {
  EXPECT_EQ(run(L"/saved /sjson C:\\a.json"), 1);  // nothing saved yet
  EXPECT_EQ(file(L"C:\\a.json"), "<missing>");
  files.addFile(L"C:\\keep.html", "old");
  files.setAttributes(L"C:\\keep.html", {.readOnly = true});
  EXPECT_EQ(run(L"/shtml C:\\keep.html"), 1);
  EXPECT_EQ(file(L"C:\\keep.html"), "old");
  EXPECT_EQ(run(L"/scomma C:\\a.csv /sort サイズ"), 2);
  EXPECT_EQ(file(L"C:\\a.csv"), "<missing>");
  EXPECT_EQ(run(L"/bogus"), 2);
  EXPECT_NE(console.errors.back().find(L"使い方"), Text::npos);
  EXPECT_EQ(run(L"-?"), 0);
  EXPECT_NE(console.lines.back().find(L"/scomma"), Text::npos);
  EXPECT_TRUE(console.lines.back().starts_with(L"vemdrol.exe " + Text(vemdrolVersion) + L" "));
}

TEST_F(CommandRun, ComparisonNamesWhatAnUpdateChangedAndDetailsComeWithTheirJsonValues) {
  ASSERT_EQ(run(L"/scomma C:\\before.csv"), 0);
  files.addFile(L"C:\\old.cnt", file(L"C:\\Vemdrol\\Vemdrol.cnt") + "\"broken line\"\r\n");
  files.addFile(L"C:\\WINDOWS\\b.dll", program(3, L"B, \"quoted\""));
  files.addFile(L"C:\\WINDOWS\\new.ocx", program(1, L"New"));

  ASSERT_EQ(run(L"/compare C:\\old.cnt /changed /sjson C:\\d.json /sort 差分"), 1);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_NE(console.errors[0].find(L"5 行目"), Text::npos);
  const std::string json = file(L"C:\\d.json");
  // Only what changed, the comparison's column first.
  EXPECT_EQ(json.find("\"change\": \"same\""), std::string::npos);
  const std::size_t added = json.find("{\"change\": \"added\", \"type\": \"new.ocx\"");
  const std::size_t changed = json.find("{\"change\": \"changed\", \"type\": \"b.dll\"");
  ASSERT_NE(added, std::string::npos);
  ASSERT_NE(changed, std::string::npos);
  EXPECT_NE(json.find("\"old\": {", changed), std::string::npos);
  EXPECT_NE(json.find("\"version\": \"2.0.1\"", changed), std::string::npos);

  ASSERT_EQ(run(L"/saved /details /sjson C:\\d.json /scomma C:\\d.csv"), 0);
  const std::string details = file(L"C:\\d.json");
  const std::string size =
      std::to_string(files.readFile(L"C:\\WINDOWS\\notepad.exe").value().size());
  EXPECT_NE(details.find("\"size\": " + size + ","), std::string::npos);
  EXPECT_NE(details.find("\"fullVersion\": \"6.0.0.1\""), std::string::npos);
  EXPECT_NE(details.find("\"machine\": \"x64\""), std::string::npos);
  // The memory disk keeps no times: null, where the cell is empty.
  EXPECT_NE(details.find("\"modified\": null"), std::string::npos);
  EXPECT_NE(file(L"C:\\d.csv").find(toUtf8(L"会社名,製品名")), std::string::npos);
}

}  // namespace
}  // namespace vemdrol
