#include "machine_generator.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/utf16.h"
#include "inventory/builder.h"
#include "inventory/recording_display.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/pe_version_reader.h"
#include "version/version_number.h"
#include "version/version_strings.h"

namespace vemdrol {
namespace {

class MemoryMachine final : public MachineSink {
 public:
  void key(TextView path, const std::vector<GeneratedValue>& values) override {
    registry.addKey(RegistryRoot::classesRoot, path);
    for (const GeneratedValue& value : values) {
      if (value.name.empty()) {
        registry.setDefault(RegistryRoot::classesRoot, path, value.data);
      } else {
        registry.setNamedValue(RegistryRoot::classesRoot, path, value.name, value.data);
      }
    }
  }
  void file(TextView path, std::string_view bytes) override {
    files.addFile(path, bytes);
    paths.emplace_back(path);
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  std::vector<Text> paths;
};

// The benchmark's row counts are only meaningful if the machine is what the
// generator says it is: the builder must find exactly the entries it
// predicts, and every file it keeps must have readable version information.
TEST(MachineGenerator, BuilderFindsThePredictedEntries) {
  MemoryMachine machine;
  MachineShape shape;
  shape.extensions = 600;
  const MachineSummary summary = generateMachine(shape, machine);
  EXPECT_EQ(summary.types, 300);
  EXPECT_EQ(summary.classes, 600);
  EXPECT_GT(summary.programEntries, 100);
  EXPECT_GT(summary.libraryEntries, 100);
  EXPECT_GT(summary.filesMissing, 0);
  EXPECT_EQ(summary.filesWritten, static_cast<long long>(machine.paths.size()));

  testing::RecordingDisplay display;
  RegistryListing listing;
  Inventory inventory;
  BuilderParts parts{machine.registry, machine.files, display, listing};
  EXPECT_TRUE(buildInventory(inventory, parts).ok());

  long long programs = 0;
  long long libraries = 0;
  PeVersionResourceReader versions(machine.files);
  for (std::size_t i = 0; i < inventory.size(); ++i) {
    if (startsWithNoCase(inventory.fileType[i], L"*.")) {
      ++programs;
      EXPECT_TRUE(startsWithNoCase(inventory.appName[i], L"ベンチ用文書 ")) << i;
    } else {
      ++libraries;
    }
    Result<Text> version = WVerNumber(versions, inventory.fullPath[i]);
    ASSERT_TRUE(version);
    EXPECT_FALSE(version.value().empty()) << i;
    const VersionStrings strings = WVerINformation(versions, inventory.fullPath[i], {});
    EXPECT_EQ(strings.outcome, VersionStringsOutcome::read);
    EXPECT_TRUE(startsWithNoCase(strings.description, L"ベンチ用")) << i;
  }
  EXPECT_EQ(programs, summary.programEntries);
  EXPECT_EQ(libraries, summary.libraryEntries);
}

std::string regFile(long long extensions) {
  std::ostringstream out;
  RegFileWriter writer(out);
  MachineShape shape;
  shape.extensions = extensions;
  generateMachine(shape, writer);
  return out.str();
}

TEST(MachineGenerator, RegFileIsDeterministicUtf16ForRegedit) {
  const std::string bytes = regFile(60);
  EXPECT_EQ(bytes, regFile(60));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
  const Text text = fromUtf16Le(bytes.substr(2));
  EXPECT_EQ(text.rfind(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\", 0), 0u);
  EXPECT_NE(text.find(L"[HKEY_CLASSES_ROOT\\VBench.T00000\\shell\\open\\command]\r\n"
                      L"@=\"\\\"C:\\\\VemdrolBench\\\\Programs\\\\Vendor0\\\\app0.exe\\\" "
                      L"\\\"%1\\\"\"\r\n"),
            Text::npos);
  // Expandable strings keep their type through hex(2).
  EXPECT_NE(text.find(L"@=hex(2):25,00,53,00,79,00"), Text::npos);
  EXPECT_NE(text.find(L"\"ThreadingModel\"=\"Both\""), Text::npos);
  EXPECT_EQ(text.find(L'\n', 0), text.find(L"\r\n", 0) + 1);
}

TEST(MachineGenerator, ValueLines) {
  const auto sz = [](TextView text) {
    std::string bytes = toUtf16Le(text);
    bytes.append(2, '\0');
    return RegistryData{registryTypeSz, bytes};
  };
  EXPECT_EQ(regValueLine({L"", sz(L"C:\\a \"b\"")}), L"@=\"C:\\\\a \\\"b\\\"\"");
  EXPECT_EQ(regValueLine({L"Na\"me", sz(L"")}), L"\"Na\\\"me\"=\"\"");
  EXPECT_EQ(regValueLine({L"N", {registryTypeDword, std::string("\x0A\x00\x00\x80", 4)}}),
            L"\"N\"=dword:8000000a");
  // A string with an embedded NUL, or none at its end, cannot be quoted.
  EXPECT_EQ(regValueLine({L"", {registryTypeSz, std::string("a\0\0\0b\0", 6)}}),
            L"@=hex(1):61,00,00,00,62,00");
  EXPECT_EQ(regValueLine({L"", {registryTypeSz, std::string("a\0", 2)}}), L"@=hex(1):61,00");
  EXPECT_EQ(regValueLine({L"", {registryTypeSz, std::string()}}), L"@=hex(1):");
  // Long lists go on over lines of 25 bytes.
  const Text blob = regValueLine({L"B", {registryTypeBinary, std::string(26, '\xAB')}});
  Text expected = L"\"B\"=hex:ab";
  for (int i = 1; i < 25; ++i) expected += L",ab";
  expected += L",\\\r\n  ab";
  EXPECT_EQ(blob, expected);
}

}  // namespace
}  // namespace vemdrol
