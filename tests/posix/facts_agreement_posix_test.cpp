// The Linux build's side of scripts/facts-agree: reads the Wine prefix's
// drive C: through PosixFileSystem, finds the facts of every program file in
// the folders the Windows build looked at, and compares them with what the
// Windows build wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "details/facts_record.h"
#include "details/file_facts.h"
#include "os/pe_version_reader.h"
#include "os/posix/filesystem.h"
#include "scan/scan.h"

namespace vemdrol {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

Text widen(const std::string& text) { return Text(text.begin(), text.end()); }

std::string narrow(TextView text) {
  std::string bytes;
  for (const wchar_t c : text) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return bytes;
}

std::size_t fieldOf(Fact fact) { return 1 + 3 * factIndex(fact) + 1; }  // the cell

// Run by scripts/facts-agree with VEMDROL_FACTS_DRIVE_C (the prefix's
// drive_c), VEMDROL_FACTS_FOLDERS (as the Windows side had it),
// VEMDROL_FACTS_WINDOWS (the Windows side's records) and VEMDROL_FACTS_SUMS
// (where to write each file's hash and native path for `sha256sum -c`).
TEST(FactsAgreement, DISABLED_TheLinuxBuildFindsWhatTheWindowsBuildFound) {
  const std::string driveC = environment("VEMDROL_FACTS_DRIVE_C");
  const std::vector<Text> folders = factsFolders(widen(environment("VEMDROL_FACTS_FOLDERS")));
  const std::string windowsRecords = environment("VEMDROL_FACTS_WINDOWS");
  const std::string sums = environment("VEMDROL_FACTS_SUMS");
  ASSERT_FALSE(driveC.empty() || folders.empty() || windowsRecords.empty() || sums.empty())
      << "set VEMDROL_FACTS_DRIVE_C, VEMDROL_FACTS_FOLDERS, VEMDROL_FACTS_WINDOWS and "
         "VEMDROL_FACTS_SUMS";

  std::ifstream in(windowsRecords, std::ios::binary);
  ASSERT_TRUE(in) << windowsRecords;
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::map<Text, std::vector<Text>, LessNoCase> windows;
  for (std::vector<Text>& record : decodeRecords(bytes)) {
    ASSERT_EQ(record.size(), 1 + 3 * factCount);
    Text path = record[0];
    windows.emplace(std::move(path), std::move(record));
  }

  PosixFileSystem files({{L'C', driveC}});
  PeVersionResourceReader versions(files);
  FactReader reader(files, versions);
  std::ofstream sumFile(sums, std::ios::binary | std::ios::app);
  int compared = 0;
  int differing = 0;
  int creationAsLastWrite = 0;
  int withVersion = 0;
  for (const Text& folder : folders) {
    const Result<std::vector<Text>> names = files.listFiles(folder);
    ASSERT_TRUE(names) << narrow(folder);
    for (const Text& name : names.value()) {
      if (!isProgramFileName(name)) continue;
      const Text path = folder + L"\\" + name;
      const FileFacts facts = reader.factsOf(path, true);
      std::vector<Text> linux = factsFields(path, facts);
      ++compared;
      if (!facts[Fact::fullVersion].text.empty()) ++withVersion;
      sumFile << narrow(facts[Fact::sha256].text) << "  " << files.nativePath(path).value() << "\n";

      const auto found = windows.find(path);
      if (found == windows.end()) {
        ADD_FAILURE() << narrow(path) << ": not among the Windows build's files";
        ++differing;
        continue;
      }
      std::vector<Text> windowsSide = std::move(found->second);
      windows.erase(found);
      // Wine on Linux keeps no creation time: it gives the last write time
      // in its place, where Linux has the file's birth time.
      const std::size_t created = fieldOf(Fact::created);
      const std::size_t modified = fieldOf(Fact::modified);
      if (windowsSide[created] == windowsSide[modified] &&
          windowsSide[created + 1] == windowsSide[modified + 1] &&
          linux[created] != windowsSide[created]) {
        linux[created] = linux[modified];
        linux[created + 1] = linux[modified + 1];
        ++creationAsLastWrite;
      }
      bool same = true;
      for (std::size_t i = 1; i < linux.size(); ++i) {
        if (linux[i] == windowsSide[i]) continue;
        same = false;
        ADD_FAILURE() << narrow(path) << ": " << factsFieldName(i) << " differs: Linux \""
                      << narrow(linux[i]) << "\", Windows \"" << narrow(windowsSide[i]) << "\"";
      }
      if (!same) ++differing;
    }
  }
  for (const auto& [path, record] : windows) {
    ADD_FAILURE() << narrow(path) << ": among the Windows build's files only";
    ++differing;
  }
  std::printf(
      "facts compared: %d program files, %d with a version, %d differing; %d with Wine's "
      "creation time (the last write time)\n",
      compared, withVersion, differing, creationAsLastWrite);
  EXPECT_GT(compared, 100);
  EXPECT_GT(withVersion, 100);
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace vemdrol
