// The writes that must fail, on the Windows file system.
#include <gtest/gtest.h>

#include <array>

#include "export/exporter.h"
#include "platform/codepage.h"
#include "platform/win32.h"

namespace vemdrol {
namespace {

using namespace std::chrono;

// The long form reaches a path of any length.
Text longForm(const Text& path) { return L"\\\\?\\" + path; }

void removeTree(const Text& folder) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(longForm(folder + L"\\*").c_str(), &data));
  if (find.valid()) {
    do {
      const Text name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const Text path = folder + L"\\" + name;
      ::SetFileAttributesW(longForm(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        ::DeleteFileW(longForm(path).c_str());
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  find.close();
  ::RemoveDirectoryW(longForm(folder).c_str());
}

class ExportWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(length, 0u);
    root_ = Text(temp, length) + L"vemdrol-export-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr)) << ::GetLastError();
  }
  void TearDown() override { removeTree(root_); }

  Text at(TextView relative) const { return root_ + L"\\" + Text(relative); }

  void write(const Text& path, std::string_view bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    UniqueHandle file(::CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    attributes, nullptr));
    ASSERT_TRUE(file.valid()) << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

  std::string read(const Text& path) const {
    const Result<std::string> bytes = files_->readFile(longForm(path));
    return bytes ? bytes.value() : "(cannot read)";
  }

  // The error number of the export to path, 0 when it was written; the
  // message must name the file and give a reason.
  long refusal(const Text& path) {
    const std::vector<std::array<Text, 5>> cells = {{L"a", L"b", L"c", L"d", L"e"}};
    const SpanRows<std::array<Text, 5>> rows(cells);
    const ExportTable table{
        {L"Vemdrol", L"1", sys_seconds{}, L"PC", L"一覧"}, inventoryColumns(), rows};
    const Status written = writeExport(*files_, path, table, ExportFormat::csv);
    if (written) return 0;
    const Text opening = L"ファイル " + path + L" に書き込めません: ";
    const Text& message = written.error().description;
    EXPECT_TRUE(message.starts_with(opening) && message.size() > opening.size()) << toAnsi(message);
    return written.error().number;
  }

  Text root_;
  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
};

TEST_F(ExportWin32, UnwritableDestinationsFailAndKeepTheOldFile) {
  EXPECT_EQ(refusal(at(L"missing\\a.csv")), ERROR_PATH_NOT_FOUND);

  write(at(L"locked.csv"), "locked", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(refusal(at(L"locked.csv")), ERROR_ACCESS_DENIED);
  EXPECT_EQ(read(at(L"locked.csv")), "locked");

  ASSERT_TRUE(::CreateDirectoryW(at(L"folder.csv").c_str(), nullptr));
  write(at(L"folder.csv\\inside.txt"), "inside");
  EXPECT_NE(refusal(at(L"folder.csv")), 0);
  EXPECT_EQ(read(at(L"folder.csv\\inside.txt")), "inside");

  // 300 characters: a long name in a short folder, which the disk under Wine
  // could not hold either, and a short name in a long folder, which it could.
  const Text longName = at(Text(300 - root_.size() - 1 - 4, L'x') + L".csv");
  ASSERT_EQ(longName.size(), 300u);
  EXPECT_EQ(refusal(longName), ERROR_FILENAME_EXCED_RANGE);
  const Text longFolder = at(Text(240 - root_.size() - 1, L'y'));
  ASSERT_TRUE(::CreateDirectoryW(longForm(longFolder).c_str(), nullptr));
  const Text shortName = longFolder + L"\\" + Text(55, L'z') + L".csv";
  ASSERT_EQ(shortName.size(), 300u);
  write(shortName, "old");
  EXPECT_EQ(refusal(shortName), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(read(shortName), "old");
}

}  // namespace
}  // namespace vemdrol
