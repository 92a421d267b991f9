#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "os/posix/filesystem.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<Text>;

// Each test works in a fresh folder that stands for drive C:.
class PosixFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-fs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    files_ = PosixFileSystem({{L'C', root_.string()}});
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
  }

  fs::path native(std::string_view relative) const { return root_ / fs::path(relative); }

  void write(std::string_view relative, std::string_view bytes) const {
    std::ofstream out(native(relative), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string read(std::string_view relative) const {
    std::ifstream in(native(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Every name in the folder, as the disk spells it, sorted.
  std::vector<std::string> entries(std::string_view relative = "") const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(native(relative))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root_;
  PosixFileSystem files_;
};

Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(PosixFileSystemTest, ListsFilesAndHiddenFilesButNothingElse) {
  write("a.exe", "a");
  write(".hidden.dll", "h");
  fs::create_directory(native("Sub"));
  write("Sub/inner.exe", "i");
  fs::create_symlink(native("a.exe"), native("link.dll"));
  fs::create_symlink(native("gone.exe"), native("dangling.exe"));
  fs::create_directory_symlink(native("Sub"), native("sublink"));
  ASSERT_EQ(::mkfifo(native("pipe.exe").c_str(), 0600), 0);
  write("\xff\xfe.exe", "not UTF-8");

  const auto listed = files_.listFiles(L"C:\\");
  ASSERT_TRUE(listed.ok()) << listed.error().number;
  EXPECT_EQ(sorted(listed.value()), (Names{L".hidden.dll", L"a.exe", L"link.dll"}));

  EXPECT_EQ(files_.listFiles(L"c:\\SUB").value(), (Names{L"inner.exe"}));
  EXPECT_EQ(files_.listFiles(L"C:\\Sub\\").value(), (Names{L"inner.exe"}));
  // In the order Windows lists a folder, by the names in upper case, whatever
  // order the Linux folder keeps them in: "_" comes after the letters.
  for (const char* name : {"b.exe", "A_.dll", "AZ.dll", "a1.ocx", "a.ax"})
    write("Sub/" + std::string(name), "");
  EXPECT_EQ(files_.listFiles(L"C:\\Sub").value(),
            (Names{L"a.ax", L"a1.ocx", L"AZ.dll", L"A_.dll", L"b.exe", L"inner.exe"}));
  EXPECT_FALSE(files_.listFiles(L"C:\\Missing").ok());
  EXPECT_FALSE(files_.listFiles(L"C:\\a.exe").ok());
  EXPECT_FALSE(files_.listFiles(L"D:\\").ok());
}

TEST_F(PosixFileSystemTest, MapsDrivesSeparatorsAndAbsolutePaths) {
  fs::create_directory(native("Sub"));
  write("Sub/inner.exe", "inner");

  EXPECT_EQ(files_.readFile(L"C:\\Sub\\inner.exe").value(), "inner");
  EXPECT_EQ(files_.readFile(L"c:/Sub/inner.exe").value(), "inner");
  EXPECT_EQ(files_.nativePath(L"C:\\Sub\\inner.exe").value(), native("Sub/inner.exe").string());

  Text absolute;
  for (const char c : native("Sub/inner.exe").string()) absolute.push_back(c == '/' ? L'\\' : c);
  EXPECT_EQ(files_.readFile(absolute).value(), "inner");

  EXPECT_FALSE(files_.attributesOf(L"D:\\Sub\\inner.exe").value().has_value());
  EXPECT_FALSE(files_.readFile(L"D:\\Sub\\inner.exe").ok());
  EXPECT_FALSE(PosixFileSystem().attributesOf(L"C:\\Sub\\inner.exe").value().has_value());
}

TEST_F(PosixFileSystemTest, NamesIgnoreLetterCase) {
  fs::create_directory(native("Prog"));
  write("Prog/Vemdrol.cnt", "old");

  EXPECT_EQ(files_.readFile(L"C:\\PROG\\VEMDROL.CNT").value(), "old");
  EXPECT_TRUE(files_.attributesOf(L"c:\\prog\\vemdrol.cnt").value().has_value());

  // Writing under the other spelling replaces the file in place.
  ASSERT_TRUE(files_.replaceFile(L"C:\\Prog\\Vemdrol.Cnt", "new").ok());
  EXPECT_EQ(entries("Prog"), (std::vector<std::string>{"Vemdrol.cnt"}));
  EXPECT_EQ(read("Prog/Vemdrol.cnt"), "new");
  ASSERT_TRUE(files_.appendToFile(L"C:\\prog\\VEMDROL.cnt", "+").ok());
  EXPECT_EQ(read("Prog/Vemdrol.cnt"), "new+");

  // A new file goes into the existing folder under its own spelling.
  ASSERT_TRUE(files_.replaceFile(L"C:\\PROG\\AppSkip.cnt", "skip").ok());
  EXPECT_EQ(read("Prog/AppSkip.cnt"), "skip");

  // Where two names differ only in case, the exact one wins, else the first
  // in byte order.
  write("x.txt", "lower");
  write("X.TXT", "upper");
  EXPECT_EQ(files_.readFile(L"C:\\x.txt").value(), "lower");
  EXPECT_EQ(files_.readFile(L"C:\\X.TXT").value(), "upper");
  EXPECT_EQ(files_.readFile(L"C:\\X.txt").value(), "upper");
}

TEST_F(PosixFileSystemTest, AttributesAreTakenLiterally) {
  write("a.exe", "a");
  write(".config", "c");
  write("locked.dll", "l");
  fs::permissions(native("locked.dll"), fs::perms::owner_read | fs::perms::group_read);
  fs::create_directory(native("Sub"));

  const auto plain = files_.attributesOf(L"C:\\a.exe").value();
  ASSERT_TRUE(plain.has_value());
  EXPECT_FALSE(plain->directory || plain->hidden || plain->system || plain->readOnly);

  EXPECT_FALSE(files_.attributesOf(L"C:\\*.exe").value().has_value());
  EXPECT_FALSE(files_.attributesOf(L"C:\\?.exe").value().has_value());
  EXPECT_FALSE(files_.attributesOf(L"C:\\b.exe").value().has_value());
  EXPECT_FALSE(files_.attributesOf(L"C:\\a.exe\\x").value().has_value());
  EXPECT_FALSE(files_.attributesOf(Text(L"C:\\a.exe\0x", 11)).value().has_value());
  EXPECT_FALSE(files_.attributesOf(L"").value().has_value());

  EXPECT_TRUE(files_.attributesOf(L"C:\\.CONFIG").value()->hidden);
  EXPECT_TRUE(files_.attributesOf(L"C:\\locked.dll").value()->readOnly);
  EXPECT_TRUE(files_.attributesOf(L"C:\\sub").value()->directory);
}

TEST_F(PosixFileSystemTest, FailedReplacementLeavesTheOldFile) {
  write("Vemdrol.cnt", "old");
  write("locked.cnt", "locked");
  fs::permissions(native("locked.cnt"), fs::perms::owner_read);
  fs::create_directory(native("Folder.cnt"));
  write("Folder.cnt/inside.txt", "inside");
  const auto before = entries();

  // The rename onto a folder fails after the new file has been written.
  EXPECT_FALSE(files_.replaceFile(L"C:\\Folder.cnt", "new").ok());
  EXPECT_EQ(read("Folder.cnt/inside.txt"), "inside");

  const Status locked = files_.replaceFile(L"C:\\locked.cnt", "new");
  ASSERT_FALSE(locked.ok());
  EXPECT_EQ(locked.error().number, EACCES);
  EXPECT_EQ(read("locked.cnt"), "locked");
  EXPECT_FALSE(files_.appendToFile(L"C:\\locked.cnt", "new").ok());
  EXPECT_EQ(read("locked.cnt"), "locked");

  EXPECT_FALSE(files_.replaceFile(L"C:\\Missing\\Vemdrol.cnt", "new").ok());
  EXPECT_EQ(entries(), before);  // no new file left behind
}

// A file-size limit stops a write part-way for any user, root included.
TEST_F(PosixFileSystemTest, WriteStoppedPartWayKeepsTheOldContent) {
  write("Vemdrol.cnt", "old content");
  write("AppTrace.TXT", "12345");
  const auto before = entries();

  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 8;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

  const Status replaced = files_.replaceFile(L"C:\\Vemdrol.cnt", "a much longer new content");
  const Status appended = files_.appendToFile(L"C:\\AppTrace.TXT", "67890");

  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previousHandler);

  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error().number, EFBIG);
  EXPECT_FALSE(replaced.error().description.empty());
  EXPECT_EQ(read("Vemdrol.cnt"), "old content");
  EXPECT_EQ(entries(), before);

  ASSERT_FALSE(appended.ok());
  EXPECT_EQ(read("AppTrace.TXT"), "12345678");
}

TEST_F(PosixFileSystemTest, AppendCreatesThenAppends) {
  ASSERT_TRUE(files_.appendToFile(L"C:\\AppTrace.TXT", "開始\r\n").ok());
  ASSERT_TRUE(files_.appendToFile(L"C:\\AppTrace.TXT", "終了\r\n").ok());
  EXPECT_EQ(read("AppTrace.TXT"), "開始\r\n終了\r\n");
  EXPECT_EQ(entries(), (std::vector<std::string>{"AppTrace.TXT"}));

  fs::create_directory(native("Dir"));
  EXPECT_FALSE(files_.appendToFile(L"C:\\Dir", "x").ok());
  EXPECT_FALSE(files_.appendToFile(L"C:\\Missing\\AppTrace.TXT", "x").ok());
}

TEST_F(PosixFileSystemTest, ReadingWhatIsNoFileGivesAnError) {
  const auto missing = files_.readFile(L"C:\\missing.txt");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().number, ENOENT);
  EXPECT_FALSE(missing.error().description.empty());

  fs::create_directory(native("Dir"));
  EXPECT_EQ(files_.readFile(L"C:\\Dir").error().number, EISDIR);
  ASSERT_EQ(::mkfifo(native("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(files_.readFile(L"C:\\pipe").ok());  // refused, not waited on

  write("empty.txt", "");
  EXPECT_EQ(files_.readFile(L"C:\\empty.txt").value(), "");
  const std::string large(300000, 'x');
  write("large.txt", large);
  EXPECT_EQ(files_.readFile(L"C:\\large.txt").value(), large);
}

TEST_F(PosixFileSystemTest, JapaneseNamesAreUtf8OnDisk) {
  write("アプリ.exe", "MZ");
  const auto listed = files_.listFiles(L"C:\\");
  ASSERT_TRUE(listed.ok());
  EXPECT_EQ(listed.value(), (Names{L"アプリ.exe"}));
  EXPECT_EQ(files_.readFile(L"C:\\アプリ.EXE").value(), "MZ");

  ASSERT_TRUE(files_.replaceFile(L"C:\\新規.txt", "new").ok());
  EXPECT_EQ(read("新規.txt"), "new");
  EXPECT_EQ(entries(), (std::vector<std::string>{"アプリ.exe", "新規.txt"}));
}

TEST_F(PosixFileSystemTest, FileInfoTellsSizeAndTimesAsFileTimes) {
  fs::create_directory(native("Sub"));
  write("Sub/App.exe", "0123456789");
  // 2026-12-07 11:28:15.123456789 UTC; FILETIME keeps 100 ns.
  const timespec times[2] = {{1796642895, 0}, {1796642895, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, native("Sub/App.exe").c_str(), times, 0), 0);

  const auto info = files_.fileInfo(L"c:\\sub\\APP.EXE");
  ASSERT_TRUE(info.ok()) << info.error().number;
  EXPECT_EQ(info.value().size, 10u);
  EXPECT_EQ(info.value().lastWrite, 134411164951234567ULL);

  // Its birth, where the file system keeps one: this test made the file.
  struct statx birth;
  ASSERT_EQ(::statx(AT_FDCWD, native("Sub/App.exe").c_str(), 0, STATX_BTIME, &birth), 0);
  if ((birth.stx_mask & STATX_BTIME) != 0) {
    ASSERT_TRUE(info.value().creation);
    const auto seconds = static_cast<long long>(*info.value().creation / 10000000) - 11644473600LL;
    EXPECT_EQ(seconds, birth.stx_btime.tv_sec);
    EXPECT_LE(std::abs(seconds - static_cast<long long>(::time(nullptr))), 60);
  } else {
    EXPECT_FALSE(info.value().creation);
  }

  EXPECT_EQ(files_.fileInfo(L"C:\\Sub").error().number, EISDIR);
  EXPECT_EQ(files_.fileInfo(L"C:\\Sub\\missing.exe").error().number, ENOENT);
  EXPECT_FALSE(files_.fileInfo(L"D:\\Sub\\App.exe").ok());
}

TEST_F(PosixFileSystemTest, ReadsAFilePastFourGigabytesInPieces) {
  // Sparse: 4 GiB of nothing and a tail.
  const std::uint64_t size = (std::uint64_t{1} << 32) + 5;
  { std::ofstream out(native("Big.bin"), std::ios::binary); }
  ASSERT_EQ(::truncate(native("Big.bin").c_str(), static_cast<off_t>(size - 5)), 0);
  {
    std::ofstream out(native("Big.bin"), std::ios::binary | std::ios::app);
    out << "tail!";
  }
  EXPECT_EQ(files_.fileInfo(L"C:\\big.bin").value().size, size);
  EXPECT_EQ(files_.readFile(L"C:\\big.bin").error().number, EFBIG);

  auto reader = files_.openForReading(L"C:\\BIG.BIN");
  ASSERT_TRUE(reader.ok()) << reader.error().number;
  std::string piece(8, '?');
  auto got = reader.value()->readAt(size - 7, piece);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(piece.substr(0, got.value()), std::string("\0\0tail!", 7));
  EXPECT_EQ(reader.value()->readAt(size, piece).value(), 0u);
  EXPECT_EQ(reader.value()->readAt(~std::uint64_t{0}, piece).value(), 0u);

  fs::create_directory(native("Dir"));
  EXPECT_EQ(files_.openForReading(L"C:\\Dir").error().number, EISDIR);
  ASSERT_EQ(::mkfifo(native("pipe").c_str(), 0600), 0);
  EXPECT_EQ(files_.openForReading(L"C:\\pipe").error().number, EINVAL);  // not waited on
  EXPECT_EQ(files_.openForReading(L"C:\\missing").error().number, ENOENT);
}

// Confined to a folder, no path reaches outside it, by ".." or by a link,
// while links that stay inside work as links.
TEST_F(PosixFileSystemTest, ConfinedPathsNeverLeaveTheFolder) {
  fs::create_directories(native("target/Sub"));
  fs::create_directories(native("outside"));
  write("target/inside.txt", "in");
  write("target/Sub/file.exe", "sub");
  write("outside/secret.txt", "secret");
  fs::create_directory_symlink(native("outside"), native("target/out"));
  fs::create_symlink(native("outside/secret.txt"), native("target/secret.exe"));
  fs::create_directory_symlink("Sub", native("target/rel"));
  fs::create_directory_symlink(native("target/Sub"), native("target/abs"));
  fs::create_directory_symlink("..", native("target/up"));
  fs::create_symlink("loop", native("target/loop"));
  fs::create_symlink("Sub/file.exe", native("target/alias.exe"));
  const std::string target = native("target").string();
  PosixFileSystem confined({{L'C', target}, {L'D', native("outside").string()}}, target);

  EXPECT_EQ(confined.readFile(L"C:\\inside.txt").value(), "in");
  EXPECT_EQ(confined.readFile(L"C:\\REL\\File.exe").value(), "sub");
  EXPECT_EQ(confined.readFile(L"c:\\abs\\FILE.EXE").value(), "sub");
  EXPECT_EQ(confined.readFile(L"C:\\Sub\\..\\inside.txt").value(), "in");
  EXPECT_EQ(confined.nativePath(L"C:\\alias.exe").value(), native("target/Sub/file.exe").string());
  Text inside;
  for (const char c : native("target/inside.txt").string()) inside.push_back(c);
  EXPECT_EQ(confined.readFile(inside).value(), "in");

  Text outside;
  for (const char c : native("outside/secret.txt").string()) outside.push_back(c);
  for (const Text& path :
       {Text(L"C:\\out"), Text(L"C:\\out\\secret.txt"), Text(L"C:\\secret.exe"),
        Text(L"C:\\..\\outside\\secret.txt"), Text(L"C:\\up\\outside\\secret.txt"),
        Text(L"C:\\Sub\\..\\..\\outside"), Text(L"C:\\loop"), Text(L"D:\\secret.txt"),
        Text(L"relative.txt"), outside}) {
    EXPECT_FALSE(confined.attributesOf(path).value().has_value());
    EXPECT_FALSE(confined.readFile(path).ok());
  }
  EXPECT_EQ(confined.readFile(L"C:\\secret.exe").error().number, ENOENT);
  EXPECT_FALSE(confined.listFiles(L"C:\\out").ok());
  EXPECT_EQ(sorted(confined.listFiles(L"C:\\").value()), (Names{L"alias.exe", L"inside.txt"}));

  // Not confined, the same links lead out.
  PosixFileSystem open({{L'C', target}});
  EXPECT_EQ(open.readFile(L"C:\\secret.exe").value(), "secret");
  EXPECT_EQ(sorted(open.listFiles(L"C:\\").value()),
            (Names{L"alias.exe", L"inside.txt", L"secret.exe"}));
}

}  // namespace
}  // namespace vemdrol
