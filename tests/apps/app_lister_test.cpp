#include "apps/app_lister.h"

#include <gtest/gtest.h>

#include <map>

#include "apps/app_fields.h"
#include "apps/app_state.h"
#include "base/utf16.h"
#include "formats/limits.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"

namespace vemdrol {
namespace {

constexpr TextView repository = packageRepositoryPath;

RegistryData text(TextView value) {
  return {registryTypeSz, toUtf16Le(value) + std::string(2, '\0')};
}
RegistryData dword(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return {registryTypeDword, bytes};
}

using Values = std::map<Text, RegistryData>;

void entry(MemoryRegistry& registry, RegistryRoot root, TextView path, const Values& values) {
  ASSERT_TRUE(registry.addKey(root, path));
  for (const auto& [name, data] : values)
    ASSERT_TRUE(registry.setNamedValue(root, path, name, data));
}

Text under(TextView path, TextView name) { return Text(path) + L"\\" + Text(name); }

// Each entry as the fields a test looks at, by its source.
std::map<Text, AppTexts> bySource(const std::vector<InstalledApp>& apps) {
  std::map<Text, AppTexts> found;
  for (const InstalledApp& app : apps) {
    AppTexts texts = appTexts(app);
    texts[static_cast<std::size_t>(AppField::source)] = app.hidden ? L"hidden" : L"shown";
    found[app.source] = texts;
  }
  return found;
}

class AppListerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Text machine = Text(uninstallKeyPath);
    const Text wow = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    entry(registry_, RegistryRoot::localMachine, under(machine, L"Editor"),
          {{L"DisplayName", text(L"エディター ©")},
           {L"DisplayVersion", text(L"2.1")},
           {L"Publisher", text(L"Contoso")},
           {L"InstallDate", text(L"20261207")},
           {L"EstimatedSize", dword(2048)},
           {L"InstallLocation", text(L"C:\\Program Files\\Editor")},
           {L"UninstallString", text(L"\"C:\\Program Files\\Editor\\uninst.exe\"")}});
    entry(registry_, RegistryRoot::localMachine,
          under(machine, L"{11111111-2222-3333-4444-555555555555}"),
          {{L"DisplayName", text(L"Runtime")}, {L"WindowsInstaller", dword(1)}});
    entry(registry_, RegistryRoot::localMachine, under(machine, L"Driver"),
          {{L"DisplayName", text(L"Driver core")},
           {L"UninstallString", text(L"x")},
           {L"SystemComponent", dword(1)}});
    entry(registry_, RegistryRoot::localMachine, under(machine, L"KB1"),
          {{L"DisplayName", text(L"Update for Editor")},
           {L"UninstallString", text(L"x")},
           {L"ParentKeyName", text(L"Editor")}});
    entry(registry_, RegistryRoot::localMachine, under(machine, L"KB2"),
          {{L"DisplayName", text(L"Hotfix")},
           {L"UninstallString", text(L"x")},
           {L"ReleaseType", text(L"security update")}});
    entry(registry_, RegistryRoot::localMachine, under(machine, L"NoCommand"),
          {{L"DisplayName", text(L"Left behind")}});
    entry(registry_, RegistryRoot::localMachine, under(machine, L"NoName"),
          {{L"UninstallString", text(L"x")}});
    // Every field damaged, the name aside.
    entry(registry_, RegistryRoot::localMachine, under(machine, L"Damaged"),
          {{L"DisplayName", text(L"Damaged")},
           {L"DisplayVersion", dword(5)},
           {L"Publisher", text(Text(maxAppTextLength + 1, L'p'))},
           {L"InstallDate", text(L"20230229")},
           {L"EstimatedSize", RegistryData{registryTypeQword, std::string(8, '\xFF')}},
           {L"InstallLocation", RegistryData{registryTypeSz, "odd"}},
           {L"UninstallString", text(L"u")},
           {L"SystemComponent", text(L"1")}});
    entry(registry_, RegistryRoot::localMachine, under(wow, L"Old"),
          {{L"DisplayName", text(L"Old tool")}, {L"UninstallString", text(L"o")}});
    entry(registry_, RegistryRoot::currentUser, under(machine, L"Vpn"),
          {{L"DisplayName", text(L"VPN")},
           {L"UninstallString", text(L"v")},
           {L"InstallLocation", text(L"C:\\Users\\taro\\AppData\\Local\\Vpn")}});
    entry(registry_, RegistryRoot::currentUser, L"Volatile Environment",
          {{L"USERNAME", text(L"taro")}});

    // The Installer's own keys: one product the uninstall entries list,
    // one they do not.
    const Text products = Text(installerUserDataPath) + L"\\S-1-5-18\\Products";
    entry(registry_, RegistryRoot::localMachine,
          products + L"\\11111111222233334444555555555555\\InstallProperties",
          {{L"DisplayName", text(L"Runtime again")}});
    entry(registry_, RegistryRoot::localMachine,
          products + L"\\FEDCBA9810325476A8B9CADBECFD0F1E\\InstallProperties",
          {{L"DisplayName", text(L"Hidden product")}, {L"WindowsInstaller", dword(1)}});
    entry(registry_, RegistryRoot::localMachine,
          Text(installerUserDataPath) +
              L"\\S-1-5-21-9\\Products\\0123456789ABCDEF0123456789ABCDEF\\InstallProperties",
          {{L"DisplayName", text(L"Per-user product")}, {L"UninstallString", text(L"msiexec /x")}});
    entry(registry_, RegistryRoot::localMachine, Text(profileListPath) + L"\\S-1-5-21-9",
          {{L"ProfileImagePath", text(L"C:\\Users\\hanako")}});

    // Store packages.
    entry(registry_, RegistryRoot::currentUser,
          under(repository, L"Contoso.Notes_1.2.3.0_x64__abcdefghijklm"),
          {{L"DisplayName", text(L"@{Contoso.Notes_1.2.3.0_x64__abcdefghijklm?ms-resource://x}")},
           {L"PackageRootFolder", text(L"C:\\Program Files\\WindowsApps\\Notes")}});
    files_.addFile(L"C:\\Program Files\\WindowsApps\\Notes\\AppxManifest.xml",
                   "<Package><Properties><DisplayName>ノート</DisplayName><PublisherDisplayName>"
                   "Contoso</PublisherDisplayName></Properties></Package>");
    entry(registry_, RegistryRoot::currentUser,
          under(repository, L"Contoso.Paint_2.0.0.0_arm64__abcdefghijklm"),
          {{L"DisplayName", text(L"@{Contoso.Paint?ms-resource://x}")},
           {L"PackageRootFolder", text(L"C:\\Program Files\\WindowsApps\\Paint")}});
    entry(registry_, RegistryRoot::currentUser,
          under(repository, L"Microsoft.VCLibs.140_14.0.0.0_x86__8wekyb3d8bbwe"),
          {{L"DisplayName", text(L"VC Libs")},
           {L"PackageRootFolder", text(L"C:\\Program Files\\WindowsApps\\VCLibs")}});
    files_.addFile(L"C:\\Program Files\\WindowsApps\\VCLibs\\AppxManifest.xml",
                   "<Package><Properties><Framework>true</Framework></Properties></Package>");
    entry(registry_, RegistryRoot::currentUser,
          under(repository, L"Microsoft.Shell_1.0.0.0_neutral__cw5n1h2txyewy"),
          {{L"DisplayName", text(L"Shell")},
           {L"PackageRootFolder", text(L"C:\\Windows\\SystemApps\\Shell")}});
  }

  std::vector<InstalledApp> list() {
    return listInstalledApps(AppSources{&registry_, {{L"taro", &registry_}}, &files_});
  }

  MemoryRegistry registry_;
  MemoryFileSystem files_;
};

TEST_F(AppListerTest, EveryEntryOnceWithItsFieldsAndWhetherProgramsAndFeaturesShowsIt) {
  const Text hklm =
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const Text hkcu = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const Text store = L"HKEY_CURRENT_USER\\" + Text(repository) + L"\\";
  const Text installer = L"HKEY_LOCAL_MACHINE\\" + Text(installerUserDataPath) + L"\\";
  // name, version, publisher, date, size, location, uninstall, scope, view,
  // kind, product code, shown.
  const std::map<Text, AppTexts> expected{
      {hklm + L"Editor",
       {L"エディター ©", L"2.1", L"Contoso", L"2026-12-07", L"2097152",
        L"C:\\Program Files\\Editor", L"\"C:\\Program Files\\Editor\\uninst.exe\"", L"machine",
        L"64", L"other", L"", L"shown"}},
      {hklm + L"{11111111-2222-3333-4444-555555555555}",
       {L"Runtime", L"", L"", L"", L"", L"", L"", L"machine", L"64", L"msi",
        L"{11111111-2222-3333-4444-555555555555}", L"shown"}},
      {hklm + L"Driver",
       {L"Driver core", L"", L"", L"", L"", L"", L"x", L"machine", L"64", L"other", L"",
        L"hidden"}},
      {hklm + L"KB1",
       {L"Update for Editor", L"", L"", L"", L"", L"", L"x", L"machine", L"64", L"other", L"",
        L"hidden"}},
      {hklm + L"KB2",
       {L"Hotfix", L"", L"", L"", L"", L"", L"x", L"machine", L"64", L"other", L"", L"hidden"}},
      {hklm + L"NoCommand",
       {L"Left behind", L"", L"", L"", L"", L"", L"", L"machine", L"64", L"other", L"", L"hidden"}},
      {hklm + L"Damaged",
       {L"Damaged", L"", L"", L"", L"", L"", L"u", L"machine", L"64", L"other", L"", L"shown"}},
      {L"HKEY_LOCAL_"
       L"MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Old",
       {L"Old tool", L"", L"", L"", L"", L"", L"o", L"machine", L"32", L"other", L"", L"shown"}},
      {hkcu + L"Vpn",
       {L"VPN", L"", L"", L"", L"", L"C:\\Users\\taro\\AppData\\Local\\Vpn", L"v", L"taro", L"",
        L"other", L"", L"shown"}},
      {installer + L"S-1-5-18\\Products\\FEDCBA9810325476A8B9CADBECFD0F1E\\InstallProperties",
       {L"Hidden product", L"", L"", L"", L"", L"", L"", L"machine", L"64", L"msi",
        L"{89ABCDEF-2301-6745-8A9B-ACBDCEDFF0E1}", L"shown"}},
      {installer + L"S-1-5-21-9\\Products\\0123456789ABCDEF0123456789ABCDEF\\InstallProperties",
       {L"Per-user product", L"", L"", L"", L"", L"", L"msiexec /x", L"hanako", L"", L"msi",
        L"{76543210-BA98-FEDC-1032-547698BADCFE}", L"shown"}},
      {store + L"Contoso.Notes_1.2.3.0_x64__abcdefghijklm",
       {L"ノート", L"1.2.3.0", L"Contoso", L"", L"", L"C:\\Program Files\\WindowsApps\\Notes", L"",
        L"taro", L"x64", L"store", L"", L"shown"}},
      {store + L"Contoso.Paint_2.0.0.0_arm64__abcdefghijklm",
       {L"Contoso.Paint", L"2.0.0.0", L"", L"", L"", L"C:\\Program Files\\WindowsApps\\Paint", L"",
        L"taro", L"arm64", L"store", L"", L"shown"}},
      {store + L"Microsoft.VCLibs.140_14.0.0.0_x86__8wekyb3d8bbwe",
       {L"VC Libs", L"14.0.0.0", L"", L"", L"", L"C:\\Program Files\\WindowsApps\\VCLibs", L"",
        L"taro", L"x86", L"store", L"", L"hidden"}},
      {store + L"Microsoft.Shell_1.0.0.0_neutral__cw5n1h2txyewy",
       {L"Shell", L"1.0.0.0", L"", L"", L"", L"C:\\Windows\\SystemApps\\Shell", L"", L"taro",
        L"neutral", L"store", L"", L"hidden"}},
  };
  const std::vector<InstalledApp> apps = list();
  const std::map<Text, AppTexts> found = bySource(apps);
  EXPECT_EQ(found.size(), apps.size()) << "an entry listed twice";
  for (const auto& [source, texts] : expected) {
    const auto at = found.find(source);
    ASSERT_NE(at, found.end()) << std::string(source.begin(), source.end());
    for (std::size_t field = 0; field < appFieldCount; ++field) {
      EXPECT_EQ(at->second[field], texts[field])
          << std::string(source.begin(), source.end()) << " field " << field;
    }
  }
  EXPECT_EQ(found.size(), expected.size());

  // Ordered by name, and the shown list leaves out the hidden.
  for (std::size_t i = 1; i < apps.size(); ++i) {
    EXPECT_LE(compareNoCase(apps[i - 1].name, apps[i].name), 0);
  }
  const std::vector<InstalledApp> shown = shownApps(apps, false);
  EXPECT_EQ(shown.size(), 9u);
  EXPECT_EQ(shownApps(apps, true).size(), apps.size());
}

TEST_F(AppListerTest, TheStateFileTableGivesTheListBack) {
  const std::vector<InstalledApp> apps = list();
  const std::optional<std::vector<InstalledApp>> back = appsOfStateTable(appsStateTable(apps));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, apps);

  StateTable missing = appsStateTable(apps);
  missing.columns[0] = L"renamed";
  EXPECT_FALSE(appsOfStateTable(missing));
}

TEST(AppLister, TheUsersNameAndTheInstallersPackedCodes) {
  MemoryRegistry registry;
  EXPECT_EQ(currentUserName(registry), L"");
  registry.setNamedValue(RegistryRoot::currentUser, L"Volatile Environment", L"USERNAME",
                         text(L"山田"));
  EXPECT_EQ(currentUserName(registry), L"山田");
  EXPECT_EQ(productCodeOfPacked(L"fedcba9810325476a8b9cadbecfd0f1e"),
            L"{89ABCDEF-2301-6745-8A9B-ACBDCEDFF0E1}");
  EXPECT_EQ(productCodeOfPacked(L"FEDCBA9810325476A8B9CADBECFD0F1"), L"");
  EXPECT_EQ(productCodeOfPacked(L"GEDCBA9810325476A8B9CADBECFD0F1E"), L"");
}

}  // namespace
}  // namespace vemdrol
