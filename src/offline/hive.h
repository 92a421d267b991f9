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
#include <vector>

#include "base/error.h"
#include "formats/registry/registry_tree.h"

namespace vemdrol {

// The key at keyPath ("\"-separated names below the hive's root key, "" for
// the root key itself) with everything below it, subkeys listed in the
// order the hive stores them. An error is the hive's fault (notHive,
// hiveDamaged, noSuchKey) or why the file could not be read
// (os/posix/errors.h); the caller names the file.
Result<RegistryTree> readHiveTree(const std::string& file, TextView keyPath);

// The keys at keyPaths with everything below them and every value of
// theirs, named ones included, under the keys that lead to them; the
// tree's top is the hive's root key. A path the hive lacks is passed over.
// Errors as readHiveTree's.
Result<RegistryTree> readHiveFileSubtrees(const std::string& file,
                                          const std::vector<Text>& keyPaths);

// One value of one key: nullopt when the key or the value is not there.
// valueName is matched ignoring ASCII letter case.
Result<std::optional<RegistryData>> readHiveValue(const std::string& file, TextView keyPath,
                                                  TextView valueName);

// The value of that name of every subkey of the key at keyPath, read in one
// pass over the file however many subkeys there are: each subkey's name
// with the value's data, in the hive's order; a subkey without the value
// is left out. noSuchKey when the key is not there.
struct NamedHiveValue {
  Text subkey;
  RegistryData data;
};
Result<std::vector<NamedHiveValue>> readHiveSubkeyValues(const std::string& file, TextView keyPath,
                                                         TextView valueName);

}  // namespace vemdrol

#endif
