// The Windows version API and the program files' own bytes must give the
// same version numbers and texts: for files built here, and for every
// program file of the Windows folders.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/codepage.h"
#include "os/filesystem.h"
#include "os/pe_version_reader.h"
#include "os/version_resource.h"
#include "os/win32/windows.h"
#include "version/pe_builder.h"
#include "version/version_number.h"
#include "version/version_strings.h"

namespace vemdrol {
namespace {

// The loader's language order for this process, built from the same calls
// the loader makes.
std::vector<std::uint16_t> loaderLanguages() {
  std::vector<std::uint16_t> languages;
  auto push = [&](LANGID language) {
    for (std::uint16_t known : languages) {
      if (known == language) return;
    }
    languages.push_back(language);
  };
  push(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  push(LANGIDFROMLCID(::GetThreadLocale()));
  push(::GetUserDefaultLangID());
  push(MAKELANGID(PRIMARYLANGID(::GetUserDefaultLangID()), SUBLANG_NEUTRAL));
  push(::GetSystemDefaultLangID());
  push(MAKELANGID(PRIMARYLANGID(::GetSystemDefaultLangID()), SUBLANG_NEUTRAL));
  push(MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT));
  return languages;
}

// Remembers the answer for the last path, so that the number and the texts
// of one file cost one read.
class LastAnswerReader final : public VersionResourceReader {
 public:
  explicit LastAnswerReader(VersionResourceReader& inner) : inner_(inner) {}
  Result<std::optional<VersionResource>> versionResourceOf(TextView path) override {
    if (!last_ || path != lastPath_) {
      lastPath_ = Text(path);
      last_ =
          std::make_unique<Result<std::optional<VersionResource>>>(inner_.versionResourceOf(path));
    }
    return *last_;
  }

 private:
  VersionResourceReader& inner_;
  Text lastPath_;
  std::unique_ptr<Result<std::optional<VersionResource>>> last_;
};

struct Answer {
  Result<Text> number = Text();
  VersionStrings strings;
  std::optional<std::string> block;
};

Answer answerOf(VersionResourceReader& reader, const Text& path) {
  LastAnswerReader once(reader);
  Answer answer;
  answer.number = WVerNumber(once, path);
  answer.strings = WVerINformation(once, path, {});
  const auto resource = once.versionResourceOf(path);
  if (resource && resource.value()) answer.block = resource.value()->bytes();
  return answer;
}

// Compares the two answers for one file; returns whether they agree.
bool expectSameAnswer(const Answer& api, const Answer& own, const Text& path) {
  const std::string name = toAnsi(path);
  bool same = true;
  if (api.number.ok() != own.number.ok() ||
      (api.number.ok() && api.number.value() != own.number.value())) {
    ADD_FAILURE() << name << ": version numbers differ";
    same = false;
  }
  if (api.strings.outcome != own.strings.outcome ||
      api.strings.description != own.strings.description ||
      api.strings.legalCopyright != own.strings.legalCopyright) {
    ADD_FAILURE() << name << ": version strings differ: " << toAnsi(versionStringsText(api.strings))
                  << " / " << toAnsi(versionStringsText(own.strings));
    same = false;
  }
  if (api.block != own.block) {
    ADD_FAILURE() << name << ": blocks differ (" << (api.block ? api.block->size() : 0) << " / "
                  << (own.block ? own.block->size() : 0) << " bytes)";
    same = false;
  }
  return same;
}

enum class Oracle { noResource, damaged, compared };

// VerQueryValueW itself on the block GetFileVersionInfoW gives, compared with
// the answers of VersionResource on the same block, unless VersionResource
// finds the block damaged.
Oracle expectSameAsVerQueryValue(const Text& path) {
  const std::string name = toAnsi(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return Oracle::noResource;
  std::vector<char> buffer(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, buffer.data())) {
    ADD_FAILURE() << name << ": GetFileVersionInfoW failed";
    return Oracle::noResource;
  }
  const char* end = buffer.data() + buffer.size();
  const auto resource = VersionResource::fromBlock(std::string_view(buffer.data(), size));
  if (!resource) return Oracle::damaged;

  void* value = nullptr;
  UINT length = 0;
  std::optional<FixedFileVersion> fixed;
  if (::VerQueryValueW(buffer.data(), L"\\", &value, &length) && length >= 52) {
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    if (info->dwSignature == 0xFEEF04BD) {
      fixed = FixedFileVersion{info->dwFileVersionMS, info->dwFileVersionLS};
    }
  }
  const auto own = resource->fixedFileVersion();
  EXPECT_EQ(fixed.has_value(), own.has_value()) << name;
  if (fixed && own) {
    EXPECT_EQ(fixed->fileVersionMS, own->fileVersionMS) << name;
    EXPECT_EQ(fixed->fileVersionLS, own->fileVersionLS) << name;
  }

  std::vector<Translation> translations;
  if (::VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
    const auto* entries = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / 2; i += 2)
      translations.push_back({entries[i], entries[i + 1]});
  }
  EXPECT_EQ(translations, resource->translations()) << name;

  const Text prefix =
      stringTablePrefix(translations.empty() ? Translation{} : translations.front());
  for (const wchar_t* key :
       {L"FileDescription", L"LegalCopyright", L"CompanyName", L"FileVersion"}) {
    std::optional<Text> text;
    if (::VerQueryValueW(buffer.data(), (prefix + key).c_str(), &value, &length)) {
      const auto* chars = static_cast<const wchar_t*>(value);
      const std::size_t available =
          static_cast<std::size_t>(end - static_cast<const char*>(value)) / 2;
      Text whole(chars, std::min<std::size_t>(length, available));
      text = whole.substr(0, whole.find(L'\0'));
    }
    EXPECT_EQ(text, resource->stringValue(prefix + key)) << name << " " << toAnsi(key);
  }
  return Oracle::compared;
}

bool isProgramFile(const Text& name) {
  return endsWithNoCase(name, L".exe") || endsWithNoCase(name, L".dll") ||
         endsWithNoCase(name, L".ocx") || endsWithNoCase(name, L".ax");
}

class VersionResourceWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(length, 0u);
    static unsigned counter = 0;
    // A folder name the ANSI code page cannot spell: the W calls must reach it.
    folder_ = Text(temp, length) + L"vemdrol-ver-Ω€-" + std::to_wstring(::GetCurrentProcessId()) +
              L"-" + std::to_wstring(counter++);
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr)) << ::GetLastError();
  }
  void TearDown() override {
    for (const Text& path : written_) ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

  Text write(TextView name, const std::string& bytes) {
    const Text path = folder_ + L"\\" + Text(name);
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.valid()) << ::GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    written_.push_back(path);
    return path;
  }

  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
  std::unique_ptr<VersionResourceReader> api_ = makeSystemVersionResourceReader(*files_);
  PeVersionResourceReader own_{*files_, PeVersionResourceReader::defaultMaxFileSize,
                               loaderLanguages()};
  Text folder_;
  std::vector<Text> written_;
};

TEST_F(VersionResourceWin32Test, TheLoadersLanguageOrderIsTheJapaneseOne) {
  const std::vector<std::uint16_t> expected(japaneseResourceLanguages.begin(),
                                            japaneseResourceLanguages.end());
  EXPECT_EQ(loaderLanguages(), expected);
}

TEST_F(VersionResourceWin32Test, BuiltFilesReadAlikeBothWays) {
  auto numbered = [](std::uint16_t language) {
    ProgramVersion version = fileVersion(1, 0, 0, language);
    version.description = L"説明 " + std::to_wstring(language);
    return versionBlock(version);
  };
  auto languages = [&](std::initializer_list<std::uint16_t> ids) {
    PeOptions options;
    for (std::uint16_t id : ids) options.languages.push_back({id, numbered(id)});
    return options;
  };
  ProgramVersion full = fileVersion(6, 0, 2900, 5512);
  full.description = L"メモ帳; beta";
  full.legalCopyright = L"© Example ¥";

  std::map<Text, std::pair<std::string, Text>> cases;  // name: bytes, expected number
  cases[L"full.exe"] = {peWithVersionBlock(versionBlock(full)), L"6.0.5512"};
  PeOptions pe32 = languages({0x0411});
  pe32.pe32Plus = false;
  cases[L"pe32.dll"] = {buildPe(pe32).bytes, L"1.0.1041"};
  cases[L"neutral.dll"] = {buildPe(languages({0x0000, 0x0409, 0x0411})).bytes, L"1.0.0"};
  cases[L"japanese.dll"] = {buildPe(languages({0x0407, 0x0409, 0x0411})).bytes, L"1.0.1041"};
  cases[L"japaneseNeutral.dll"] = {buildPe(languages({0x0011, 0x0409})).bytes, L"1.0.17"};
  cases[L"english.dll"] = {buildPe(languages({0x0407, 0x0409, 0x040C})).bytes, L"1.0.1033"};
  cases[L"first.dll"] = {buildPe(languages({0x0407, 0x040C})).bytes, L"1.0.1031"};
  PeOptions otherName = languages({0x0411});
  otherName.nameId = 2;
  cases[L"name2.dll"] = {buildPe(otherName).bytes, L""};
  PeOptions manyTypes = languages({0x0411});
  manyTypes.otherTypes = {3, 14, 24};
  cases[L"types.ocx"] = {buildPe(manyTypes).bytes, L"1.0.1041"};
  cases[L"readme.ax"] = {"not a program\r\n", L""};
  VersionNode odd = versionInfoNode(
      std::nullopt,
      {stringFileInfoNode({stringTableNode(
           L"041104B0",
           {VersionNode{
               L"FileDescription", std::string("d\0e\0\0\0", 6), 6, 1, {}, std::nullopt}})}),
       varFileInfoNode({{0x0411, 0x04B0}})});
  cases[L"oddLengths.dll"] = {peWithVersionBlock(serialize(odd)), L""};
  VersionNode over =
      versionInfoNode(fixedFileInfo(0x10002, 3), {varFileInfoNode({{0x411, 0x4B0}})});
  over.children[0].length = static_cast<std::uint16_t>(serialize(over.children[0]).size() + 1);
  cases[L"childOver.dll"] = {peWithVersionBlock(serialize(over)), L""};
  std::string shortData = versionBlock(full);
  PeOptions truncated;
  truncated.languages.push_back({0x0411, shortData.substr(0, shortData.size() - 8)});
  // Reads as if zero-filled, as the API's zeroed buffer leaves it.
  cases[L"shortData.dll"] = {buildPe(truncated).bytes, L"6.0.5512"};
  cases[L"noVersion.exe"] = {buildPe(PeOptions{}).bytes, L""};

  int compared = 0;
  for (const auto& [name, file] : cases) {
    const Text path = write(name, file.first);
    const Answer api = answerOf(*api_, path);
    const Answer own = answerOf(own_, path);
    expectSameAnswer(api, own, path);
    ASSERT_TRUE(own.number) << toAnsi(name);
    EXPECT_EQ(own.number.value(), file.second) << toAnsi(name);
    expectSameAsVerQueryValue(path);
    ++compared;
  }
  EXPECT_EQ(compared, 14);

  const Answer answer = answerOf(*api_, folder_ + L"\\full.exe");
  EXPECT_EQ(answer.strings.description, L"メモ帳; beta");
  EXPECT_EQ(answer.strings.legalCopyright, L"© Example ¥");
  EXPECT_EQ(answerOf(*api_, folder_ + L"\\japanese.dll").strings.description, L"説明 1041");

  const Answer missing = answerOf(*api_, folder_ + L"\\missing.exe");
  EXPECT_EQ(missing.number.value(), L"");
  EXPECT_EQ(versionStringsText(missing.strings), L"情報なし;;");
}

TEST_F(VersionResourceWin32Test, EveryProgramFileOfTheWindowsFoldersReadsAlikeBothWays) {
  const auto started = std::chrono::steady_clock::now();
  std::vector<Text> folders;
  wchar_t buffer[MAX_PATH + 1];
  UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  ASSERT_GT(length, 0u);
  folders.emplace_back(buffer, length);
  length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  ASSERT_GT(length, 0u);
  folders.emplace_back(buffer, length);

  int compared = 0;
  int withNumber = 0;
  int withStrings = 0;
  int differing = 0;
  int damaged = 0;
  for (const Text& folder : folders) {
    const auto names = files_->listFiles(folder);
    ASSERT_TRUE(names) << toAnsi(folder);
    for (const Text& name : names.value()) {
      if (!isProgramFile(name)) continue;
      const Text path = folder + L"\\" + name;
      const Answer api = answerOf(*api_, path);
      const Answer own = answerOf(own_, path);
      if (!expectSameAnswer(api, own, path)) ++differing;
      if (expectSameAsVerQueryValue(path) == Oracle::damaged) ++damaged;
      ++compared;
      if (own.number.ok() && !own.number.value().empty()) ++withNumber;
      if (!own.strings.description.empty() && own.strings.outcome == VersionStringsOutcome::read) {
        ++withStrings;
      }
    }
  }
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
  std::printf(
      "version resources compared: %d program files, %d with a version number, "
      "%d with a description, %d differing, %d damaged, %.1f s\n",
      compared, withNumber, withStrings, differing, damaged, seconds.count());
  RecordProperty("compared", compared);
  EXPECT_GT(compared, 100);
  EXPECT_GT(withNumber, 100);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(damaged, 0);

  // Not a comparison of two empty answers: these carry a version resource.
  for (const Text& path : {folders[1] + L"\\kernel32.dll", folders[1] + L"\\shell32.dll"}) {
    const Answer own = answerOf(own_, path);
    ASSERT_TRUE(own.number) << toAnsi(path);
    EXPECT_FALSE(own.number.value().empty()) << toAnsi(path);
    EXPECT_EQ(own.strings.outcome, VersionStringsOutcome::read) << toAnsi(path);
    EXPECT_FALSE(own.strings.description.empty()) << toAnsi(path);
    std::printf("%s: %s %s\n", toAnsi(path).c_str(), toAnsi(own.number.value()).c_str(),
                toAnsi(versionStringsText(own.strings)).c_str());
  }
}

}  // namespace
}  // namespace vemdrol
