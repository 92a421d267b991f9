#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "apps/app_fields.h"
#include "apps/app_lister.h"
#include "base/utf16.h"
#include "files/error_message.h"
#include "offline/target.h"
#include "registry/hive_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

// Puts the values at path below root, the keys on the way made as needed.
void put(HiveKey& root, TextView path, std::vector<HiveValue> values) {
  HiveKey* key = &root;
  while (!path.empty()) {
    const std::size_t separator = path.find(L'\\');
    const Text name(path.substr(0, separator));
    path.remove_prefix(separator == TextView::npos ? path.size() : separator + 1);
    auto found = std::find_if(key->subkeys.begin(), key->subkeys.end(),
                              [&](const HiveKey& k) { return equalNoCase(k.name, name); });
    if (found == key->subkeys.end()) {
      key->subkeys.push_back(HiveKey{name, {}, {}});
      found = key->subkeys.end() - 1;
    }
    key = &*found;
  }
  key->values = std::move(values);
}

std::vector<HiveValue> named(TextView name, TextView uninstall = L"uninstall.exe") {
  return {{L"DisplayName", {registryTypeSz, toUtf16Le(name) + std::string(2, '\0')}},
          {L"UninstallString", {registryTypeSz, toUtf16Le(uninstall) + std::string(2, '\0')}}};
}

class AppsOfflineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-apps-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  void write(const std::string& relative, std::string_view bytes) const {
    fs::create_directories((folder_ / relative).parent_path());
    std::ofstream out(folder_ / relative, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // Each entry as "scope|view|kind|name", sorted, and the warnings.
  std::pair<std::vector<Text>, std::vector<Text>> listed(const std::string& target) {
    const TargetReading reading{false, appMachineSubtrees(), appUserSubtrees()};
    Result<OfflineTarget> opened = openTarget((folder_ / target).string(), std::nullopt, reading);
    EXPECT_TRUE(opened.ok()) << (opened.ok() ? ""
                                             : std::string(opened.error().description.begin(),
                                                           opened.error().description.end()));
    if (!opened.ok()) return {};
    OfflineTarget& machine = opened.value();
    AppSources sources{machine.machine.get(), {}, machine.files.get()};
    for (const OfflineUser& user : machine.users)
      sources.users.push_back({user.name, user.registry.get()});
    std::vector<Text> entries;
    for (const InstalledApp& app : listInstalledApps(sources)) {
      entries.push_back(appField(app, AppField::scope) + L"|" + app.view + L"|" +
                        appField(app, AppField::kind) + L"|" + app.name +
                        (app.hidden ? L"|hidden" : L""));
    }
    std::sort(entries.begin(), entries.end());
    std::vector<Text> warnings;
    for (const Error& warning : machine.warnings) warnings.push_back(errorText(warning));
    return {entries, warnings};
  }

  fs::path folder_;
};

TEST_F(AppsOfflineTest, AWindowsInstallationsMachineBothViewsAndEveryUsersHives) {
  HiveKey software{L"ROOT", {}, {}};
  put(software, L"Classes\\.txt", {{L"", hiveString(L"txtfile")}});
  put(software, L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Editor", named(L"エディター"));
  put(software, L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Driver",
      {{L"DisplayName", hiveString(L"Driver")},
       {L"SystemComponent", {registryTypeDword, std::string("\x01\0\0\0", 4)}}});
  put(software, L"WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Old",
      named(L"Old tool"));
  put(software,
      L"Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\"
      L"FEDCBA9810325476A8B9CADBECFD0F1E\\InstallProperties",
      named(L"Installer only", L"msiexec /x"));
  put(software,
      L"Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\"
      L"00000000000000000000000000000001",
      named(L"Not an application"));
  write("win/Windows/System32/config/SOFTWARE", buildHive(software).bytes);

  HiveKey taro{L"ROOT", {}, {}};
  put(taro, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vpn", named(L"VPN"));
  write("win/Users/taro/NTUSER.DAT", buildHive(taro).bytes);
  HiveKey taroClasses{L"ROOT", {}, {}};
  put(taroClasses,
      L"Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\Repository\\"
      L"Packages\\Contoso.Notes_1.2.3.0_x64__abcdefghijklm",
      {{L"DisplayName", hiveString(L"@{Contoso.Notes?ms-resource://x}")},
       {L"PackageRootFolder", hiveString(L"C:\\Program Files\\WindowsApps\\Notes")}});
  write("win/Users/taro/AppData/Local/Microsoft/Windows/UsrClass.dat",
        buildHive(taroClasses).bytes);
  write("win/Program Files/WindowsApps/Notes/AppxManifest.xml",
        "<Package><Properties><DisplayName>ノート</DisplayName></Properties></Package>");

  HiveKey hanako{L"ROOT", {}, {}};
  put(hanako, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Chat", named(L"Chat"));
  write("win/Users/hanako/NTUSER.DAT", buildHive(hanako).bytes);
  write("win/Users/broken/NTUSER.DAT", "regf but nothing else");
  write("win/Users/Public/NTUSER.DAT", buildHive(hanako).bytes);
  write("win/Users/Default/NTUSER.DAT", buildHive(hanako).bytes);

  const auto [entries, warnings] = listed("win");
  EXPECT_EQ(entries,
            (std::vector<Text>{L"hanako||other|Chat", L"machine|32|other|Old tool",
                               L"machine|64|msi|Installer only", L"machine|64|other|Driver|hidden",
                               L"machine|64|other|エディター", L"taro|x64|store|ノート",
                               L"taro||other|VPN"}));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(L"broken"), Text::npos);
}

TEST_F(AppsOfflineTest, AWinePrefixsSystemAndUserFiles) {
  write(
      "wine/system.reg",
      "WINE REGISTRY Version 2\n#arch=win64\n\n"
      "[Software\\\\Classes\\\\.txt]\n@=\"txtfile\"\n\"Ignored\"=\"x\"\n"
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Wine Mono]\n"
      "\"DisplayName\"=\"Wine Mono \\x30e9\\x30f3\\x30bf\\x30a4\\x30e0\"\n"
      "\"UninstallString\"=\"uninstaller\"\n\"EstimatedSize\"=dword:00000400\n"
      "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Gecko]\n"
      "\"DisplayName\"=\"Wine Gecko\"\n\"UninstallString\"=\"x\"\n");
  write("wine/user.reg",
        "WINE REGISTRY Version 2\n#arch=win64\n\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Mine]\n"
        "\"DisplayName\"=\"Mine\"\n\"UninstallString\"=\"x\"\n"
        "[Volatile Environment]\n\"USERNAME\"=\"root\"\n");
  fs::create_directories(folder_ / "wine/drive_c/users/Public");
  fs::create_directories(folder_ / "wine/drive_c/users/root");
  fs::create_directories(folder_ / "wine/drive_c/users/other");

  // The classes keep their default values alone, the subtrees asked for
  // read beside them or not.
  const TargetReading both{true, appMachineSubtrees(), appUserSubtrees()};
  Result<OfflineTarget> opened = openTarget((folder_ / "wine").string(), std::nullopt, both);
  ASSERT_TRUE(opened.ok());
  const auto txt = opened.value().registry->open(RegistryRoot::classesRoot, L".txt");
  ASSERT_TRUE(txt);
  EXPECT_TRUE(txt->defaultValue().value().has_value());
  EXPECT_FALSE(txt->value(L"Ignored").value().has_value());

  const auto [entries, warnings] = listed("wine");
  EXPECT_EQ(entries,
            (std::vector<Text>{L"machine|32|other|Wine Gecko",
                               L"machine|64|other|Wine Mono ランタイム", L"root||other|Mine"}));
  EXPECT_TRUE(warnings.empty());
}

}  // namespace
}  // namespace vemdrol
