// Windows hive files (SOFTWARE, SYSTEM, UsrClass.dat in the "regf" format),
// read through libhivex. Linux only.
//
// A hive is opened read-only and never written. libhivex checks the file as
// a whole when it opens it (signature, version, header checksum, every hive
// bin and every cell) and reads the values. The subkey lists and key names
// are read here from the same bytes, with every offset checked against the
// cells libhivex would accept: libhivex refuses keys with more than 70,000
// subkeys (the classes of a crowded machine have more), does not check the
// lists of an index ("ri") against their cells, and gives names as UTF-8,
// which cannot carry the unpaired surrogates a name may hold.
//
// Each key cell is read once: a subkey list that leads back to a key already
// read (a cycle, or a key listed under two parents) makes the hive damaged,
// as do counts that disagree with their lists and lists deeper than the 512
// levels Windows allows. What is kept is bounded by the file's size.
#pragma once

#ifndef _WIN32

#include <optional>
#include <string>

#include "base/error.h"
#include "formats/registry/registry_tree.h"

namespace vemdrol {

// The key at keyPath ("\"-separated names below the hive's root key, "" for
// the root key itself) with everything below it, subkeys listed in the
// order the hive stores them. An error's description says, in Japanese,
// what is wrong (the caller names the file).
Result<RegistryTree> readHiveTree(const std::string& file, TextView keyPath);

// One value of one key: nullopt when the key or the value is not there.
// valueName is matched ignoring ASCII letter case.
Result<std::optional<RegistryData>> readHiveValue(const std::string& file, TextView keyPath,
                                                  TextView valueName);

}  // namespace vemdrol

#endif
