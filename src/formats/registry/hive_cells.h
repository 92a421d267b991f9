// The cells of a Windows hive file (SOFTWARE, SYSTEM, UsrClass.dat in the
// "regf" format), read from the file's bytes: the hive bins and their cells,
// the keys ("nk"), their subkey lists ("lf", "lh", "li" and indexes of them,
// "ri") and names, and where their values lie. The values' data is not read
// here: offline/hive_posix.cpp reads it through libhivex, which checks the
// file as a whole when it opens it.
//
// Every offset is checked against the cells libhivex would accept: libhivex
// refuses keys with more than 70,000 subkeys (the classes of a crowded
// machine have more), does not check the lists of an index ("ri") against
// their cells, and gives names as UTF-8, which cannot carry the unpaired
// surrogates a name may hold; so the keys are read here.
//
// Each key cell is read once: a subkey list that leads back to a key already
// read (a cycle, or a key listed under two parents) makes the hive damaged,
// as do counts that disagree with their lists and keys nested deeper than
// maxHiveKeyDepth (formats/limits.h). What is kept is bounded by the file's
// size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "formats/registry/registry_tree.h"

namespace vemdrol {

// Where a value's cell ("vk") lies in the file, and its type, which is any
// number a writer chose.
struct HiveValueCell {
  std::uint64_t at = 0;
  std::uint32_t type = 0;
};

// The keys read of a hive.
struct HiveKeys {
  // The key asked for and everything below it, subkeys listed in the order
  // the hive stores them, without values: those are set once read.
  RegistryTreeBuilder keys{std::nullopt};
  // Each key's default value, by node: nullopt where it has none.
  std::vector<std::optional<HiveValueCell>> defaults;
};

// The key at keyPath ("\"-separated names below the hive's root key, "" for
// the root key itself) with everything below it. The faults: notHive (no
// hive, or its header, bins or cells do not add up), hiveDamaged with the
// path of the key where the damage lies (keyPath and the names below it,
// "" the root key), noSuchKey with keyPath.
Result<HiveKeys> readHiveKeys(std::string_view hive, TextView keyPath);

// Where the value of that name (matched ignoring letter case; "" the
// default value) of the key at keyPath lies: nullopt when the key or the
// value is not there. The faults: notHive, hiveDamaged.
Result<std::optional<HiveValueCell>> findHiveValue(std::string_view hive, TextView keyPath,
                                                   TextView valueName);

// Each subkey of the key at keyPath with where its value of that name lies
// (nullopt where it has none), in the order the hive lists them: one
// reading of the cells for all of them, where findHiveValue would read them
// once a value. The faults: notHive, hiveDamaged, noSuchKey with keyPath.
struct HiveSubkeyValue {
  Text subkey;
  std::optional<HiveValueCell> value;
};
Result<std::vector<HiveSubkeyValue>> findHiveSubkeyValues(std::string_view hive, TextView keyPath,
                                                          TextView valueName);

// A value of a key of the subtrees read: the key, the value's name ("" the
// default value) and where its data lies.
struct HiveNamedValue {
  RegistryTree::Node node = 0;
  std::u16string name;
  HiveValueCell cell;
};

// The subtrees read of a hive, the tree's top its root key.
struct HiveSubtrees {
  RegistryTreeBuilder keys{std::nullopt};
  std::vector<HiveNamedValue> values;
};

// The keys at keyPaths ("\"-separated names below the hive's root key, a
// name "*" standing for every subkey) with everything below them and every value of theirs, under
// the keys that lead to them (kept without values). A path the hive does not have is passed over,
// and a path inside another one asked for adds nothing. The faults: notHive, hiveDamaged with the
// path of the key where the damage lies.
Result<HiveSubtrees> readHiveSubtrees(std::string_view hive, const std::vector<Text>& keyPaths);

// The path of node of keys read at keyPath, as hiveDamaged names it.
Text hiveKeyPath(const RegistryTreeBuilder& keys, TextView keyPath, RegistryTree::Node node);

}  // namespace vemdrol
