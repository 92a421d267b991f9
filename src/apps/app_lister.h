// Lists the installed applications of a machine through the registry seam,
// the same way for the running Windows, a registry in memory and a system
// that is not running (offline/target.h):
//
// - the uninstall entries of HKEY_LOCAL_MACHINE in both views (64-bit and
//   WOW6432Node), and of each user's HKEY_CURRENT_USER;
// - Windows Installer products: an uninstall entry with WindowsInstaller = 1
//   or named by its product code, and the products only the Installer's own
//   keys know (Installer\UserData\SID\Products\PACKED\InstallProperties);
// - each user's Store packages, from the package repository in the user's
//   classes, named from the package's AppxManifest.xml where the name in
//   the registry is an indirect one.
//
// Every entry with a display name is listed once; those Programs and
// Features does not show are marked hidden. A value of the wrong type, or
// damaged, leaves its field empty and costs no other field or entry.
#pragma once

#include <vector>

#include "apps/installed_app.h"
#include "os/filesystem.h"
#include "os/registry.h"

namespace vemdrol {

inline constexpr TextView uninstallKeyPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr TextView installerUserDataPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData";
inline constexpr TextView profileListPath =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline constexpr TextView packageRepositoryPath =
    L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
    L"Repository\\Packages";

// The subtrees the listing reads, for a registry read of a system's files
// (offline/target.h): of HKEY_LOCAL_MACHINE and of each user's
// HKEY_CURRENT_USER.
std::vector<Text> appMachineSubtrees();
std::vector<Text> appUserSubtrees();

struct AppUser {
  // As the 対象 column names the user.
  Text name;
  // Whose HKEY_CURRENT_USER is the user's, HKCU\Software\Classes the
  // user's classes.
  Registry* registry = nullptr;
};

struct AppSources {
  // Whose HKEY_LOCAL_MACHINE is the machine's; nullptr for none.
  Registry* machine = nullptr;
  std::vector<AppUser> users;
  // Where the packages' manifests are read; nullptr: the registry's names
  // only.
  FileSystem* files = nullptr;
};

// Every entry, the hidden ones marked, ordered by name (base/text.h's
// collation), then by user and source.
std::vector<InstalledApp> listInstalledApps(const AppSources& sources);

// The entries Programs and Features shows, or all of them.
std::vector<InstalledApp> shownApps(std::vector<InstalledApp> apps, bool all);

// The name of the user whose HKEY_CURRENT_USER the registry has
// (HKCU\Volatile Environment, USERNAME, which Windows and Wine set at
// logon); empty when it has none.
Text currentUserName(Registry& registry);

// "{GUID}" of the Installer's packed form of a product code (32 hex digits,
// each group reversed); empty for a name that is not one.
Text productCodeOfPacked(TextView packed);

}  // namespace vemdrol
