// The Windows registry as the program reads it: open a key, read its default
// value, walk its subkey names. Nothing here writes to the registry.
//
// Names and data travel in their Unicode form. Subkey names come back in the
// order the registry itself enumerates them, which is not the program's own
// collation (base/text.h): the registry files a key's subkeys sorted by
// their names in UTF-16 code units, each unit first mapped to one letter case,
// a shorter name before a longer one that starts with it. Windows maps to
// upper case, so "A_" comes after "AZ" ("_" is 0x5F, "Z" 0x5A) and "a1"
// before both; formats/registry/registry_names.h holds that rule and the variant that
// Wine follows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/error.h"
#include "base/text.h"
#include "formats/registry/registry_data.h"

namespace vemdrol {

// The predefined root keys, by their handle values.
enum class RegistryRoot : std::uint32_t {
  classesRoot = 0x80000000,
  currentUser = 0x80000001,
  localMachine = 0x80000002,
  users = 0x80000003,
  performanceData = 0x80000004,
  currentConfig = 0x80000005,
  dynData = 0x80000006,
};

// The two views of the registry on a 64-bit Windows. A 32-bit program sees
// the 32-bit view: where Windows keeps the two apart, its keys lie in a
// "Wow6432Node" subkey of the 64-bit view's (wow64Path). A 64-bit program
// asks for the 32-bit view with KEY_WOW64_32KEY.
enum class RegistryView { bits64, bits32 };

// Where a key of the 32-bit view lies in the 64-bit view, for a registry
// held as one tree (Wine's files, a hive, the tests' registry): under
// HKEY_LOCAL_MACHINE "Software\Classes\X" is "Software\Classes\Wow6432Node\X"
// and any other "Software\X" is "Software\WOW6432Node\X"; under
// HKEY_CURRENT_USER "Software\Classes\X" is
// "Software\Classes\Wow6432Node\X"; under HKEY_CLASSES_ROOT "X" is
// "Wow6432Node\X". Every other key, a path already inside such a subkey
// and the tops themselves ("Software", "Software\Classes") are shared by
// both views and stay as they are.
Text wow64Path(RegistryRoot root, TextView subKey);

// One open key, closed when the object goes. A key must not outlive the
// Registry that opened it.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // The key's default (unnamed) value, read whole whatever its size;
  // std::nullopt when the key has none. Named values are never read, so
  // however large they are they cannot disturb this.
  virtual Result<std::optional<RegistryData>> defaultValue() = 0;

  // The name of the subkey at index in the registry's order (see the top of
  // this file); std::nullopt past the last one. An error means this subkey
  // cannot be told, and the caller is to stop walking this key.
  virtual Result<std::optional<Text>> subkeyName(std::uint32_t index) = 0;

  // A named value, read whole whatever its size; std::nullopt when the key
  // has no value of that name (letter case ignored, as the registry ignores
  // it). The empty name is the default value.
  virtual Result<std::optional<RegistryData>> value(TextView name) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens root\subKey for reading; an empty subKey opens the root itself.
  // nullptr when the key cannot be opened, for whatever reason (missing,
  // access denied, a path the registry rejects, a root it does not know):
  // callers pass over such keys without a message. A subKey holding a NUL
  // is never opened, since the API would stop reading it at the NUL and open
  // some other key instead.
  virtual std::unique_ptr<RegistryKey> open(RegistryRoot root, TextView subKey) = 0;

  // The same, as a program of the view sees the key: the 64-bit view is
  // what open() opens, the program being a 64-bit one.
  virtual std::unique_ptr<RegistryKey> openInView(RegistryRoot root, TextView subKey,
                                                  RegistryView view) = 0;
};

#ifdef _WIN32
// The machine's own registry.
std::unique_ptr<Registry> makeSystemRegistry();
#endif

}  // namespace vemdrol
