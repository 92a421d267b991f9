#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "os/filesystem.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

using Names = std::vector<Text>;

Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

// Removes folder and everything below it, read-only entries included.
void removeTree(const Text& folder) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find.valid()) {
    do {
      const Text name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const Text path = folder + L"\\" + name;
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  find.close();
  ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(folder.c_str());
}

// Each test works in a fresh folder under the user's temporary folder, set
// up and checked with the Windows API directly rather than through the seam.
class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(length, 0u);
    static unsigned counter = 0;
    root_ = Text(temp, length) + L"vemdrol-fs-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr)) << ::GetLastError();
  }
  void TearDown() override { removeTree(root_); }

  Text at(TextView relative) const { return root_ + L"\\" + Text(relative); }

  void write(TextView relative, std::string_view bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    UniqueHandle file(::CreateFileW(at(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    attributes, nullptr));
    ASSERT_TRUE(file.valid()) << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

  std::string read(TextView relative) const {
    UniqueHandle file(::CreateFileW(at(relative).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return "(cannot open)";
    std::string bytes(4096, '\0');
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
      return "(cannot read)";
    }
    bytes.resize(got);
    return bytes;
  }

  void makeFolder(TextView relative) {
    ASSERT_TRUE(::CreateDirectoryW(at(relative).c_str(), nullptr)) << ::GetLastError();
  }

  // Every name in the folder as the disk spells it, folders included.
  Names entries() const {
    Names names;
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW(at(L"*").c_str(), &data));
    if (!find.valid()) return names;
    do {
      const Text name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find.get(), &data));
    return sorted(names);
  }

  Text root_;
  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
};

TEST_F(Win32FileSystemTest, ListsFilesAndHiddenFilesButNotFoldersOrSystemFiles) {
  write(L"a.exe", "a");
  write(L"hidden.dll", "h", FILE_ATTRIBUTE_HIDDEN);
  write(L"system.dll", "s", FILE_ATTRIBUTE_SYSTEM);
  write(L"locked.ocx", "l", FILE_ATTRIBUTE_READONLY);
  makeFolder(L"Sub");
  write(L"Sub\\inner.exe", "i");

  const auto listed = files_->listFiles(root_);
  ASSERT_TRUE(listed.ok()) << listed.error().number;
  EXPECT_EQ(sorted(listed.value()), (Names{L"a.exe", L"hidden.dll", L"locked.ocx"}));
  EXPECT_EQ(files_->listFiles(at(L"SUB\\")).value(), (Names{L"inner.exe"}));

  EXPECT_EQ(files_->listFiles(at(L"Missing")).error().number, ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(files_->listFiles(at(L"a.exe")).ok());
  EXPECT_FALSE(files_->listFiles(at(L"S*")).ok());
}

TEST_F(Win32FileSystemTest, AttributesAreTakenLiterally) {
  makeFolder(L"x");
  write(L"x\\a.exe", "a");
  write(L"x\\hidden.dll", "h", FILE_ATTRIBUTE_HIDDEN);
  write(L"x\\system.dll", "s", FILE_ATTRIBUTE_SYSTEM);
  write(L"x\\locked.dll", "l", FILE_ATTRIBUTE_READONLY);

  const auto plain = files_->attributesOf(at(L"X\\A.EXE"));
  ASSERT_TRUE(plain.ok()) << plain.error().number;
  ASSERT_TRUE(plain.value().has_value());
  EXPECT_FALSE(plain.value()->directory || plain.value()->hidden || plain.value()->system ||
               plain.value()->readOnly);

  EXPECT_FALSE(files_->attributesOf(at(L"x\\*.exe")).value().has_value());
  EXPECT_FALSE(files_->attributesOf(at(L"x\\a.ex?")).value().has_value());
  EXPECT_FALSE(files_->attributesOf(at(L"x\\b.exe")).value().has_value());
  EXPECT_FALSE(files_->attributesOf(at(L"x\\a.exe\\inner")).value().has_value());
  EXPECT_FALSE(files_->attributesOf(at(L"nowhere\\a.exe")).value().has_value());
  EXPECT_FALSE(files_->attributesOf(at(L"x\\a.exe") + Text(1, L'\0') + L"x").value().has_value());
  EXPECT_FALSE(files_->attributesOf(L"").value().has_value());

  EXPECT_TRUE(files_->attributesOf(at(L"x\\hidden.dll")).value()->hidden);
  EXPECT_TRUE(files_->attributesOf(at(L"x\\system.dll")).value()->system);
  EXPECT_TRUE(files_->attributesOf(at(L"x\\locked.dll")).value()->readOnly);
  EXPECT_TRUE(files_->attributesOf(at(L"X")).value()->directory);
  EXPECT_TRUE(files_->attributesOf(L"\\\\?\\" + at(L"x\\a.exe")).value().has_value());
}

TEST_F(Win32FileSystemTest, ReplaceKeepsTheExistingName) {
  write(L"Vemdrol.cnt", "old");
  ASSERT_TRUE(files_->replaceFile(at(L"Vemdrol.Cnt"), "new\r\n").ok());
  EXPECT_EQ(entries(), (Names{L"Vemdrol.cnt"}));
  EXPECT_EQ(read(L"Vemdrol.cnt"), "new\r\n");
  EXPECT_EQ(files_->readFile(at(L"VEMDROL.CNT")).value(), "new\r\n");

  ASSERT_TRUE(files_->replaceFile(at(L"AppSkip.cnt"), "").ok());
  EXPECT_EQ(entries(), (Names{L"AppSkip.cnt", L"Vemdrol.cnt"}));
  EXPECT_EQ(files_->readFile(at(L"AppSkip.cnt")).value(), "");
}

TEST_F(Win32FileSystemTest, FailedReplacementLeavesTheOldFile) {
  write(L"locked.cnt", "locked", FILE_ATTRIBUTE_READONLY);
  makeFolder(L"Folder.cnt");
  write(L"Folder.cnt\\inside.txt", "inside");
  write(L"busy.cnt", "busy");
  const Names before = entries();

  const Status locked = files_->replaceFile(at(L"locked.cnt"), "new");
  ASSERT_FALSE(locked.ok());
  EXPECT_EQ(locked.error().number, ERROR_ACCESS_DENIED);
  EXPECT_EQ(read(L"locked.cnt"), "locked");

  // The move onto a folder fails after the new file has been written.
  EXPECT_FALSE(files_->replaceFile(at(L"Folder.cnt"), "new").ok());
  EXPECT_EQ(read(L"Folder.cnt\\inside.txt"), "inside");

  {
    // Another program holds the file open and lets nobody delete it.
    UniqueHandle holder(::CreateFileW(at(L"busy.cnt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());
    EXPECT_FALSE(files_->replaceFile(at(L"busy.cnt"), "new").ok());
  }
  EXPECT_EQ(read(L"busy.cnt"), "busy");

  EXPECT_EQ(files_->replaceFile(at(L"Missing\\Vemdrol.cnt"), "new").error().number,
            ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(entries(), before);  // no new file left behind
}

// Wine writes paths that Windows refuses to a program not declared aware of
// long paths; the seam refuses them on both.
TEST_F(Win32FileSystemTest, ReplacementStopsShortOfMaxPath) {
  const auto leafFor = [this](std::size_t pathLength) {
    return Text(pathLength - root_.size() - 1 - 4, L'x') + L".csv";
  };
  const Text inside = leafFor(MAX_PATH - 1);
  const Text past = leafFor(MAX_PATH);
  ASSERT_EQ(at(past).size(), std::size_t{MAX_PATH});
  ASSERT_TRUE(files_->replaceFile(at(inside), "inside").ok());
  EXPECT_EQ(read(inside), "inside");

  // Windows takes the "\\?\" form at any length.
  const Text longForm = L"\\\\?\\" + at(past);
  {
    UniqueHandle file(::CreateFileW(longForm.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << ::GetLastError();
  }
  const Status refused = files_->replaceFile(at(past), "new");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().number, ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FALSE(refused.error().description.empty());
  EXPECT_EQ(files_->readFile(longForm).value(), "");
  EXPECT_EQ(entries(), sorted({inside, past}));  // no new file left behind

  ASSERT_TRUE(files_->replaceFile(longForm, "long form").ok());
  EXPECT_EQ(files_->readFile(longForm).value(), "long form");
  ::DeleteFileW(longForm.c_str());
}

TEST_F(Win32FileSystemTest, AppendCreatesThenAppends) {
  ASSERT_TRUE(files_->appendToFile(at(L"AppTrace.TXT"), "first\r\n").ok());
  ASSERT_TRUE(files_->appendToFile(at(L"apptrace.txt"), "second\r\n").ok());
  EXPECT_EQ(read(L"AppTrace.TXT"), "first\r\nsecond\r\n");
  EXPECT_EQ(entries(), (Names{L"AppTrace.TXT"}));

  write(L"locked.txt", "locked", FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(files_->appendToFile(at(L"locked.txt"), "x").ok());
  EXPECT_EQ(read(L"locked.txt"), "locked");
  EXPECT_FALSE(files_->appendToFile(at(L"Missing\\AppTrace.TXT"), "x").ok());
}

TEST_F(Win32FileSystemTest, ReadingWhatIsNoFileGivesAnError) {
  const auto missing = files_->readFile(at(L"missing.txt"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().number, ERROR_FILE_NOT_FOUND);
  const Text& description = missing.error().description;
  ASSERT_FALSE(description.empty());
  EXPECT_NE(description.back(), L'\n');
  EXPECT_NE(description.back(), L'\r');

  makeFolder(L"Dir");
  EXPECT_FALSE(files_->readFile(at(L"Dir")).ok());

  const std::string large(3000000, 'x');
  ASSERT_TRUE(files_->replaceFile(at(L"large.txt"), large).ok());
  EXPECT_EQ(files_->readFile(at(L"large.txt")).value(), large);
}

TEST_F(Win32FileSystemTest, JapaneseNamesAreListedAndRead) {
  write(L"アプリ.exe", "MZ");
  const auto listed = files_->listFiles(root_);
  ASSERT_TRUE(listed.ok());
  EXPECT_EQ(listed.value(), (Names{L"アプリ.exe"}));
  EXPECT_EQ(files_->readFile(at(L"アプリ.EXE")).value(), "MZ");
  EXPECT_TRUE(files_->attributesOf(at(L"アプリ.exe")).value().has_value());
}

TEST_F(Win32FileSystemTest, AFileHeldExclusivelyStillTellsItsSizeAndTimes) {
  write(L"held.dll", "0123456789");
  {
    UniqueHandle file(::CreateFileW(at(L"held.dll").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    const ULONGLONG written = 134411164951234567ULL;  // 2026-12-07 11:28:15.1234567 UTC
    const ULONGLONG created = written - 36000000000ULL;
    const FILETIME lastWrite{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    const FILETIME creation{static_cast<DWORD>(created), static_cast<DWORD>(created >> 32)};
    ASSERT_TRUE(::SetFileTime(file.get(), &creation, nullptr, &lastWrite));
  }
  // Another program opens it without sharing it for reading.
  UniqueHandle holder(::CreateFileW(at(L"held.dll").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.valid());

  const auto info = files_->fileInfo(at(L"HELD.DLL"));
  ASSERT_TRUE(info.ok()) << info.error().number;
  EXPECT_EQ(info.value().size, 10u);
  EXPECT_EQ(info.value().lastWrite, 134411164951234567ULL);
  // Wine on Linux keeps no creation time and gives the last write time in
  // its place.
  ASSERT_TRUE(info.value().creation);
  EXPECT_TRUE(*info.value().creation == 134411164951234567ULL - 36000000000ULL ||
              *info.value().creation == 134411164951234567ULL)
      << *info.value().creation;
  EXPECT_EQ(files_->openForReading(at(L"held.dll")).error().number, ERROR_SHARING_VIOLATION);
  EXPECT_EQ(files_->readFile(at(L"held.dll")).error().number, ERROR_SHARING_VIOLATION);

  makeFolder(L"Dir");
  EXPECT_FALSE(files_->fileInfo(at(L"Dir")).ok());
  EXPECT_FALSE(files_->openForReading(at(L"Dir")).ok());
  EXPECT_EQ(files_->fileInfo(at(L"missing.dll")).error().number, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(files_->openForReading(at(L"missing.dll")).error().number, ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32FileSystemTest, ReadsAFilePastFourGigabytesInPieces) {
  const ULONGLONG size = (ULONGLONG{1} << 32) + 5;
  {
    // Sparse where the disk allows: 4 GiB of nothing and a tail.
    UniqueHandle file(::CreateFileW(at(L"Big.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid());
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size - 5);
    ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), "tail!", 5, &written, nullptr));
  }
  EXPECT_EQ(files_->fileInfo(at(L"big.bin")).value().size, size);
  EXPECT_EQ(files_->readFile(at(L"big.bin")).error().number, ERROR_FILE_TOO_LARGE);

  auto reader = files_->openForReading(at(L"BIG.BIN"));
  ASSERT_TRUE(reader.ok()) << reader.error().number;
  std::string piece(8, '?');
  const auto got = reader.value()->readAt(size - 7, piece);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(piece.substr(0, got.value()), std::string("\0\0tail!", 7));
  EXPECT_EQ(reader.value()->readAt(size, piece).value(), 0u);
  EXPECT_EQ(reader.value()->readAt(size + 100, piece).value(), 0u);
  EXPECT_EQ(reader.value()->readAt(0, std::span<char>(piece).first(3)).value(), 3u);
}

}  // namespace
}  // namespace vemdrol
