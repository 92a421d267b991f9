#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "base/utf16.h"
#include "files/error_message.h"
#include "inventory/builder.h"
#include "inventory/recording_display.h"
#include "offline/target.h"
#include "offline_machine.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

// The test folders' paths are ASCII.
Text textOf(const std::string& path) { return Text(path.begin(), path.end()); }

class TargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-target-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& relative) const { return (folder_ / relative).string(); }

  void write(const std::string& relative, std::string_view bytes) const {
    fs::create_directories((folder_ / relative).parent_path());
    std::ofstream out(folder_ / relative, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // A prefix whose system.reg holds .txt and the computer name.
  void prefix(const std::string& name) const {
    write(name + "/system.reg",
          "WINE REGISTRY Version 2\n#arch=win64\n\n[Software\\\\Classes\\\\.txt]\n@=\"txtfile\"\n"
          "[System\\\\CurrentControlSet\\\\Control\\\\ComputerName\\\\ComputerName]\n"
          "\"ComputerName\"=\"WINEBOX\"\n");
    fs::create_directories(folder_ / name / "drive_c");
  }

  fs::path folder_;
};

std::optional<Text> defaultOf(Registry& registry, TextView key) {
  auto opened = registry.open(RegistryRoot::classesRoot, key);
  if (!opened) return std::nullopt;
  auto value = opened->defaultValue();
  if (!value.ok() || !value.value()) return Text();
  const Text text = fromUtf16Le(value.value()->bytes);
  return text.substr(0, text.find(L'\0'));
}

TEST_F(TargetTest, OpensAWinePrefixWithTheDrivesItLinks) {
  prefix("prefix");
  write("prefix/data/inside.txt", "d");
  write("elsewhere/outside.txt", "e");
  const fs::path devices = folder_ / "prefix" / "dosdevices";
  fs::create_directories(devices);
  fs::create_directory_symlink("../drive_c", devices / "c:");
  fs::create_directory_symlink("../data", devices / "d:");
  fs::create_directory_symlink(folder_ / "elsewhere", devices / "e:");
  fs::create_directory_symlink("../missing", devices / "f:");
  fs::create_directory_symlink("/", devices / "z:");
  fs::create_directory_symlink("../data", devices / "g::");

  Result<OfflineTarget> target = openTarget(path("prefix") + "/");
  ASSERT_TRUE(target.ok()) << target.error().description.size();
  OfflineTarget& opened = target.value();
  EXPECT_EQ(opened.kind, TargetKind::winePrefix);
  EXPECT_EQ(opened.folder, path("prefix"));
  EXPECT_EQ(opened.computerName, L"WINEBOX");
  EXPECT_EQ(defaultOf(*opened.registry, L".TXT"), L"txtfile");
  EXPECT_EQ(opened.drives, (PosixFileSystem::DriveTable{{L'C', path("prefix/drive_c")},
                                                        {L'D', path("prefix/data")}}));
  EXPECT_EQ(opened.files->readFile(L"D:\\Inside.txt").value(), "d");
  EXPECT_FALSE(opened.files->readFile(L"E:\\outside.txt").ok());
  EXPECT_FALSE(opened.files->readFile(L"C:\\..\\..\\elsewhere\\outside.txt").ok());
}

TEST_F(TargetTest, NamesWhatCannotBeRead) {
  fs::create_directories(folder_ / "empty");
  write("file", "not a folder");
  prefix("damaged");
  write("damaged/system.reg", "WINE REGISTRY Version 2\n[Software\\\\Classes\\\\A]\n@=\"cut");
  prefix("nodrive");
  fs::remove(folder_ / "nodrive" / "drive_c");
  prefix("leaving");
  fs::remove(folder_ / "leaving" / "drive_c");
  fs::create_directories(folder_ / "elsewhere");
  fs::create_directory_symlink(folder_ / "elsewhere", folder_ / "leaving" / "drive_c");
  prefix("linked");
  fs::remove(folder_ / "linked" / "drive_c");
  fs::create_directories(folder_ / "linked" / "disk");
  fs::create_directory_symlink("disk", folder_ / "linked" / "drive_c");
  write("windows/WINDOWS/system32/Config/software", std::string(0x3000, 'x'));
  write("users/Windows/System32/config/SOFTWARE", systemHive(L"x").bytes);

  const auto message = [](const Result<OfflineTarget>& target) {
    return target.ok() ? Text(L"(opened)") : errorText(target.error());
  };
  const struct {
    std::string target;
    Text said;
  } cases[] = {
      {"none", L"フォルダー " + textOf(path("none")) + L" がありません"},
      {"file/below", L"フォルダー " + textOf(path("file/below")) + L" がありません"},
      {"file",
       L"対象 " + textOf(path("file")) + L" はフォルダーではなくファイルです (Not a directory)"},
      {"empty", L"フォルダー " + textOf(path("empty")) +
                    L" は Wine のプレフィックスでも Windows のフォルダーでもありません"},
      {"damaged", L"ファイル " + textOf(path("damaged/system.reg")) +
                      L" を読み込めません: 3 行目: 値の行が正しくありません"},
      {"nodrive", L"フォルダー " + textOf(path("nodrive/drive_c")) + L" がありません"},
      {"leaving", L"フォルダー " + textOf(path("leaving/drive_c")) + L" は対象の外 (" +
                      textOf(path("elsewhere")) + L") を指すリンクです。対象の外は読みません"},
      {"linked", L"(opened)"},
      {"windows", L"ファイル " + textOf(path("windows/WINDOWS/system32/Config/software")) +
                      L" を読み込めません: ハイブ ファイルではないか、壊れています"},
      {"users", L"ファイル " + textOf(path("users/Windows/System32/config/SOFTWARE")) +
                    L" を読み込めません: キー Classes がありません"},
  };
  for (const auto& c : cases) EXPECT_EQ(message(openTarget(path(c.target))), c.said) << c.target;
}

TEST_F(TargetTest, OpensAWindowsInstallationWithTheUsersClasses) {
  HiveKey software{L"ROOT", {}, {{L"Classes", {}, {}}}};
  software.subkeys[0].subkeys = {{L".doc", {{L"", hiveString(L"Word.Document")}}, {}},
                                 {L".txt", {{L"", hiveString(L"txtfile")}}, {}}};
  HiveKey classes{L"S-1-5-21-1_Classes", {}, {}};
  classes.subkeys = {{L".doc", {{L"", hiveString(L"User.Document")}}, {}},
                     {L".user", {{L"", hiveString(L"mine")}}, {}}};
  write("win/windows/system32/config/SOFTWARE", buildHive(software).bytes);
  write("win/windows/system32/config/SYSTEM", systemHive(L"DESKTOP-1").bytes);
  write("win/Users/Taro/AppData/Local/Microsoft/Windows/UsrClass.dat", buildHive(classes).bytes);
  fs::create_directories(folder_ / "win" / "Users" / "Jiro");

  Result<OfflineTarget> machine = openTarget(path("win"));
  ASSERT_TRUE(machine.ok());
  EXPECT_EQ(machine.value().kind, TargetKind::windowsInstallation);
  EXPECT_EQ(machine.value().computerName, L"DESKTOP-1");
  EXPECT_EQ(machine.value().drives, (PosixFileSystem::DriveTable{{L'C', path("win")}}));
  EXPECT_EQ(defaultOf(*machine.value().registry, L".doc"), L"Word.Document");
  EXPECT_FALSE(defaultOf(*machine.value().registry, L".user"));

  Result<OfflineTarget> taro = openTarget(path("win"), Text(L"taro"));
  ASSERT_TRUE(taro.ok());
  EXPECT_EQ(defaultOf(*taro.value().registry, L".doc"), L"User.Document");
  EXPECT_EQ(defaultOf(*taro.value().registry, L".txt"), L"txtfile");
  EXPECT_EQ(defaultOf(*taro.value().registry, L".user"), L"mine");

  Result<OfflineTarget> jiro = openTarget(path("win"), Text(L"Jiro"));
  ASSERT_FALSE(jiro.ok());
  EXPECT_EQ(errorText(jiro.error()),
            L"ファイル " +
                textOf(path("win/Users/Jiro/AppData/Local/Microsoft/Windows/UsrClass.dat")) +
                L" を読み込めません: ファイルがありません");
  Result<OfflineTarget> climbing = openTarget(path("win"), Text(L"..\\Taro"));
  ASSERT_FALSE(climbing.ok());
  EXPECT_EQ(errorText(climbing.error()), L"ユーザー名 ..\\Taro は使えません");
}

// A generated machine in both forms: the builder run over each finds what
// the generator predicts.
TEST_F(TargetTest, TheBuilderFindsTheGeneratedMachineInBothForms) {
  MachineShape shape;
  shape.extensions = 400;
  OfflineMachine machine;
  ASSERT_TRUE(writeOfflineMachine(shape, folder_, machine));
  for (const fs::path& root : {machine.winePrefix, machine.windowsRoot}) {
    Result<OfflineTarget> target = openTarget(root.string());
    ASSERT_TRUE(target.ok()) << root;
    EXPECT_EQ(target.value().computerName, L"VEMDROL-BENCH");
    testing::RecordingDisplay display;
    RegistryListing listing;
    Inventory inventory;
    BuilderParts parts{*target.value().registry, *target.value().files, display, listing};
    EXPECT_TRUE(buildInventory(inventory, parts).ok());
    long long programs = 0;
    long long libraries = 0;
    for (std::size_t i = 0; i < inventory.size(); ++i) {
      ++(startsWithNoCase(inventory.fileType[i], L"*.") ? programs : libraries);
    }
    EXPECT_EQ(programs, machine.summary.programEntries) << root;
    EXPECT_EQ(libraries, machine.summary.libraryEntries) << root;
  }
}

}  // namespace
}  // namespace vemdrol
