// An installed application as Programs and Features (アプリと機能) lists
// it: an uninstall entry of the machine or of a user, a Windows Installer
// product, or a Store package, with where it was found.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"

namespace vemdrol {

enum class AppKind { msi, store, other };
enum class AppScope { machine, user };

struct InstalledApp {
  Text name;
  Text version;
  Text publisher;
  // "2026-12-07"; empty when the entry has no valid date.
  Text installDate;
  // In bytes; nullopt when the entry gives no size.
  std::optional<std::uint64_t> size;
  Text location;
  Text uninstall;
  AppScope scope = AppScope::machine;
  // The user's name, for a user's entry.
  Text user;
  // "64" or "32", the registry view a machine entry was found in; empty
  // for a user's entry; a Store package's architecture as its full name
  // gives it ("x64", "neutral").
  Text view;
  AppKind kind = AppKind::other;
  // "{GUID}" of a Windows Installer product; empty for the others.
  Text productCode;
  // The registry key the entry was read from, as regedit names it
  // ("HKEY_LOCAL_MACHINE\Software\...").
  Text source;
  // Listed with everything only: Programs and Features does not show it
  // (a system component, an update, an entry without an uninstall command,
  // a framework or resource package).
  bool hidden = false;

  friend bool operator==(const InstalledApp&, const InstalledApp&) = default;
};

// The texts of the fields as the list and the exports show them:
// "machine" or "user"; "msi", "store" or "other".
TextView scopeText(AppScope scope);
TextView kindText(AppKind kind);

}  // namespace vemdrol
