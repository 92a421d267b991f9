// vemdrol.exe /details /hidemicrosoft under Wine, whose WinVerifyTrust
// trusts every root: the file the host signed as Microsoft Corporation
// (CMakeLists.txt: signature_files_signed) goes, the unsigned one that
// only names Microsoft in its version resource stays.
#include <gtest/gtest.h>

#include <memory>

#include "base/utf8.h"
#include "cli/command_run.h"
#include "os/memory/registry.h"
#include "os/version_resource.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

struct QuietConsole final : Console {
  void writeLine(TextView, bool) override {}
};

TEST(HideMicrosoftWin32, OnlyTheFileSignedForMicrosoftGoes) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetEnvironmentVariableW(L"VEMDROL_SIGNATURE_FILES", buffer, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH) << "run ctest --preset windows";
  const Text folder(buffer, length);
  const std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  const std::unique_ptr<VersionResourceReader> versions = makeSystemVersionResourceReader(*files);
  const std::unique_ptr<SignatureReader> signatures = makeSystemSignatureReader(*files);

  MemoryRegistry registry;
  const RegistryRoot classes = RegistryRoot::classesRoot;
  for (const wchar_t* name : {L"microsoft", L"named"}) {
    const Text type = Text(L"Vemdrol.") + name;
    registry.setDefaultString(classes, Text(L".") + name, type);
    registry.setDefaultString(classes, type + L"\\shell\\open\\command",
                              L"\"" + folder + L"\\" + name + L".exe\" \"%1\"");
  }
  const Text home = folder + L"\\hide-microsoft";
  ::CreateDirectoryW(home.c_str(), nullptr);

  struct Case {
    const wchar_t* switches;
    bool microsoftShown;
  };
  for (const Case& c : {Case{L" /details", true}, Case{L" /details /hidemicrosoft", false},
                        Case{L" /hidemicrosoft /unverified", false}}) {
    const Text output = home + L"\\out.tsv";
    QuietConsole console;
    CommandLineMachine machine{
        registry, *files, *versions, signatures.get(), home, L"WINE", std::chrono::sys_seconds{},
        console};
    ASSERT_EQ(runCommandLine(parseCommandLine(L"/stab \"" + output + L"\"" + c.switches), machine),
              exitSuccess);
    const Result<std::string> written = files->readFile(output);
    ASSERT_TRUE(written);
    const std::string& text = written.value();
    const std::size_t microsoft = text.find("microsoft.exe");
    EXPECT_EQ(microsoft != std::string::npos, c.microsoftShown) << toUtf8(c.switches);
    EXPECT_NE(text.find("named.exe"), std::string::npos) << toUtf8(c.switches);
    if (c.microsoftShown) {
      // Wine's own verdict, and the signer the host gave it.
      const std::size_t line = text.find("\r\n", microsoft);
      const std::string row = text.substr(microsoft, line - microsoft);
      EXPECT_NE(row.find("Microsoft Windows\t検証済み"), std::string::npos) << row;
    }
  }
}

}  // namespace
}  // namespace vemdrol
