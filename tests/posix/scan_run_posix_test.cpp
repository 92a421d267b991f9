#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/scan_run.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

struct Ran {
  int exit = -1;
  std::string out;
  std::string err;
};

// vemdrol-scan's runs, each in a process of its own that the permission
// bits hold back: as root, it runs as nobody, as a user scanning a disk
// would.
class ScanRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-scan-run-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
  }
  void TearDown() override {
    // What the runs could not read, the test can remove only once it may.
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
      if (!entry.is_symlink()) fs::permissions(entry.path(), fs::perms::owner_all);
    }
    fs::remove_all(folder_);
  }

  std::string path(const std::string& relative) const { return (folder_ / relative).string(); }

  void write(const std::string& relative, std::string_view bytes) const {
    fs::create_directories((folder_ / relative).parent_path());
    std::ofstream out(folder_ / relative, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // A prefix whose .txt files open with C:\windows\notepad.exe.
  void prefix(const std::string& name) const {
    write(name + "/system.reg",
          "WINE REGISTRY Version 2\n#arch=win64\n\n"
          "[Software\\\\Classes\\\\.txt]\n@=\"txtfile\"\n"
          "[Software\\\\Classes\\\\txtfile\\\\shell\\\\open\\\\command]\n"
          "@=\"C:\\\\windows\\\\notepad.exe %1\"\n");
    write(name + "/drive_c/windows/notepad.exe", "MZ");
  }

  Ran run(const std::vector<std::string>& arguments, bool japanese) const {
    Ran ran;
    const std::string out = path("out.txt");
    const std::string err = path("err.txt");
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t child = ::fork();
    if (child == 0) {
      if (::geteuid() == 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
        ::_exit(99);
      }
      // The locale as a user's shell sets it, for the system's reasons.
      ::setenv("LC_ALL", japanese ? "ja_JP.UTF-8" : "C", 1);
      systemReasonsInLanguage(japanese);
      ScanEnvironment environment;
      environment.japanese = japanese;
      environment.outputFd = outFd;
      environment.errorFd = errFd;
      ::_exit(runScanCommand(parseScanArguments(arguments), environment));
    }
    ::close(outFd);
    ::close(errFd);
    int status = 0;
    ::waitpid(child, &status, 0);
    ran.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto read = [](const std::string& file) {
      std::ifstream in(file, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      return bytes.str();
    };
    ran.out = read(out);
    ran.err = read(err);
    return ran;
  }

  fs::path folder_;
};

// Every target that cannot be scanned is named with its own cause, and
// every message of a run is in the run's language, the command line's too.
TEST_F(ScanRunTest, NamesTheCauseInTheLanguageOfTheRun) {
  write("a-file", "x");
  fs::create_directories(folder_ / "locked");
  fs::permissions(folder_ / "locked", fs::perms::none);
  prefix("leaving");
  fs::create_directories(folder_ / "elsewhere");
  fs::rename(folder_ / "leaving" / "drive_c", folder_ / "elsewhere" / "drive_c");
  fs::create_directory_symlink(folder_ / "elsewhere" / "drive_c", folder_ / "leaving" / "drive_c");
  fs::create_directories(folder_ / "empty");
  prefix("no-drive");
  fs::remove_all(folder_ / "no-drive" / "drive_c");
  // A Windows installation whose hives lie in a folder that may not be read.
  fs::create_directories(folder_ / "windows" / "Windows" / "System32" / "config");
  fs::permissions(folder_ / "windows" / "Windows" / "System32" / "config", fs::perms::none);

  const std::string help = "\nTry 'vemdrol-scan --help' for more information.\n";
  const std::string helpJa = "\n詳しくは vemdrol-scan --help をご覧ください\n";
  const struct {
    std::vector<std::string> arguments;
    int exit;
    std::string english;
    std::string japanese;
  } cases[] = {
      {{path("a-file")},
       1,
       "the target " + path("a-file") + " is a file, not a folder (Not a directory)\n",
       "対象 " + path("a-file") +
           " はフォルダーではなくファイルです (ディレクトリではありません)\n"},
      {{path("locked")},
       1,
       "cannot read folder " + path("locked") + ": Permission denied\n",
       "フォルダー " + path("locked") + " を読めません: 許可がありません\n"},
      {{path("leaving")},
       1,
       "folder " + path("leaving/drive_c") + " is a link that leads out of the target (" +
           path("elsewhere/drive_c") + "); nothing outside the target is read\n",
       "フォルダー " + path("leaving/drive_c") + " は対象の外 (" + path("elsewhere/drive_c") +
           ") を指すリンクです。対象の外は読みません\n"},
      {{path("none")},
       1,
       "folder " + path("none") + " does not exist\n",
       "フォルダー " + path("none") + " がありません\n"},
      {{path("empty")},
       1,
       "folder " + path("empty") + " is neither a Wine prefix nor a Windows installation\n",
       "フォルダー " + path("empty") +
           " は Wine のプレフィックスでも Windows のフォルダーでもありません\n"},
      {{path("no-drive")},
       1,
       "folder " + path("no-drive/drive_c") + " does not exist\n",
       "フォルダー " + path("no-drive/drive_c") + " がありません\n"},
      {{path("windows")},
       1,
       "cannot read folder " + path("windows/Windows/System32/config") + ": Permission denied\n",
       "フォルダー " + path("windows/Windows/System32/config") +
           " を読めません: 許可がありません\n"},
      {{"--format"}, 2, "--format needs a value" + help, "--format には形式が必要です" + helpJa},
      {{"--sort", "名前", path("none")},
       2,
       "no column to sort by: 名前" + help,
       "並べ替える列がありません: 名前" + helpJa},
  };
  for (const auto& c : cases) {
    for (const bool japanese : {false, true}) {
      const Ran ran = run(c.arguments, japanese);
      EXPECT_EQ(ran.exit, c.exit) << c.arguments[0];
      EXPECT_EQ(ran.err, "vemdrol-scan: " + (japanese ? c.japanese : c.english));
      EXPECT_EQ(ran.out, "");
    }
  }
}

// A program file that cannot be read keeps its row, is named once and
// counted at the end; the run still succeeds.
TEST_F(ScanRunTest, NamesAndCountsTheFilesItCannotRead) {
  prefix("prefix");
  write("prefix/drive_c/windows/readable.exe", "MZ");
  const fs::path notepad = folder_ / "prefix" / "drive_c" / "windows" / "notepad.exe";
  const std::string native = fs::canonical(notepad).string();
  fs::permissions(notepad, fs::perms::none);

  const struct {
    bool japanese;
    std::string said;
  } cases[] = {
      {false, "vemdrol-scan: cannot read file C:\\windows\\notepad.exe (" + native +
                  "): reading is not permitted\nvemdrol-scan: 1 program file could not be read\n"},
      {true, "vemdrol-scan: ファイル C:\\windows\\notepad.exe (" + native +
                 ") を読めません: 読み取りが許可されていません\n"
                 "vemdrol-scan: 読めなかったプログラム ファイル: 1 個\n"},
  };
  for (const auto& c : cases) {
    const Ran ran = run({"--format", "tsv", path("prefix")}, c.japanese);
    EXPECT_EQ(ran.exit, 0);
    EXPECT_EQ(ran.err, c.said);
    EXPECT_NE(ran.out.find("*.txt\t"), std::string::npos) << ran.out;
    EXPECT_NE(ran.out.find("C:\\windows\\notepad.exe"), std::string::npos) << ran.out;
  }
  fs::permissions(notepad, fs::perms::owner_read | fs::perms::others_read);
  EXPECT_EQ(run({"--format", "tsv", path("prefix")}, false).err, "");
}

}  // namespace
}  // namespace vemdrol
