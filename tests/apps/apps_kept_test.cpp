// The アプリ list kept in the state file by every rebuild of the command
// line, and exported from there by /apps /saved.
#include <gtest/gtest.h>

#include "apps/app_lister.h"
#include "base/utf16.h"
#include "base/utf8.h"
#include "cli/command_line.h"
#include "cli/command_run.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

struct RecordingConsole final : Console {
  void writeLine(TextView line, bool) override { lines.emplace_back(line); }
  std::vector<Text> lines;
};

RegistryData text(TextView value) {
  return {registryTypeSz, toUtf16Le(value) + std::string(2, '\0')};
}

TEST(AppsKept, EveryRebuildKeepsTheListAndSavedExportsItWithoutTheRegistry) {
  MemoryRegistry registry;
  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  RecordingConsole console;
  const Text key = Text(uninstallKeyPath) + L"\\Editor";
  ASSERT_TRUE(registry.addKey(RegistryRoot::localMachine, key));
  const auto name = [&](TextView shown) {
    ASSERT_TRUE(
        registry.setNamedValue(RegistryRoot::localMachine, key, L"DisplayName", text(shown)));
  };
  name(L"エディター ©");
  ASSERT_TRUE(
      registry.setNamedValue(RegistryRoot::localMachine, key, L"UninstallString", text(L"u.exe")));
  const auto run = [&](TextView arguments) {
    console.lines.clear();
    CommandLineMachine machine{
        registry, files, versions, nullptr, L"C:\\Vemdrol", L"PC1", std::chrono::sys_seconds{},
        console};
    return runCommandLine(parseCommandLine(arguments), machine);
  };
  const auto exported = [&](TextView path) {
    Result<std::string> bytes = files.readFile(path);
    return bytes ? bytes.value() : std::string("<missing>");
  };

  // Nothing rebuilt yet: nothing kept, and the file is not written.
  EXPECT_EQ(run(L"/apps /saved /sjson C:\\a.json"), exitFailed);
  EXPECT_EQ(console.lines,
            (std::vector<Text>{L"保存されたアプリの一覧 C:\\Vemdrol\\Vemdrol.state がありません"}));
  EXPECT_EQ(exported(L"C:\\a.json"), "<missing>");

  files.addFile(L"C:\\Vemdrol\\vemdrol.exe", "MZ");
  ASSERT_EQ(run(L"/scomma C:\\rows.csv"), exitSuccess) << toUtf8(console.lines.at(0));
  // The registry changes after the rebuild; the kept list does not.
  name(L"");
  ASSERT_EQ(run(L"/apps /saved /sjson C:\\a.json"), exitSuccess);
  EXPECT_NE(exported(L"C:\\a.json").find("\"name\": \"エディター ©\""), std::string::npos);
  ASSERT_EQ(run(L"/apps /sjson C:\\now.json"), exitSuccess);
  EXPECT_EQ(exported(L"C:\\now.json").find("エディター"), std::string::npos);
}

}  // namespace
}  // namespace vemdrol
