// Windows hive files (SOFTWARE, SYSTEM, UsrClass.dat in the "regf" format),
// read from Linux. Linux only.
//
// A hive is opened read-only and never written. Its bytes are read whole and
// its keys read from them (formats/registry/hive_cells.h); the values' data
// is then read through libhivex, which checks the file as a whole when it
// opens it (signature, version, header checksum, every hive bin and every
// cell).
#pragma once

#ifndef _WIN32

#include <optional>
#include <string>

#include "base/error.h"
#include "formats/registry/registry_tree.h"

namespace vemdrol {

// The key at keyPath ("\"-separated names below the hive's root key, "" for
// the root key itself) with everything below it, subkeys listed in the
// order the hive stores them. An error is the hive's fault (notHive,
// hiveDamaged, noSuchKey) or why the file could not be read
// (os/posix/errors.h); the caller names the file.
Result<RegistryTree> readHiveTree(const std::string& file, TextView keyPath);

// One value of one key: nullopt when the key or the value is not there.
// valueName is matched ignoring ASCII letter case.
Result<std::optional<RegistryData>> readHiveValue(const std::string& file, TextView keyPath,
                                                  TextView valueName);

}  // namespace vemdrol

#endif
