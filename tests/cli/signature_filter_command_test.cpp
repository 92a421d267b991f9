// The switches that filter by signature, on both command lines, and the
// rows they keep.
#include <gtest/gtest.h>

#include <map>

#include "cli/command_run.h"
#include "cli/scan_command.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

struct QuietConsole final : Console {
  void writeLine(TextView, bool) override {}
};

struct GivenSignatures final : SignatureReader {
  Result<SignatureFacts> signatureOf(TextView path) override {
    ++calls[foldCase(path)];
    if (path.ends_with(L"gone.dll")) return Error{2, L"no file"};
    if (path.ends_with(L"kernel.dll")) {
      return SignatureFacts{SignatureState::verified, L"Microsoft Windows", SignatureFailure::none,
                            0, L"Microsoft Corporation"};
    }
    if (path.ends_with(L"tool.exe")) {
      return SignatureFacts{SignatureState::verified, L"Tool Maker", SignatureFailure::none, 0,
                            L"Tools"};
    }
    return SignatureFacts{};
  }
  std::map<Text, int> calls;
};

TEST(SignatureFilterCommand, EachSwitchKeepsItsRowsAndReadsEachFileOnce) {
  MemoryRegistry registry;
  MemoryFileSystem files;
  for (const wchar_t* name : {L"kernel.dll", L"tool.exe", L"plain.exe", L"gone.dll"}) {
    // An extension with a second dot is no file type: one letter each.
    const Text extension = Text(L".x") + name[0];
    registry.setDefaultString(RegistryRoot::classesRoot, extension, Text(L"t.") + name);
    registry.setDefaultString(RegistryRoot::classesRoot,
                              Text(L"t.") + name + L"\\shell\\open\\command",
                              Text(L"C:\\Apps\\") + name);
    if (Text(name) != L"gone.dll") files.addFile(Text(L"C:\\Apps\\") + name, "MZ");
  }
  files.addFolder(L"C:\\Vemdrol");
  PeVersionResourceReader versions(files);
  struct Case {
    const wchar_t* switches;
    std::vector<const char*> shown;
  };
  const Case cases[] = {
      {L"", {"kernel.dll", "tool.exe", "plain.exe"}},
      {L" /hidemicrosoft", {"tool.exe", "plain.exe"}},
      {L" -UNVERIFIED /details", {"plain.exe"}},
      {L" /unverified /hidemicrosoft", {"plain.exe"}},
  };
  for (const Case& c : cases) {
    GivenSignatures signatures;
    QuietConsole console;
    CommandLineMachine machine{
        registry, files, versions, &signatures, L"C:\\Vemdrol", L"PC", std::chrono::sys_seconds{},
        console};
    ASSERT_EQ(runCommandLine(parseCommandLine(Text(L"/scomma C:\\out.csv") + c.switches), machine),
              exitSuccess);
    const std::string written = files.readFile(L"C:\\out.csv").value();
    for (const char* name : {"kernel.dll", "tool.exe", "plain.exe"}) {
      const bool expected =
          std::find(c.shown.begin(), c.shown.end(), std::string(name)) != c.shown.end();
      EXPECT_EQ(written.find(name) != std::string::npos, expected) << name;
    }
    for (const auto& [path, count] : signatures.calls) EXPECT_EQ(count, 1) << path.size();
  }

  EXPECT_TRUE(parseCommandLine(L"/hidemicrosoft /unverified /scomma x.csv").signatureFilter ==
              (SignatureFilter{true, true}));
  EXPECT_EQ(parseCommandLine(L"/hidemicrosoft").mode, CommandLineRequest::Mode::badCommandLine);
}

TEST(SignatureFilterCommand, TheScannerTakesTheFiltersForATargetOnly) {
  const ScanRequest both = parseScanArguments({"--hide-microsoft", "--unverified", "/mnt/w"});
  EXPECT_EQ(both.mode, ScanRequest::Mode::run);
  EXPECT_TRUE(both.signatureFilter == (SignatureFilter{true, true}));
  const ScanRequest files =
      parseScanArguments({"--compare", "a.cnt", "--against", "b.cnt", "--unverified"});
  EXPECT_EQ(files.mode, ScanRequest::Mode::badCommandLine);
  EXPECT_NE(scanHelpText(true).find("--hide-microsoft"), std::string::npos);
  EXPECT_NE(scanHelpText(false).find("--unverified"), std::string::npos);
}

}  // namespace
}  // namespace vemdrol
