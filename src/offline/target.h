// A Windows system that is not running, opened from Linux for an inventory:
// a Wine prefix or the root folder of a Windows installation, given as a
// folder of this machine. Linux only.
//
// A folder holding "system.reg" is a Wine prefix. Its HKEY_CLASSES_ROOT is
// HKLM\Software\Classes from system.reg, listed in Wine's order (Wine shows
// no user classes there, so a user name is not used). C: is its drive_c;
// the other letters are the links in its dosdevices folder ("d:" ->
// /media/data), except z:, which Wine points at "/", and letters that lead
// outside the prefix.
//
// Otherwise a folder holding Windows\System32\config\SOFTWARE (letter case
// ignored everywhere) is a Windows installation. Its HKEY_CLASSES_ROOT is the
// Classes key of SOFTWARE, with the user's classes over it when a user name
// is given (Users\NAME\AppData\Local\Microsoft\Windows\UsrClass.dat), listed
// in the hives' stored order; C: is the folder itself.
//
// Either way the file system is confined to the folder: no path reaches
// anything outside it (os/posix/filesystem.h).
//
// Beyond HKEY_CLASSES_ROOT a reading may ask for subtrees of
// HKEY_LOCAL_MACHINE and of each user's HKEY_CURRENT_USER, kept with their
// named values (TargetReading). The machine's are read of system.reg, or
// of the SOFTWARE hive for the paths below "Software". The users are, for
// a Wine prefix, its user.reg, named by the prefix's user folder under
// drive_c/users; for a Windows installation every profile folder
// Users\NAME with an NTUSER.DAT (its classes, UsrClass.dat, at
// HKEY_CURRENT_USER\Software\Classes), named NAME; the folders Public,
// Default, Default User and All Users hold no user. A user file that cannot
// be read is a warning, and the other users are still read.
#pragma once

#ifndef _WIN32

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "os/posix/filesystem.h"
#include "os/registry.h"

namespace vemdrol {

enum class TargetKind { winePrefix, windowsInstallation };

struct TargetReading {
  // Whether HKEY_CLASSES_ROOT is read; without it the classes are empty.
  bool classes = true;
  // Paths below HKEY_LOCAL_MACHINE ("Software\Microsoft\Windows\...").
  std::vector<Text> machineSubtrees;
  // Paths below each user's HKEY_CURRENT_USER.
  std::vector<Text> userSubtrees;
};

struct OfflineUser {
  Text name;
  // The user's HKEY_CURRENT_USER, its subtrees asked for.
  std::unique_ptr<Registry> registry;
};

struct OfflineTarget {
  TargetKind kind = TargetKind::winePrefix;
  // The folder as opened, links resolved.
  std::string folder;
  // HKEY_CLASSES_ROOT; the other roots open nothing.
  std::unique_ptr<Registry> registry;
  std::unique_ptr<PosixFileSystem> files;
  // The drive letters files knows, each to its folder.
  PosixFileSystem::DriveTable drives;
  // HKLM\System\CurrentControlSet\Control\ComputerName\ComputerName, value
  // "ComputerName"; empty when the registry does not hold it.
  Text computerName;
  // The Windows folder as the target's own programs name it, where the
  // 32-bit servers' System32 files lie in SysWOW64: "C:\windows" in a Wine
  // prefix, "C:\Windows" in an installation.
  Text windowsFolder;
  // HKEY_LOCAL_MACHINE's subtrees asked for; nullptr when none were.
  std::unique_ptr<Registry> machine;
  // The users, in the order of their names, when user subtrees were asked
  // for.
  std::vector<OfflineUser> users;
  // Each user file that could not be read, the error naming it as those of
  // openTarget do.
  std::vector<Error> warnings;
};

// Opens the folder at path. An error names the folder or file that could
// not be used (its path) and why: a fault of the target (nothing there, a
// file, a folder that may not be read with the system's reason, neither a
// prefix nor an installation, a prefix without drive_c or whose drive_c is
// a link leading out of it, an unusable user name), or the fault of a
// registry file that could not be read (the reader's, or the system's
// reason). files/error_message.h words them:
//   フォルダー /x を読めません: Permission denied
//   ファイル /x/system.reg を読み込めません: 12 行目: 値の行が正しくありません
Result<OfflineTarget> openTarget(const std::string& path,
                                 const std::optional<Text>& userName = std::nullopt,
                                 const TargetReading& reading = {});

}  // namespace vemdrol

#endif
