// Lists one registry key into the inventory: an entry for the key's default
// value and one for each direct subkey, in the registry's order.
#pragma once

#include <cstdint>

#include "files/failure_report.h"
#include "inventory/inventory.h"
#include "os/registry.h"

namespace vemdrol {

// Registry paths name a key as a root name padded with blanks to 19
// characters, then "\" and the subkey path.
inline constexpr std::size_t rootNameWidth = 19;

// A key's path as the registry's own tools spell it: the root name without
// its padding ("HKEY_CLASSES_ROOT  \txtfile" is "HKEY_CLASSES_ROOT\txtfile").
Text registryKeyName(TextView listedKey);

// The text the inventory keeps for a default value: string types as text up
// to their first NUL (a multi-string thus keeps its first string), binary
// data as upper-case hexadecimal pairs each followed by a blank, a DWORD as
// "&H", eight hexadecimal digits and "(" signed decimal ")". Other types are
// shown like binary data.
Text dataText(const RegistryData& data);

class RegistryListing {
 public:
  // Appends the entries for key, a registry path. A bare root name (exactly
  // 19 characters) selects the current root and lists its subkeys; a longer
  // path is opened under the current root, whatever root its first 19
  // characters spell. A key that cannot be opened adds nothing. A failure
  // while listing is reported (Procedure::listKey) and ends the listing of
  // this key; what was appended stays.
  void listKey(TextView key, Registry& registry, Inventory& inventory, FailureReport& report);

  // The root that subkey paths are opened under; 0 until a root was named.
  std::uint32_t currentRoot() const { return currentRoot_; }

 private:
  std::uint32_t currentRoot_ = 0;
};

}  // namespace vemdrol
