// The program's own files on the real file system under the Japanese code
// page: the bytes must be those the Linux build writes for the same rows.
#include <gtest/gtest.h>

#include <string>

#include "app/memory_form.h"
#include "app/progress.h"
#include "files/trace_log.h"
#include "os/codepage.h"
#include "os/win32/windows.h"
#include "rows/column_table.h"
#include "state/saved_rows.h"

namespace vemdrol {
namespace {

struct RealProgramFolder : ::testing::Test {
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root = Text(temp) + L"vemdrol-files-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    ColumnTable table;
    table.fill();
    rebuildColumns(table, list);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"Vemdrol.cnt", L"Vemdrol.state", L"AppSkip.cnt", L"AppTrace.TXT",
                                L"a.exe", L"hidden.exe"}) {
      const Text path = root + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
    RemoveDirectoryW(root.c_str());
  }
  std::string bytesOf(const wchar_t* name) {
    Result<std::string> bytes = files->readFile(folder.path(name));
    return bytes ? bytes.value() : std::string("<missing>");
  }
  void touch(const wchar_t* name, DWORD attributes) {
    const Text path = root + L"\\" + name;
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    ASSERT_TRUE(file.valid());
  }

  Text root;
  std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  ProgramFolder folder{*files, L""};
  ListModel list;
  MemoryForm form;
  FormFailureReport statusLine{form};
  std::optional<SkipList> skipList;
  KeptTables kept;
};

TEST_F(RealProgramFolder, FilesMatchTheLinuxBytesAndHiddenProgramsSurvive) {
  folder.folder = root;
  touch(L"a.exe", FILE_ATTRIBUTE_NORMAL);
  touch(L"hidden.exe", FILE_ATTRIBUTE_HIDDEN);
  const Text a = root + L"\\a.exe";
  const Text hidden = root + L"\\hidden.exe";
  std::size_t row = list.addRow(L"*.txt;*.log");
  EXPECT_TRUE(list.setCell(row, 1, L"say \"hi\"").ok());
  EXPECT_TRUE(list.setCell(row, 2, L"メモ帳, 日本語\t©").ok());
  EXPECT_TRUE(list.setCell(row, 3, a).ok());
  EXPECT_TRUE(list.setCell(row, 4, L"6.0.5512").ok());
  row = list.addRow(L"hidden.exe");
  EXPECT_TRUE(list.setCell(row, 3, hidden).ok());

  ASSERT_TRUE(saveInventory(folder, list, skipList, kept, statusLine));
  const std::string expected =
      "\"*.txt;*.log\",\"say 'hi'\",\"\x83\x81\x83\x82\x92\xa0, \x93\xfa\x96\x7b\x8c\xea!?\",\"" +
      toAnsi(a) + "\",\"6.0.5512\"\r\n\"hidden.exe\",\"\",\"\",\"" + toAnsi(hidden) + "\",\"\"\r\n";
  EXPECT_EQ(bytesOf(L"Vemdrol.cnt"), expected);
  EXPECT_EQ(inventoryFileBytes(list), expected);

  TraceLog log(folder);
  ASSERT_TRUE(log.start());
  ASSERT_TRUE(log.append(hidden));
  list.clearRows();
  loadInventory(folder, list, skipList, kept, nullptr, statusLine);
  EXPECT_EQ(list.rowCount(), 2u);
  ASSERT_TRUE(skipList.has_value());
  EXPECT_EQ(skipList->back(), L"hidden.exe");
  EXPECT_EQ(bytesOf(L"AppSkip.cnt"),
            "\"msir2jp.dll\"\r\n\"Tablet.exe\"\r\n\"VB5.EXE\"\r\n\"hidden.exe\"\r\n");
  // Read as Vemdrol.cnt, written as Vemdrol.Cnt: still one file.
  EXPECT_EQ(bytesOf(L"VEMDROL.CNT"), expected);
}

}  // namespace
}  // namespace vemdrol
