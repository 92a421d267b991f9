#include "apps/app_lister.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "formats/apps/app_values.h"
#include "formats/apps/appx_manifest.h"
#include "formats/apps/package_full_name.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

constexpr TextView machineRootName = L"HKEY_LOCAL_MACHINE";
constexpr TextView userRootName = L"HKEY_CURRENT_USER";

// A value's data; nullopt when the key has none or it cannot be read,
// which for a field is the same: nothing to show.
std::optional<RegistryData> valueOf(RegistryKey& key, TextView name) {
  Result<std::optional<RegistryData>> read = key.value(name);
  if (!read) return std::nullopt;
  return std::move(read).value();
}

Text textOf(RegistryKey& key, TextView name) {
  const std::optional<RegistryData> data = valueOf(key, name);
  if (!data) return Text();
  return appText(*data).value_or(Text());
}

bool flagOf(RegistryKey& key, TextView name) {
  const std::optional<RegistryData> data = valueOf(key, name);
  return data && appDword(*data) == 1u;
}

// The subkey names of a key, in the registry's order; a name that cannot be
// told ends the walk, as the registry seam asks.
std::vector<Text> subkeyNames(RegistryKey& key) {
  std::vector<Text> names;
  for (std::uint32_t index = 0;; ++index) {
    Result<std::optional<Text>> name = key.subkeyName(index);
    if (!name || !name.value()) break;
    names.push_back(std::move(*name.value()));
  }
  return names;
}

bool isHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// "{12345678-1234-1234-1234-123456789012}", letter case as it is.
bool isProductCode(TextView name) {
  if (name.size() != 38 || name.front() != L'{' || name.back() != L'}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? name[i] != L'-' : !isHexDigit(name[i])) return false;
  }
  return true;
}

// The release types of updates, which Programs and Features lists under
// installed updates and not among the programs.
bool isUpdateRelease(TextView releaseType) {
  for (TextView update :
       {L"Security Update", L"Update Rollup", L"Hotfix", L"Update", L"Service Pack"}) {
    if (equalNoCase(releaseType, update)) return true;
  }
  return false;
}

Text joinedPath(TextView a, TextView b) {
  Text path(a);
  path += L'\\';
  path += b;
  return path;
}

Text lastPathName(TextView path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.remove_suffix(1);
  const std::size_t separator = path.find_last_of(L"\\/");
  return Text(separator == TextView::npos ? path : path.substr(separator + 1));
}

// An uninstall entry's fields, and whether Programs and Features shows it;
// nullopt for an entry without a display name, which it never shows.
std::optional<InstalledApp> readEntry(RegistryKey& key, TextView keyName) {
  InstalledApp app;
  app.name = textOf(key, L"DisplayName");
  if (app.name.empty()) return std::nullopt;
  app.version = textOf(key, L"DisplayVersion");
  app.publisher = textOf(key, L"Publisher");
  app.installDate = installDateOf(textOf(key, L"InstallDate")).value_or(Text());
  if (const std::optional<RegistryData> size = valueOf(key, L"EstimatedSize")) {
    app.size = estimatedSizeBytes(*size);
  }
  app.location = textOf(key, L"InstallLocation");
  app.uninstall = textOf(key, L"UninstallString");
  const bool windowsInstaller = flagOf(key, L"WindowsInstaller");
  if (windowsInstaller || isProductCode(keyName)) {
    app.kind = AppKind::msi;
    if (isProductCode(keyName)) app.productCode = Text(keyName);
  }
  app.hidden = (app.uninstall.empty() && !windowsInstaller) || flagOf(key, L"SystemComponent") ||
               !textOf(key, L"ParentKeyName").empty() ||
               isUpdateRelease(textOf(key, L"ReleaseType"));
  return app;
}

class Lister {
 public:
  explicit Lister(const AppSources& sources) : sources_(sources) {}

  std::vector<InstalledApp> run() {
    if (sources_.machine) {
      uninstallEntries(*sources_.machine, RegistryRoot::localMachine, RegistryView::bits64, L"64",
                       {});
      uninstallEntries(*sources_.machine, RegistryRoot::localMachine, RegistryView::bits32, L"32",
                       {});
    }
    for (const AppUser& user : sources_.users) {
      if (!user.registry) continue;
      uninstallEntries(*user.registry, RegistryRoot::currentUser, RegistryView::bits64, L"",
                       user.name);
    }
    if (sources_.machine) installerProducts(*sources_.machine);
    for (const AppUser& user : sources_.users) {
      if (user.registry) packages(*user.registry, user.name);
    }
    std::stable_sort(apps_.begin(), apps_.end(), [](const InstalledApp& a, const InstalledApp& b) {
      if (const int names = compareNoCase(a.name, b.name); names != 0) return names < 0;
      if (a.scope != b.scope) return a.scope < b.scope;
      if (const int users = compareNoCase(a.user, b.user); users != 0) return users < 0;
      return compareNoCase(a.source, b.source) < 0;
    });
    return std::move(apps_);
  }

 private:
  void uninstallEntries(Registry& registry, RegistryRoot root, RegistryView view, TextView viewName,
                        TextView user) {
    const std::unique_ptr<RegistryKey> top = registry.openInView(root, uninstallKeyPath, view);
    if (!top) return;
    const Text topPath = joinedPath(
        root == RegistryRoot::localMachine ? machineRootName : userRootName,
        view == RegistryView::bits32 ? wow64Path(root, uninstallKeyPath) : Text(uninstallKeyPath));
    for (const Text& name : subkeyNames(*top)) {
      const Text path = joinedPath(uninstallKeyPath, name);
      const std::unique_ptr<RegistryKey> key = registry.openInView(root, path, view);
      if (!key) continue;
      std::optional<InstalledApp> app = readEntry(*key, name);
      if (!app) continue;
      app->scope = root == RegistryRoot::localMachine ? AppScope::machine : AppScope::user;
      app->user = Text(user);
      app->view = Text(viewName);
      app->source = joinedPath(topPath, name);
      if (!app->productCode.empty()) knownProducts_.insert(foldCase(app->productCode));
      apps_.push_back(std::move(*app));
    }
  }

  // The Installer's own record of its products, by the users that
  // installed them (S-1-5-18, the system, for a product of the machine).
  void installerProducts(Registry& registry) {
    const std::unique_ptr<RegistryKey> userData =
        registry.open(RegistryRoot::localMachine, installerUserDataPath);
    if (!userData) return;
    for (const Text& sid : subkeyNames(*userData)) {
      const Text productsPath = joinedPath(joinedPath(installerUserDataPath, sid), L"Products");
      const std::unique_ptr<RegistryKey> products =
          registry.open(RegistryRoot::localMachine, productsPath);
      if (!products) continue;
      for (const Text& packed : subkeyNames(*products)) {
        const Text productCode = productCodeOfPacked(packed);
        if (productCode.empty() || knownProducts_.count(foldCase(productCode)) > 0) continue;
        const Text path = joinedPath(joinedPath(productsPath, packed), L"InstallProperties");
        const std::unique_ptr<RegistryKey> key = registry.open(RegistryRoot::localMachine, path);
        if (!key) continue;
        std::optional<InstalledApp> app = readEntry(*key, packed);
        if (!app) continue;
        app->kind = AppKind::msi;
        app->productCode = productCode;
        if (sid == L"S-1-5-18") {
          app->scope = AppScope::machine;
          app->view = L"64";
        } else {
          app->scope = AppScope::user;
          app->user = userOfSid(registry, sid);
        }
        app->source = joinedPath(machineRootName, path);
        knownProducts_.insert(foldCase(productCode));
        apps_.push_back(std::move(*app));
      }
    }
  }

  // The profile folder's name of a user, as the offline listing names
  // users too; the SID itself where the machine does not know it.
  static Text userOfSid(Registry& registry, TextView sid) {
    const std::unique_ptr<RegistryKey> profile =
        registry.open(RegistryRoot::localMachine, joinedPath(profileListPath, sid));
    const Text folder = profile ? textOf(*profile, L"ProfileImagePath") : Text();
    const Text name = lastPathName(folder);
    return name.empty() ? Text(sid) : name;
  }

  void packages(Registry& registry, TextView user) {
    const std::unique_ptr<RegistryKey> repository =
        registry.open(RegistryRoot::currentUser, packageRepositoryPath);
    if (!repository) return;
    for (const Text& fullName : subkeyNames(*repository)) {
      const Text path = joinedPath(packageRepositoryPath, fullName);
      const std::unique_ptr<RegistryKey> key = registry.open(RegistryRoot::currentUser, path);
      if (!key) continue;
      const std::optional<PackageFullName> parts = parsePackageFullName(fullName);
      InstalledApp app;
      app.kind = AppKind::store;
      app.scope = AppScope::user;
      app.user = Text(user);
      app.source = joinedPath(joinedPath(userRootName, packageRepositoryPath), fullName);
      app.location = textOf(*key, L"PackageRootFolder");
      if (parts) {
        app.version = parts->version;
        app.view = parts->architecture;
      }
      const std::optional<AppxManifestFacts> manifest = manifestOf(app.location);
      app.name = textOf(*key, L"DisplayName");
      if (app.name.empty() || isIndirect(app.name)) {
        if (manifest && manifest->displayName && !isIndirect(*manifest->displayName)) {
          app.name = *manifest->displayName;
        } else {
          app.name = parts ? parts->name : fullName;
        }
      }
      if (manifest && manifest->publisherName && !isIndirect(*manifest->publisherName)) {
        app.publisher = *manifest->publisherName;
      }
      // Frameworks, resource packages and the system's own packages (kept
      // in the Windows folder) are no applications a user installed.
      const bool resource = parts && !parts->resourceId.empty() && parts->resourceId != L"~";
      app.hidden = resource || (manifest && (manifest->framework || manifest->resourcePackage)) ||
                   inWindowsFolder(app.location);
      apps_.push_back(std::move(app));
    }
  }

  static bool isIndirect(TextView name) {
    return name.starts_with(L"@{") || startsWithNoCase(name, L"ms-resource:");
  }

  static bool inWindowsFolder(TextView folder) {
    // "C:\Windows\SystemApps\...": the second name of the path.
    if (folder.size() < 3 || folder[1] != L':' || folder[2] != L'\\') return false;
    folder.remove_prefix(3);
    return startsWithNoCase(folder, L"Windows\\");
  }

  std::optional<AppxManifestFacts> manifestOf(TextView folder) {
    if (!sources_.files || folder.empty()) return std::nullopt;
    Result<std::string> bytes = sources_.files->readFile(joinedPath(folder, L"AppxManifest.xml"));
    if (!bytes) return std::nullopt;
    Result<AppxManifestFacts> facts = readAppxManifest(bytes.value());
    if (!facts) return std::nullopt;
    return std::move(facts).value();
  }

  const AppSources& sources_;
  std::vector<InstalledApp> apps_;
  // The product codes listed, folded, so that an Installer product is
  // listed once.
  std::unordered_set<Text> knownProducts_;
};

}  // namespace

std::vector<Text> appMachineSubtrees() {
  // Of the Installer's keys only the products: its components, beside
  // them, are many times larger and tell nothing of the applications.
  return {Text(uninstallKeyPath), wow64Path(RegistryRoot::localMachine, uninstallKeyPath),
          Text(installerUserDataPath) + L"\\*\\Products", Text(profileListPath)};
}

std::vector<Text> appUserSubtrees() {
  return {Text(uninstallKeyPath), Text(packageRepositoryPath), L"Volatile Environment"};
}

std::vector<InstalledApp> listInstalledApps(const AppSources& sources) {
  return Lister(sources).run();
}

std::vector<InstalledApp> shownApps(std::vector<InstalledApp> apps, bool all) {
  if (!all) std::erase_if(apps, [](const InstalledApp& app) { return app.hidden; });
  return apps;
}

Text currentUserName(Registry& registry) {
  const std::unique_ptr<RegistryKey> key =
      registry.open(RegistryRoot::currentUser, L"Volatile Environment");
  return key ? textOf(*key, L"USERNAME") : Text();
}

Text productCodeOfPacked(TextView packed) {
  if (packed.size() != 32) return Text();
  for (wchar_t c : packed) {
    if (!isHexDigit(c)) return Text();
  }
  Text code = L"{";
  const auto reversed = [&](std::size_t at, std::size_t length) {
    for (std::size_t i = length; i-- > 0;) code.push_back(packed[at + i]);
  };
  reversed(0, 8);
  code += L'-';
  reversed(8, 4);
  code += L'-';
  reversed(12, 4);
  code += L'-';
  for (std::size_t at = 16; at < 32; at += 2) {
    if (at == 20) code += L'-';
    code.push_back(packed[at + 1]);
    code.push_back(packed[at]);
  }
  code += L'}';
  // Product codes are written in upper case, as the Installer writes them.
  for (wchar_t& c : code) {
    if (c >= L'a' && c <= L'f') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return code;
}

}  // namespace vemdrol
