#include "details/file_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"
#include "version/test_readers.h"

namespace vemdrol {
namespace {

// 2026-12-07 11:28:15 UTC
constexpr FileTime december2026 = fileTimeUnixEpoch + 1'796'642'895ULL * fileTimeTicksPerSecond;

VersionNode table(TextView key, TextView company, TextView product) {
  return stringTableNode(key,
                         {stringNode(L"CompanyName", company), stringNode(L"ProductName", product),
                          stringNode(L"ProductVersion", L"6.0 (製品)"),
                          stringNode(L"FileVersion", L"6.0.2900.5512 (xpsp.080413-2105)")});
}

// 6.0.2900.5512, with a Japanese table first and an English one after it.
std::string notepadBlock(std::vector<std::pair<std::uint16_t, std::uint16_t>> translations = {
                             {0x0411, 0x04B0}, {0x0409, 0x04B0}}) {
  return serialize(
      versionInfoNode(fixedFileInfo(0x00060000, 0x0B541588),
                      {stringFileInfoNode({table(L"040904B0", L"Example Corp.", L"Example"),
                                           table(L"041104B0", L"株式会社見本", L"見本"),
                                           table(L"00000000", L"neutral", L"neutral")}),
                       varFileInfoNode(translations)}));
}

std::string hashOfBytes(std::string_view bytes) {
  auto hasher = Sha256::make();
  EXPECT_TRUE(hasher);
  EXPECT_TRUE(hasher.value()->add(bytes));
  const Text text = sha256Text(hasher.value()->finish().value());
  return std::string(text.begin(), text.end());
}

std::string narrow(const Text& text) { return std::string(text.begin(), text.end()); }

class FileFactsTest : public ::testing::Test {
 protected:
  FileFacts facts(TextView path, bool withHash = true) { return reader.factsOf(path, withHash); }

  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  FactReader reader{files, versions};
};

TEST_F(FileFactsTest, ReadsEveryFactOfAProgramFile) {
  const std::string bytes = peWithVersionBlock(notepadBlock());
  files.addFile(L"C:\\Windows\\notepad.exe", bytes);
  files.setTimes(L"C:\\Windows\\notepad.exe", december2026, december2026 - 36'000'000'000ULL);

  const FileFacts read = facts(L"C:\\Windows\\notepad.exe");
  EXPECT_EQ(read[Fact::company].text, L"株式会社見本");
  EXPECT_EQ(read[Fact::product].text, L"見本");
  EXPECT_EQ(read[Fact::productVersion].text, L"6.0 (製品)");
  EXPECT_EQ(read[Fact::fileVersion].text, L"6.0.2900.5512 (xpsp.080413-2105)");
  EXPECT_EQ(read[Fact::fullVersion].text, L"6.0.2900.5512");
  EXPECT_EQ(read[Fact::size].text, std::to_wstring(bytes.size()));
  EXPECT_EQ(read[Fact::machine].text, L"x64");
  EXPECT_EQ(narrow(read[Fact::sha256].text), hashOfBytes(bytes));
  for (const FactCell& cell : read.cells) EXPECT_EQ(cell.state, FactState::value);

  // The cells of the times are the local times; JSON gets them with the
  // offset, and every other fact as its cell.
  const LocalTime modified = localTimeOf(december2026).value();
  EXPECT_EQ(read[Fact::modified].text, timeCellText(modified));
  EXPECT_EQ(read[Fact::modified].json, timeIsoText(modified));
  EXPECT_EQ(read[Fact::created].json,
            timeIsoText(localTimeOf(december2026 - 36'000'000'000ULL).value()));
  EXPECT_EQ(read[Fact::size].json, std::to_wstring(bytes.size()));
  EXPECT_EQ(read[Fact::company].json, L"株式会社見本");
  EXPECT_EQ(read.size, bytes.size());
  EXPECT_EQ(read.modified, december2026);
}

TEST_F(FileFactsTest, TheStringsComeFromTheFirstTranslation) {
  files.addFile(L"C:\\a.dll", peWithVersionBlock(notepadBlock({{0x0409, 0x04B0}})));
  files.addFile(L"C:\\b.dll", peWithVersionBlock(notepadBlock({})));
  files.addFile(L"C:\\c.dll", peWithVersionBlock(notepadBlock({{0x0407, 0x04E4}})));
  EXPECT_EQ(facts(L"C:\\a.dll")[Fact::company].text, L"Example Corp.");
  EXPECT_EQ(facts(L"C:\\b.dll")[Fact::company].text, L"neutral");
  // No table for the translation: the strings are empty, the fixed block
  // still counts.
  const FileFacts c = facts(L"C:\\c.dll");
  EXPECT_EQ(c[Fact::product].state, FactState::value);
  EXPECT_EQ(c[Fact::product].text, L"");
  EXPECT_EQ(c[Fact::product].json, L"");
  EXPECT_EQ(c[Fact::fullVersion].text, L"6.0.2900.5512");
}

TEST_F(FileFactsTest, FilesWithoutVersionOrPeHeadersHaveEmptyCells) {
  files.addFile(L"C:\\noversion.dll", buildPe(PeOptions{}).bytes);
  files.addFile(L"C:\\readme.ax", "not a program\r\n");
  files.addFile(L"C:\\empty.ocx", "");

  const FileFacts noVersion = facts(L"C:\\noversion.dll");
  EXPECT_EQ(noVersion[Fact::company].text, L"");
  EXPECT_EQ(noVersion[Fact::fullVersion].text, L"");
  EXPECT_EQ(noVersion[Fact::machine].text, L"x64");
  for (const TextView path : {L"C:\\readme.ax", L"C:\\empty.ocx"}) {
    const FileFacts text = facts(path);
    EXPECT_EQ(text[Fact::machine].text, L"PE ファイルではありません");
    EXPECT_EQ(text[Fact::fileVersion].text, L"");
    EXPECT_EQ(text[Fact::sha256].state, FactState::value);
  }
  EXPECT_EQ(narrow(facts(L"C:\\empty.ocx")[Fact::sha256].text),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

  // Times the file system does not keep are empty, and null in JSON.
  EXPECT_EQ(noVersion[Fact::created].state, FactState::value);
  EXPECT_EQ(noVersion[Fact::created].text, L"");
  EXPECT_FALSE(noVersion[Fact::created].json);
  EXPECT_FALSE(noVersion.created);
}

TEST_F(FileFactsTest, WhatCannotBeReadShowsAsUnavailableAndSparesTheRest) {
  const std::string bytes = peWithVersionBlock(notepadBlock());
  files.addFile(L"C:\\locked.exe", bytes);
  files.setTimes(L"C:\\locked.exe", december2026, december2026);
  files.setLocked(L"C:\\locked.exe", true);

  const FileFacts locked = facts(L"C:\\locked.exe");
  for (const Fact fact : {Fact::company, Fact::product, Fact::productVersion, Fact::fileVersion,
                          Fact::fullVersion, Fact::machine, Fact::sha256}) {
    EXPECT_EQ(locked[fact].state, FactState::unavailable) << factColumn(fact).jsonKey;
    EXPECT_EQ(locked[fact].text, L"取得できません");
    EXPECT_FALSE(locked[fact].json);
  }
  EXPECT_EQ(locked[Fact::size].text, std::to_wstring(bytes.size()));
  EXPECT_EQ(locked[Fact::modified].text, timeCellText(localTimeOf(december2026).value()));

  const FileFacts gone = facts(L"C:\\gone.exe");
  for (const FactCell& cell : gone.cells) {
    EXPECT_EQ(cell.text, L"取得できません");
    EXPECT_EQ(cell.state, FactState::unavailable);
  }
  EXPECT_FALSE(gone.size);

  // A PE file cut inside its headers: no machine type and no version, but
  // size and hash as for any file.
  const std::string cut = bytes.substr(0, 64 + 24 + 100);
  files.addFile(L"C:\\cut.exe", cut);
  const FileFacts truncated = facts(L"C:\\cut.exe");
  EXPECT_EQ(truncated[Fact::machine].text, L"取得できません");
  EXPECT_EQ(truncated[Fact::company].text, L"");
  EXPECT_EQ(truncated[Fact::size].text, std::to_wstring(cut.size()));
  EXPECT_EQ(narrow(truncated[Fact::sha256].text), hashOfBytes(cut));

  // A read that fails part-way costs the hash only.
  const std::uint64_t size = 3 * FactReader::chunkSize;
  files.addGeneratedFile(L"C:\\failing.dll", size, [&](std::uint64_t offset, std::span<char> into) {
    if (offset + into.size() > 2 * FactReader::chunkSize) return false;
    std::fill(into.begin(), into.end(), '\0');
    const std::size_t header = std::min<std::uint64_t>(bytes.size(), 4096);
    if (offset < header) {
      std::memcpy(into.data(), bytes.data() + offset,
                  std::min<std::size_t>(into.size(), header - offset));
    }
    return true;
  });
  const FileFacts failing = facts(L"C:\\failing.dll");
  EXPECT_EQ(failing[Fact::sha256].text, L"取得できません");
  EXPECT_EQ(failing[Fact::machine].text, L"x64");
  EXPECT_EQ(failing[Fact::size].text, std::to_wstring(size));
  // The hasher starts afresh for the next file.
  files.addFile(L"C:\\after.dll", "abc");
  EXPECT_EQ(narrow(facts(L"C:\\after.dll")[Fact::sha256].text),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  // A failing version reader costs the version facts only.
  FailingVersionReader failingVersions(Error{8, L"Not enough memory"});
  FactReader other(files, failingVersions);
  const FileFacts noMemory = other.factsOf(L"C:\\after.dll", false);
  EXPECT_EQ(noMemory[Fact::product].text, L"取得できません");
  EXPECT_EQ(noMemory[Fact::machine].text, L"PE ファイルではありません");
}

TEST_F(FileFactsTest, FilesPast4GiBKeepTheirSize) {
  // A program file's headers at the start of 2^32 + 1 bytes, never held in
  // memory; its version resource is not looked for in a file that size.
  const std::uint64_t size = (std::uint64_t{1} << 32) + 1;
  const std::string program = peWithVersionBlock(notepadBlock());
  files.addGeneratedFile(L"C:\\huge.exe", size, [&](std::uint64_t offset, std::span<char> into) {
    std::fill(into.begin(), into.end(), '\0');
    if (offset < program.size()) {
      std::memcpy(into.data(), program.data() + offset,
                  std::min<std::size_t>(into.size(), program.size() - offset));
    }
    return true;
  });
  const FileFacts huge = facts(L"C:\\huge.exe", false);
  EXPECT_EQ(huge[Fact::size].text, L"4294967297");
  EXPECT_EQ(huge[Fact::size].json, L"4294967297");
  EXPECT_EQ(huge.size, size);
  EXPECT_EQ(huge[Fact::machine].text, L"x64");
  EXPECT_EQ(huge[Fact::fullVersion].text, L"");
  EXPECT_EQ(huge[Fact::sha256].state, FactState::notAsked);
}

TEST_F(FileFactsTest, EachFileIsReadOncePerRunWhateverItsLetterCase) {
  files.addFile(L"C:\\App\\tool.exe", "one");
  const FileFacts first = facts(L"C:\\App\\tool.exe", false);
  EXPECT_EQ(first[Fact::sha256].state, FactState::notAsked);
  EXPECT_EQ(first[Fact::sha256].text, L"");
  EXPECT_FALSE(first[Fact::sha256].json);

  // Changed since: the run keeps what it read, and reads only the hash anew.
  ASSERT_TRUE(files.replaceFile(L"C:\\App\\tool.exe", "three"));
  const FileFacts again = facts(L"c:\\app\\TOOL.EXE", true);
  EXPECT_EQ(again[Fact::size].text, L"3");
  EXPECT_EQ(narrow(again[Fact::sha256].text), hashOfBytes("three"));
  ASSERT_TRUE(files.replaceFile(L"C:\\App\\tool.exe", "fourth"));
  EXPECT_EQ(narrow(facts(L"C:\\APP\\tool.exe")[Fact::sha256].text), hashOfBytes("three"));

  reader.clear();
  const FileFacts next = facts(L"C:\\App\\tool.exe", false);
  EXPECT_EQ(next[Fact::size].text, L"6");
}

TEST(FactTexts, TimesAndVersionsAreWrittenInFullWidthFields) {
  const LocalTime tokyo{2026, 12, 7, 20, 28, 15, 540};
  EXPECT_EQ(timeCellText(tokyo), L"2026/12/07 20:28:15");
  EXPECT_EQ(timeIsoText(tokyo), L"2026-12-07T20:28:15+09:00");
  const LocalTime early{1601, 1, 1, 0, 0, 0, 0};
  EXPECT_EQ(timeCellText(early), L"1601/01/01 00:00:00");
  EXPECT_EQ(timeIsoText(early), L"1601-01-01T00:00:00+00:00");
  EXPECT_EQ(timeIsoText(LocalTime{2026, 3, 8, 1, 59, 59, -210}), L"2026-03-08T01:59:59-03:30");
  EXPECT_EQ(timeIsoText(LocalTime{9999, 12, 31, 23, 59, 59, 345}), L"9999-12-31T23:59:59+05:45");

  EXPECT_EQ(fullVersionText({0x00060000, 0x0B541588}), L"6.0.2900.5512");
  EXPECT_EQ(fullVersionText({0xFFFFFFFF, 0}), L"65535.65535.0.0");
}

}  // namespace
}  // namespace vemdrol
