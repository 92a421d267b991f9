#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/utf16.h"
#include "files/error_message.h"
#include "formats/registry/registry_tree.h"
#include "formats/registry/wine_registry.h"
#include "offline/hive.h"
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

// The message for a file that could not be read, the reason worded as
// everywhere else.
Error cannotRead(const std::string& file, const Error& why) {
  return Error{why.number, L"ファイル " + shown(file) + L" を読み込めません: " + errorText(why)};
}

Error cannotRead(const std::string& file, int number) {
  return cannotRead(file, fileReadError(number));
}

Error noFolder(const std::string& folder) {
  return Error{ENOENT, L"フォルダー " + shown(folder) + L" がありません"};
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

Result<OfflineTarget> openWinePrefix(OfflineTarget target) {
  PosixFileSystem& files = *target.files;
  const std::string systemReg = nativeOf(files, L"C:\\system.reg");
  Result<std::string> bytes = files.readFile(L"C:\\system.reg");
  if (!bytes) return cannotRead(systemReg, static_cast<int>(bytes.error().number));
  if (!exists(files, L"C:\\drive_c", true)) return noFolder(target.folder + "/drive_c");
  const std::string driveC = nativeOf(files, L"C:\\drive_c");

  Result<WineMachine> machine = readWineMachine(bytes.value());
  bytes = std::string();
  if (!machine) return cannotRead(systemReg, machine.error());

  target.kind = TargetKind::winePrefix;
  target.computerName = std::move(machine.value().computerName);
  target.registry = std::make_unique<ClassesRegistry>(std::move(machine.value().classes));
  target.drives = wineDrives(target.folder, driveC);
  target.files = std::make_unique<PosixFileSystem>(target.drives, target.folder);
  return target;
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

Result<OfflineTarget> openWindows(OfflineTarget target, const std::optional<Text>& userName) {
  PosixFileSystem& files = *target.files;
  const std::string software = nativeOf(files, L"C:\\Windows\\System32\\config\\SOFTWARE");
  Result<RegistryTree> machine = readHiveTree(software, L"Classes");
  if (!machine) return cannotRead(software, machine.error());

  std::optional<RegistryTree> user;
  if (userName) {
    if (userName->empty() || *userName == L"." || *userName == L".." ||
        userName->find_first_of(L"\\/:") != Text::npos || userName->find(L'\0') != Text::npos) {
      return Error{unusable, L"ユーザー名 " + *userName + L" は使えません"};
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
  target.computerName = std::move(computerName).value();
  target.registry = std::make_unique<ClassesRegistry>(std::move(machine).value(), std::move(user));
  return target;
}

}  // namespace

Result<OfflineTarget> openTarget(const std::string& path, const std::optional<Text>& userName) {
  const std::optional<std::string> folder = realPath(path);
  if (!folder || !isFolder(*folder)) return noFolder(path);
  OfflineTarget target;
  target.folder = *folder;
  target.drives = {{L'C', *folder}};
  target.files = std::make_unique<PosixFileSystem>(target.drives, *folder);
  try {
    if (exists(*target.files, L"C:\\system.reg", false)) return openWinePrefix(std::move(target));
    if (exists(*target.files, L"C:\\Windows\\System32\\config\\SOFTWARE", false)) {
      return openWindows(std::move(target), userName);
    }
  } catch (const std::bad_alloc&) {
    return Error{ENOMEM, errorText(fileReadError(ENOMEM))};
  }
  return Error{unusable, L"フォルダー " + shown(path) +
                             L" は Wine のプレフィックスでも Windows のフォルダーでもありません"};
}

}  // namespace vemdrol
