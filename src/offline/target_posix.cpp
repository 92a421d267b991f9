#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "base/utf16.h"
#include "formats/registry/registry_tree.h"
#include "formats/registry/wine_registry.h"
#include "offline/hive.h"
#include "offline/subtree_registry.h"
#include "offline/target.h"
#include "os/memory/classes_registry.h"
#include "os/posix/errors.h"

namespace vemdrol {
namespace {

constexpr int unusable = EINVAL;

// Paths are shown as they are, their bytes as UTF-8 where they are UTF-8 and
// as U+FFFD where not.
Text shown(std::string_view bytes) {
  Text text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = lead < 0x80             ? 1
                         : (lead & 0xE0) == 0xC0 ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                         : (lead & 0xF8) == 0xF0 ? 4
                                                 : 0;
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1F
                    : length == 3 ? lead & 0x0F
                                  : lead & 0x07;
    bool valid = length != 0 && length <= bytes.size() - i;
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    if (!valid) {
      text.push_back(L'\uFFFD');
      ++i;
      continue;
    }
    text.push_back(static_cast<wchar_t>(code));
    i += length;
  }
  return text;
}

// A file of the target that could not be read, and why: the reader's fault
// or the system's reason, worded where it is shown.
Error cannotRead(const std::string& file, Error why) {
  why.path = shown(file);
  return why;
}

Error cannotRead(const std::string& file, int number) {
  return cannotRead(file, fileReadError(number));
}

// A fault of the target itself, naming its folder or file; number is the
// system's reason, 0 where it gave none.
Error targetError(Fault fault, int number, const std::string& path, Text subject = Text()) {
  Error error = number != 0 ? posixError(number) : Error{};
  error.fault = fault;
  error.subject = std::move(subject);
  error.path = shown(path);
  return error;
}

std::optional<std::string> realPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
}

bool isFolder(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool inside(const std::string& root, const std::string& path) {
  if (root == "/") return !path.empty() && path.front() == '/';
  return path == root || (path.starts_with(root) && path[root.size()] == '/');
}

// A path of the target as this machine spells it; for the messages.
std::string nativeOf(const PosixFileSystem& files, TextView path) {
  Result<std::string> native = files.nativePath(path);
  return native ? native.value() : std::string();
}

bool exists(PosixFileSystem& files, TextView path, bool folder) {
  Result<std::optional<FileAttributes>> attributes = files.attributesOf(path);
  return attributes && attributes.value() && attributes.value()->directory == folder;
}

Text stringOf(const RegistryData& data) {
  if (data.type != registryTypeSz && data.type != registryTypeExpandSz) return Text();
  Text text = fromUtf16Le(data.bytes);
  text.resize(std::min(text.size(), text.find(L'\0')));
  return text;
}

// Why a prefix's drive_c cannot be its drive C:, if it cannot: missing, a
// link that leads out of the prefix (which the confined file system would
// not follow), or a folder that may not be read.
std::optional<Error> unusableDriveC(const std::string& prefix) {
  const std::string driveC = prefix + "/drive_c";
  struct stat status;
  if (::lstat(driveC.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    const std::optional<std::string> leadsTo = realPath(driveC);
    if (leadsTo && !inside(prefix, *leadsTo)) {
      return targetError(Fault::driveCOutside, 0, driveC, shown(*leadsTo));
    }
  }
  if (!isFolder(driveC)) return targetError(Fault::driveCMissing, ENOENT, driveC);
  DIR* listing = ::opendir(driveC.c_str());
  if (!listing) return targetError(Fault::folderUnreadable, errno, driveC);
  ::closedir(listing);
  return std::nullopt;
}

// The first folder on the way from the target's root to a Windows
// installation's hive that exists but may not be listed.
std::optional<Error> unreadableOnTheWay(PosixFileSystem& files, const std::string& given) {
  static constexpr std::pair<TextView, std::string_view> way[] = {
      {L"C:\\", ""},
      {L"C:\\Windows", "/Windows"},
      {L"C:\\Windows\\System32", "/Windows/System32"},
      {L"C:\\Windows\\System32\\config", "/Windows/System32/config"},
  };
  for (const auto& [folder, below] : way) {
    Result<std::vector<Text>> listed = files.listFiles(folder);
    if (listed) continue;
    const long number = listed.error().number;
    if (number == ENOENT || number == ENOTDIR) return std::nullopt;
    const std::string native = nativeOf(files, folder);
    return targetError(Fault::folderUnreadable, static_cast<int>(number),
                       native.empty() ? given + std::string(below) : native);
  }
  return std::nullopt;
}

// The drive letters of a prefix: C: is drive_c, the others come from the
// links in dosdevices.
PosixFileSystem::DriveTable wineDrives(const std::string& prefix, const std::string& driveC) {
  PosixFileSystem::DriveTable drives{{L'C', driveC}};
  const std::string devices = prefix + "/dosdevices";
  DIR* folder = ::opendir(devices.c_str());
  if (!folder) return drives;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view name = entry->d_name;
    if (name.size() != 2 || name[1] != ':') continue;
    const char letter = static_cast<char>(name[0] & ~0x20);
    // Z: is Wine's view of the whole machine, and C: is drive_c already.
    if (letter < 'A' || letter > 'Z' || letter == 'Z' || letter == 'C') continue;
    const std::optional<std::string> target = realPath(devices + "/" + std::string(name));
    if (!target || !isFolder(*target) || !inside(prefix, *target)) continue;
    drives[static_cast<wchar_t>(letter)] = *target;
  }
  ::closedir(folder);
  return drives;
}

// The names of the folders in a folder of the target, sorted; links and
// the folders that hold no user passed over.
std::vector<Text> profileFolders(PosixFileSystem& files, TextView folder) {
  std::vector<Text> names;
  const std::string native = nativeOf(files, folder);
  if (native.empty()) return names;
  DIR* listing = ::opendir(native.c_str());
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status;
    const std::string path = native + "/" + name;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) continue;
    const Text shownName = shown(name);
    bool noUser = false;
    for (TextView other : {L"Public", L"Default", L"Default User", L"All Users"}) {
      noUser |= equalNoCase(shownName, other);
    }
    if (!noUser) names.push_back(shownName);
  }
  ::closedir(listing);
  std::sort(names.begin(), names.end(), LessNoCase());
  return names;
}

std::unique_ptr<Registry> placed(RegistryRoot root, TextView path, RegistryTree tree) {
  auto registry = std::make_unique<SubtreeRegistry>();
  registry->place(root, path, std::make_shared<const RegistryTree>(std::move(tree)));
  return registry;
}

// The prefix's user: user.reg, named by the user's folder. Wine names the
// folder after the user it runs as, which user.reg's logon values record.
void readWineUser(OfflineTarget& target, const TargetReading& reading) {
  PosixFileSystem& files = *target.files;
  if (!exists(files, L"C:\\user.reg", false)) return;
  const std::string userReg = nativeOf(files, L"C:\\user.reg");
  Result<std::string> bytes = files.readFile(L"C:\\user.reg");
  if (!bytes) {
    target.warnings.push_back(cannotRead(userReg, static_cast<int>(bytes.error().number)));
    return;
  }
  std::vector<Text> kept = reading.userSubtrees;
  kept.emplace_back(L"Volatile Environment");
  Result<RegistryTree> tree = readWineSubtrees(bytes.value(), kept);
  if (!tree) {
    target.warnings.push_back(cannotRead(userReg, tree.error()));
    return;
  }
  const RegistryTree::Node logon = tree.value().walk(u"Volatile Environment");
  const std::optional<RegistryData> userName =
      logon == RegistryTree::noNode ? std::nullopt : tree.value().value(logon, u"USERNAME");
  const Text loggedOn = userName ? stringOf(*userName) : Text();
  const std::vector<Text> folders = profileFolders(files, L"C:\\drive_c\\users");
  Text name = folders.empty() ? loggedOn : folders.front();
  for (const Text& folder : folders) {
    if (equalNoCase(folder, loggedOn)) name = folder;
  }
  target.users.push_back(OfflineUser{
      std::move(name), placed(RegistryRoot::currentUser, L"", std::move(tree).value())});
}

Result<OfflineTarget> openWinePrefix(OfflineTarget target, const TargetReading& reading) {
  PosixFileSystem& files = *target.files;
  const std::string systemReg = nativeOf(files, L"C:\\system.reg");
  Result<std::string> bytes = files.readFile(L"C:\\system.reg");
  if (!bytes) return cannotRead(systemReg, static_cast<int>(bytes.error().number));
  if (std::optional<Error> refused = unusableDriveC(target.folder)) return *refused;
  const std::string driveC = nativeOf(files, L"C:\\drive_c");

  Result<WineMachine> machine = readWineMachine(bytes.value(), reading.machineSubtrees);
  bytes = std::string();
  if (!machine) return cannotRead(systemReg, machine.error());

  target.kind = TargetKind::winePrefix;
  target.windowsFolder = L"C:\\windows";
  target.computerName = std::move(machine.value().computerName);
  target.registry = std::make_unique<ClassesRegistry>(
      reading.classes ? std::move(machine.value().classes) : RegistryTree());
  if (!reading.machineSubtrees.empty()) {
    target.machine = placed(RegistryRoot::localMachine, L"", std::move(machine.value().subtrees));
  }
  // Read while C: is still the prefix's own folder.
  if (!reading.userSubtrees.empty()) readWineUser(target, reading);
  target.drives = wineDrives(target.folder, driveC);
  target.files = std::make_unique<PosixFileSystem>(target.drives, target.folder);
  return target;
}

// The paths of HKEY_LOCAL_MACHINE below "Software", as paths of the
// SOFTWARE hive.
std::vector<Text> softwarePaths(const std::vector<Text>& machinePaths) {
  std::vector<Text> paths;
  for (const Text& path : machinePaths) {
    if (equalNoCase(path, L"Software")) {
      paths.emplace_back();
    } else if (startsWithNoCase(path, L"Software\\")) {
      paths.push_back(path.substr(9));
    }
  }
  return paths;
}

// Every profile with an NTUSER.DAT, and its classes where it has them.
void readWindowsUsers(OfflineTarget& target, const TargetReading& reading) {
  PosixFileSystem& files = *target.files;
  // The user's classes are HKEY_CURRENT_USER\Software\Classes.
  std::vector<Text> classesPaths;
  for (const Text& path : reading.userSubtrees) {
    if (startsWithNoCase(path, L"Software\\Classes\\")) classesPaths.push_back(path.substr(17));
  }
  for (const Text& name : profileFolders(files, L"C:\\Users")) {
    const Text profile = L"C:\\Users\\" + name;
    if (!exists(files, profile + L"\\NTUSER.DAT", false)) continue;
    const std::string ntuser = nativeOf(files, profile + L"\\NTUSER.DAT");
    Result<RegistryTree> tree = readHiveFileSubtrees(ntuser, reading.userSubtrees);
    if (!tree) {
      target.warnings.push_back(cannotRead(ntuser, tree.error()));
      continue;
    }
    auto registry = std::make_unique<SubtreeRegistry>();
    registry->place(RegistryRoot::currentUser, L"",
                    std::make_shared<const RegistryTree>(std::move(tree).value()));
    const Text classes = profile + L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
    if (!classesPaths.empty() && exists(files, classes, false)) {
      const std::string native = nativeOf(files, classes);
      Result<RegistryTree> classesTree = readHiveFileSubtrees(native, classesPaths);
      if (classesTree) {
        registry->place(RegistryRoot::currentUser, L"Software\\Classes",
                        std::make_shared<const RegistryTree>(std::move(classesTree).value()));
      } else {
        target.warnings.push_back(cannotRead(native, classesTree.error()));
      }
    }
    target.users.push_back(OfflineUser{name, std::move(registry)});
  }
}

Result<Text> windowsComputerName(PosixFileSystem& files) {
  constexpr TextView systemHive = L"C:\\Windows\\System32\\config\\SYSTEM";
  if (!exists(files, systemHive, false)) return Text();
  const std::string system = nativeOf(files, systemHive);
  // Without CurrentControlSet, which only a running system has, Select's
  // value Current names the control set in use.
  Result<std::optional<RegistryData>> current = readHiveValue(system, L"Select", L"Current");
  if (!current) return cannotRead(system, current.error());
  if (!current.value() || current.value()->type != registryTypeDword ||
      current.value()->bytes.size() != 4) {
    return Text();
  }
  const std::string& number = current.value()->bytes;
  const unsigned set = static_cast<unsigned char>(number[0]) |
                       static_cast<unsigned char>(number[1]) << 8 |
                       static_cast<unsigned char>(number[2]) << 16 |
                       static_cast<unsigned>(static_cast<unsigned char>(number[3])) << 24;
  wchar_t key[64];
  std::swprintf(key, 64, L"ControlSet%03u\\Control\\ComputerName\\ComputerName", set);
  Result<std::optional<RegistryData>> name = readHiveValue(system, key, L"ComputerName");
  if (!name) return cannotRead(system, name.error());
  return name.value() ? stringOf(*name.value()) : Text();
}

Result<OfflineTarget> openWindows(OfflineTarget target, const std::optional<Text>& userName,
                                  const TargetReading& reading) {
  PosixFileSystem& files = *target.files;
  const std::string software = nativeOf(files, L"C:\\Windows\\System32\\config\\SOFTWARE");
  Result<RegistryTree> machine =
      reading.classes ? readHiveTree(software, L"Classes") : Result<RegistryTree>(RegistryTree());
  if (!machine) return cannotRead(software, machine.error());
  if (!reading.machineSubtrees.empty()) {
    Result<RegistryTree> subtrees =
        readHiveFileSubtrees(software, softwarePaths(reading.machineSubtrees));
    if (!subtrees) return cannotRead(software, subtrees.error());
    target.machine = placed(RegistryRoot::localMachine, L"Software", std::move(subtrees).value());
  }

  std::optional<RegistryTree> user;
  if (userName && reading.classes) {
    if (userName->empty() || *userName == L"." || *userName == L".." ||
        userName->find_first_of(L"\\/:") != Text::npos || userName->find(L'\0') != Text::npos) {
      return faultError(Fault::badUserName, unusable, *userName);
    }
    const Text classes =
        L"C:\\Users\\" + *userName + L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
    const std::string native = nativeOf(files, classes);
    if (!exists(files, classes, false)) {
      return cannotRead(native.empty() ? target.folder + "/Users" : native, ENOENT);
    }
    Result<RegistryTree> tree = readHiveTree(native, L"");
    if (!tree) return cannotRead(native, tree.error());
    user = std::move(tree).value();
  }

  Result<Text> computerName = windowsComputerName(files);
  if (!computerName) return computerName.error();

  target.kind = TargetKind::windowsInstallation;
  target.windowsFolder = L"C:\\Windows";
  target.computerName = std::move(computerName).value();
  target.registry = std::make_unique<ClassesRegistry>(std::move(machine).value(), std::move(user));
  if (!reading.userSubtrees.empty()) readWindowsUsers(target, reading);
  return target;
}

}  // namespace

Result<OfflineTarget> openTarget(const std::string& path, const std::optional<Text>& userName,
                                 const TargetReading& reading) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) {
    const int number = errno;
    if (number == ENOENT || number == ENOTDIR) {
      return targetError(Fault::targetMissing, number, path);
    }
    return targetError(Fault::folderUnreadable, number, path);
  }
  if (S_ISREG(status.st_mode)) return targetError(Fault::targetIsFile, ENOTDIR, path);
  const std::optional<std::string> folder = realPath(path);
  if (!folder || !S_ISDIR(status.st_mode)) return targetError(Fault::notATarget, 0, path);
  OfflineTarget target;
  target.folder = *folder;
  target.drives = {{L'C', *folder}};
  target.files = std::make_unique<PosixFileSystem>(target.drives, *folder);
  try {
    if (exists(*target.files, L"C:\\system.reg", false))
      return openWinePrefix(std::move(target), reading);
    if (exists(*target.files, L"C:\\Windows\\System32\\config\\SOFTWARE", false)) {
      return openWindows(std::move(target), userName, reading);
    }
  } catch (const std::bad_alloc&) {
    return fileReadError(ENOMEM);
  }
  // Neither, as far as could be seen: a folder on the way to the hive that
  // may not be read is the reason.
  if (std::optional<Error> unreadable = unreadableOnTheWay(*target.files, path)) {
    return *unreadable;
  }
  return targetError(Fault::notATarget, 0, path);
}

}  // namespace vemdrol
