#include <gtest/gtest.h>

#include <algorithm>

#include "os/memory/filesystem.h"

namespace vemdrol {
namespace {

using Names = std::vector<Text>;

TEST(MemoryFileSystem, ListsOrdinaryAndHiddenFilesInCreationOrder) {
  MemoryFileSystem files;
  files.addFile(L"C:\\App\\b.exe", "b");
  files.addFile(L"C:\\App\\Hidden.dll", "h", {.hidden = true});
  files.addFile(L"C:\\App\\sys.dll", "s", {.system = true});
  files.addFolder(L"C:\\App\\Sub");
  files.addFile(L"C:\\App\\Sub\\deep.exe", "d");
  files.addFile(L"C:\\App\\a.ocx", "a", {.readOnly = true});
  files.addFile(L"C:\\Apps\\other.exe", "o");

  const auto listed = files.listFiles(L"c:\\app\\");
  ASSERT_TRUE(listed.ok());
  EXPECT_EQ(listed.value(), (Names{L"b.exe", L"Hidden.dll", L"a.ocx"}));

  // Replacing a file keeps its place.
  ASSERT_TRUE(files.replaceFile(L"C:\\APP\\B.EXE", "new").ok());
  EXPECT_EQ(files.listFiles(L"C:/App").value(), (Names{L"b.exe", L"Hidden.dll", L"a.ocx"}));

  EXPECT_EQ(files.listFiles(L"C:\\Missing").error().number, 3);
  EXPECT_EQ(files.listFiles(L"C:\\App\\b.exe").error().number, 267);
  EXPECT_FALSE(files.listFiles(L"C:\\App\\*").ok());
}

TEST(MemoryFileSystem, AttributesAreLookedUpLiterallyIgnoringCase) {
  MemoryFileSystem files;
  files.addFile(L"C:\\x\\a.exe", "", {.hidden = true, .readOnly = true});
  files.addFile(L"C:\\x\\Vemdrol.cnt", "");

  const auto exact = files.attributesOf(L"c:\\X\\A.EXE");
  ASSERT_TRUE(exact.ok());
  ASSERT_TRUE(exact.value().has_value());
  EXPECT_TRUE(exact.value()->hidden);
  EXPECT_TRUE(exact.value()->readOnly);
  EXPECT_FALSE(exact.value()->directory);
  EXPECT_FALSE(exact.value()->system);

  EXPECT_TRUE(files.attributesOf(L"C:\\x\\Vemdrol.Cnt").value().has_value());
  EXPECT_TRUE(files.attributesOf(L"C:\\x").value()->directory);
  EXPECT_FALSE(files.attributesOf(L"C:\\x\\*.exe").value().has_value());
  EXPECT_FALSE(files.attributesOf(L"C:\\x\\a.ex?").value().has_value());
  EXPECT_FALSE(files.attributesOf(L"C:\\x\\b.exe").value().has_value());
  EXPECT_FALSE(files.attributesOf(L"").value().has_value());

  ASSERT_TRUE(files.setAttributes(L"C:\\X\\a.exe", {.directory = true, .system = true}));
  const auto changed = files.attributesOf(L"C:\\x\\a.exe").value();
  EXPECT_TRUE(changed->system);
  EXPECT_FALSE(changed->hidden);
  EXPECT_FALSE(changed->directory);  // a file stays a file
  EXPECT_FALSE(files.setAttributes(L"C:\\x\\none", {}));
}

TEST(MemoryFileSystem, ReplaceKeepsTheExistingNameAndReadsBack) {
  MemoryFileSystem files;
  files.addFolder(L"C:\\Prog");
  ASSERT_TRUE(files.replaceFile(L"C:\\Prog\\Vemdrol.cnt", "one\r\n").ok());
  ASSERT_TRUE(files.replaceFile(L"C:\\Prog\\Vemdrol.Cnt", "two\r\n").ok());
  EXPECT_EQ(files.readFile(L"C:\\PROG\\vemdrol.CNT").value(), "two\r\n");
  EXPECT_EQ(files.listFiles(L"C:\\Prog").value(), (Names{L"Vemdrol.cnt"}));

  EXPECT_EQ(files.replaceFile(L"C:\\Nowhere\\a.txt", "x").error().number, 3);
  EXPECT_EQ(files.readFile(L"C:\\Prog\\missing.txt").error().number, 2);
  EXPECT_EQ(files.readFile(L"C:\\Nowhere\\missing.txt").error().number, 3);
  EXPECT_FALSE(files.readFile(L"C:\\Prog\\missing.txt").error().description.empty());
  EXPECT_FALSE(files.readFile(L"C:\\Prog").ok());
}

TEST(MemoryFileSystem, RefusedWritesLeaveTheOldFile) {
  MemoryFileSystem files;
  files.addFile(L"C:\\Prog\\Vemdrol.cnt", "old");
  files.addFile(L"C:\\Prog\\locked.txt", "keep", {.readOnly = true});
  files.addFolder(L"C:\\Prog\\Folder");

  EXPECT_EQ(files.replaceFile(L"C:\\Prog\\locked.txt", "new").error().number, 5);
  EXPECT_EQ(files.appendToFile(L"C:\\Prog\\locked.txt", "new").error().number, 5);
  EXPECT_EQ(files.readFile(L"C:\\Prog\\locked.txt").value(), "keep");
  EXPECT_EQ(files.replaceFile(L"C:\\Prog\\Folder", "new").error().number, 5);
  EXPECT_TRUE(files.attributesOf(L"C:\\Prog\\Folder").value()->directory);
  EXPECT_FALSE(files.replaceFile(L"C:\\Prog\\*.cnt", "new").ok());

  ASSERT_TRUE(files.setAttributes(L"C:\\Prog", {.readOnly = true}));
  EXPECT_EQ(files.replaceFile(L"C:\\Prog\\Vemdrol.cnt", "new").error().number, 5);
  EXPECT_EQ(files.appendToFile(L"C:\\Prog\\AppTrace.TXT", "line").error().number, 5);
  EXPECT_EQ(files.readFile(L"C:\\Prog\\Vemdrol.cnt").value(), "old");
  EXPECT_FALSE(files.attributesOf(L"C:\\Prog\\AppTrace.TXT").value().has_value());
}

TEST(MemoryFileSystem, AFullDiskStopsWritesPartWay) {
  MemoryFileSystem files;
  files.addFile(L"C:\\Prog\\Vemdrol.cnt", "old content");
  files.failWritesAfter(5);

  // A replacement that does not fit leaves the old file whole.
  const Status replaced = files.replaceFile(L"C:\\Prog\\Vemdrol.cnt", "new content");
  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error().number, 112);
  EXPECT_EQ(files.readFile(L"C:\\Prog\\Vemdrol.cnt").value(), "old content");
  EXPECT_EQ(files.listFiles(L"C:\\Prog").value(), (Names{L"Vemdrol.cnt"}));

  // An append keeps what fitted, as a real disk would.
  ASSERT_TRUE(files.appendToFile(L"C:\\Prog\\AppTrace.TXT", "abc").ok());
  const Status appended = files.appendToFile(L"C:\\Prog\\AppTrace.TXT", "defg");
  ASSERT_FALSE(appended.ok());
  EXPECT_EQ(appended.error().number, 112);
  EXPECT_EQ(files.readFile(L"C:\\Prog\\AppTrace.TXT").value(), "abcde");
  EXPECT_FALSE(files.replaceFile(L"C:\\Prog\\x.txt", "1").ok());

  files.clearFaults();
  ASSERT_TRUE(files.appendToFile(L"C:\\Prog\\AppTrace.TXT", "fg").ok());
  EXPECT_EQ(files.readFile(L"C:\\Prog\\AppTrace.TXT").value(), "abcdefg");
}

TEST(MemoryFileSystem, AppendCreatesThenAppends) {
  MemoryFileSystem files;
  files.addFolder(L"C:\\Prog");
  ASSERT_TRUE(files.appendToFile(L"C:\\Prog\\AppTrace.TXT", "first\r\n").ok());
  ASSERT_TRUE(files.appendToFile(L"c:\\prog\\apptrace.txt", "second\r\n").ok());
  EXPECT_EQ(files.readFile(L"C:\\Prog\\AppTrace.TXT").value(), "first\r\nsecond\r\n");
  EXPECT_EQ(files.listFiles(L"C:\\Prog").value(), (Names{L"AppTrace.TXT"}));
  EXPECT_EQ(files.appendToFile(L"C:\\None\\AppTrace.TXT", "x").error().number, 3);
}

TEST(MemoryFileSystem, RemoveTakesAFolderWithItsContents) {
  MemoryFileSystem files;
  files.addFile(L"C:\\A\\B\\c.exe", "c");
  files.addFile(L"C:\\AB\\d.exe", "d");
  EXPECT_TRUE(files.remove(L"c:\\a"));
  EXPECT_FALSE(files.attributesOf(L"C:\\A\\B\\c.exe").value().has_value());
  EXPECT_FALSE(files.attributesOf(L"C:\\A\\B").value().has_value());
  EXPECT_TRUE(files.attributesOf(L"C:\\AB\\d.exe").value().has_value());
  EXPECT_FALSE(files.remove(L"C:\\A"));
}

TEST(MemoryFileSystem, JapaneseNamesAreListedAndRead) {
  MemoryFileSystem files;
  files.addFile(L"C:\\ツール\\アプリ.exe", "MZ");
  EXPECT_EQ(files.listFiles(L"C:\\ツール").value(), (Names{L"アプリ.exe"}));
  EXPECT_EQ(files.readFile(L"C:\\ツール\\アプリ.EXE").value(), "MZ");
}

std::string readAt(FileReader& reader, std::uint64_t offset, std::size_t length) {
  std::string bytes(length, '?');
  const Result<std::size_t> got = reader.readAt(offset, bytes);
  if (!got) return "error " + std::to_string(got.error().number);
  bytes.resize(got.value());
  return bytes;
}

TEST(MemoryFileSystem, ReadsPiecesAndKeepsWhatAReaderOpened) {
  MemoryFileSystem files;
  files.addFile(L"C:\\App\\a.exe", "0123456789");
  ASSERT_TRUE(files.setTimes(L"c:\\app\\A.EXE", 5, std::nullopt));
  const FileInfo info = files.fileInfo(L"C:\\APP\\a.exe").value();
  EXPECT_EQ(info.size, 10u);
  EXPECT_EQ(info.lastWrite, FileTime{5});
  EXPECT_FALSE(info.creation);

  auto reader = files.openForReading(L"C:\\app\\a.exe");
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(readAt(*reader.value(), 3, 4), "3456");
  EXPECT_EQ(readAt(*reader.value(), 8, 4), "89");
  EXPECT_EQ(readAt(*reader.value(), 10, 4), "");
  EXPECT_EQ(readAt(*reader.value(), std::uint64_t{1} << 40, 4), "");

  // Replaced and appended to meanwhile: the open reader still has the old file.
  ASSERT_TRUE(files.replaceFile(L"C:\\App\\a.exe", "new"));
  ASSERT_TRUE(files.appendToFile(L"C:\\App\\a.exe", "er"));
  EXPECT_EQ(readAt(*reader.value(), 0, 4), "0123");
  EXPECT_EQ(readAt(*files.openForReading(L"C:\\App\\a.exe").value(), 0, 10), "newer");
  EXPECT_EQ(files.fileInfo(L"C:\\App\\a.exe").value().size, 5u);

  EXPECT_EQ(files.fileInfo(L"C:\\App\\b.exe").error().number, 2);
  EXPECT_EQ(files.fileInfo(L"C:\\None\\b.exe").error().number, 3);
  EXPECT_EQ(files.fileInfo(L"C:\\App").error().number, 5);
  EXPECT_EQ(files.openForReading(L"C:\\App").error().number, 5);
  EXPECT_EQ(files.openForReading(L"C:\\App\\b.exe").error().number, 2);
  EXPECT_FALSE(files.setTimes(L"C:\\App\\b.exe", 1, 1));
}

TEST(MemoryFileSystem, ALockedFileStillTellsItsMarksSizeAndTimes) {
  MemoryFileSystem files;
  files.addFile(L"C:\\App\\held.dll", "held", {.readOnly = true});
  files.setTimes(L"C:\\App\\held.dll", 7, 3);
  auto before = files.openForReading(L"C:\\App\\held.dll");
  ASSERT_TRUE(files.setLocked(L"C:\\app\\HELD.dll", true));

  EXPECT_EQ(files.readFile(L"C:\\App\\held.dll").error().number, 32);
  EXPECT_EQ(files.openForReading(L"C:\\App\\held.dll").error().number, 32);
  EXPECT_EQ(files.fileInfo(L"C:\\App\\held.dll").value().size, 4u);
  EXPECT_EQ(files.fileInfo(L"C:\\App\\held.dll").value().creation, FileTime{3});
  EXPECT_TRUE(files.attributesOf(L"C:\\App\\held.dll").value()->readOnly);
  EXPECT_EQ(readAt(*before.value(), 0, 8), "held");

  ASSERT_TRUE(files.setLocked(L"C:\\App\\held.dll", false));
  EXPECT_EQ(files.readFile(L"C:\\App\\held.dll").value(), "held");
  EXPECT_FALSE(files.setLocked(L"C:\\App", true));
}

TEST(MemoryFileSystem, GeneratedFilesAreAsLargeAsTheySay) {
  MemoryFileSystem files;
  const std::uint64_t huge = (std::uint64_t{5} << 30) + 3;
  files.addGeneratedFile(L"C:\\Data\\huge.bin", huge,
                         [](std::uint64_t offset, std::span<char> into) {
                           for (std::size_t i = 0; i < into.size(); ++i)
                             into[i] = static_cast<char>('a' + (offset + i) % 26);
                           return true;
                         });
  EXPECT_EQ(files.fileInfo(L"C:\\Data\\huge.bin").value().size, huge);
  auto reader = files.openForReading(L"C:\\Data\\huge.bin");
  ASSERT_TRUE(reader.ok());
  // 5 GiB % 26 == 8: the last three bytes are "ijk".
  EXPECT_EQ(readAt(*reader.value(), huge - 3, 8), "ijk");
  EXPECT_EQ(files.readFile(L"C:\\Data\\huge.bin").error().number, 223);
  EXPECT_EQ(files.appendToFile(L"C:\\Data\\huge.bin", "x").error().number, 5);

  // Just inside and just past the whole-file limit of 1 GiB, without making
  // a gigabyte: a generator that fails gives the read error.
  const auto failing = [](std::uint64_t, std::span<char>) { return false; };
  files.addGeneratedFile(L"C:\\Data\\limit.bin", std::uint64_t{1} << 30, failing);
  files.addGeneratedFile(L"C:\\Data\\past.bin", (std::uint64_t{1} << 30) + 1, failing);
  EXPECT_EQ(files.readFile(L"C:\\Data\\limit.bin").error().number, 30);
  EXPECT_EQ(files.readFile(L"C:\\Data\\past.bin").error().number, 223);
  EXPECT_EQ(readAt(*files.openForReading(L"C:\\Data\\past.bin").value(), 0, 1), "error 30");

  files.addGeneratedFile(L"C:\\Data\\small.bin", 3, [](std::uint64_t offset, std::span<char> into) {
    std::fill(into.begin(), into.end(), static_cast<char>('0' + offset));
    return true;
  });
  EXPECT_EQ(files.readFile(L"C:\\Data\\small.bin").value(), "000");
  ASSERT_TRUE(files.replaceFile(L"C:\\Data\\small.bin", "plain"));
  EXPECT_EQ(files.readFile(L"C:\\Data\\small.bin").value(), "plain");
}

}  // namespace
}  // namespace vemdrol
