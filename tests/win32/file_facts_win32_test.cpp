// The facts of program files read through the Windows API: a file that
// another program holds, and the writer of the Windows build's side of
// scripts/facts-agree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "details/facts_record.h"
#include "details/file_facts.h"
#include "os/codepage.h"
#include "os/filesystem.h"
#include "os/version_resource.h"
#include "os/win32/windows.h"
#include "scan/scan.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

class FileFactsWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(length, 0u);
    path_ =
        Text(temp, length) + L"vemdrol-facts-" + std::to_wstring(::GetCurrentProcessId()) + L".dll";
    ProgramVersion version = fileVersion(6, 0, 2900, 5512);
    version.description = L"見本";
    const std::string bytes = peWithVersionBlock(versionBlock(version));
    UniqueHandle file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    size_ = bytes.size();
  }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }

  Text path_;
  std::size_t size_ = 0;
  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
  std::unique_ptr<VersionResourceReader> versions_ = makeSystemVersionResourceReader(*files_);
};

TEST_F(FileFactsWin32Test, AFileHeldByAnotherProgramKeepsItsSizeAndTimes) {
  {
    // Opened without FILE_SHARE_READ, as a program that keeps others out.
    UniqueHandle holder(::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());
    FactReader reader(*files_, *versions_);
    const FileFacts held = reader.factsOf(path_, true);
    EXPECT_EQ(held[Fact::size].text, std::to_wstring(size_));
    EXPECT_EQ(held[Fact::modified].state, FactState::value);
    EXPECT_FALSE(held[Fact::modified].text.empty());
    for (const Fact fact : {Fact::company, Fact::fullVersion, Fact::machine, Fact::sha256}) {
      EXPECT_EQ(held[fact].text, L"取得できません") << factColumn(fact).jsonKey;
    }
  }

  FactReader reader(*files_, *versions_);
  const FileFacts free = reader.factsOf(path_, false);
  EXPECT_EQ(free[Fact::fullVersion].text, L"6.0.2900.5512");
  EXPECT_EQ(free[Fact::product].text, L"Vemdrol test");
  EXPECT_EQ(free[Fact::machine].text, L"x64");

  ASSERT_TRUE(::DeleteFileW(path_.c_str()));
  FactReader later(*files_, *versions_);
  for (const FactCell& cell : later.factsOf(path_, true).cells) {
    EXPECT_EQ(cell.state, FactState::unavailable);
  }
}

Text environment(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  return value == nullptr ? Text() : Text(value);
}

// Run by scripts/facts-agree: the facts, hash included, of every program file
// in the folders VEMDROL_FACTS_FOLDERS names (separated by ";"), written to
// the file VEMDROL_FACTS_OUT names.
TEST(FactsDump, DISABLED_WriteTheFactsOfTheFolders) {
  const std::vector<Text> folders = factsFolders(environment(L"VEMDROL_FACTS_FOLDERS"));
  const Text out = environment(L"VEMDROL_FACTS_OUT");
  ASSERT_FALSE(folders.empty()) << "set VEMDROL_FACTS_FOLDERS";
  ASSERT_FALSE(out.empty()) << "set VEMDROL_FACTS_OUT";

  const std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  const std::unique_ptr<VersionResourceReader> versions = makeSystemVersionResourceReader(*files);
  FactReader reader(*files, *versions);
  std::vector<std::vector<Text>> records;
  for (const Text& folder : folders) {
    const Result<std::vector<Text>> names = files->listFiles(folder);
    ASSERT_TRUE(names) << toAnsi(folder);
    for (const Text& name : names.value()) {
      if (!isProgramFileName(name)) continue;
      const Text path = folder + L"\\" + name;
      records.push_back(factsFields(path, reader.factsOf(path, true)));
    }
  }
  ASSERT_TRUE(files->replaceFile(out, encodeRecords(records)));
  TIME_ZONE_INFORMATION zone;
  const DWORD kind = ::GetTimeZoneInformation(&zone);
  std::printf("facts of %zu program files written; time zone bias %ld, daylight saving %s\n",
              records.size(), zone.Bias, kind == TIME_ZONE_ID_UNKNOWN ? "none" : "known");
}

}  // namespace
}  // namespace vemdrol
