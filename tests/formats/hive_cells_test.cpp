// The reader of a hive's cells, on the bytes themselves; the hive files with
// their values through libhivex are tested in tests/posix.
#include "formats/registry/hive_cells.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/limits.h"
#include "registry/hive_builder.h"

namespace vemdrol {
namespace {

// Classes with a chain of keys "k" depth deep below it.
std::string chainHive(std::size_t depth) {
  HiveKey root{L"ROOT", {}, {{L"Classes", {}, {}}}};
  HiveKey* key = &root.subkeys[0];
  for (std::size_t i = 0; i < depth; ++i) {
    key->subkeys.push_back({L"k", {}, {}});
    key = &key->subkeys[0];
  }
  return buildHive(root).bytes;
}

Text chainPath(std::size_t depth) {
  Text path = L"Classes";
  for (std::size_t i = 0; i < depth; ++i) path += L"\\k";
  return path;
}

TEST(HiveCells, NestsAsDeepAsTheLimitAndNoDeeper) {
  const Result<HiveKeys> deepest = readHiveKeys(chainHive(maxHiveKeyDepth), L"Classes");
  ASSERT_TRUE(deepest.ok());
  EXPECT_EQ(deepest.value().keys.size(), maxHiveKeyDepth + 1);

  // The key at the limit lists a subkey: the damage lies in that key.
  const Result<HiveKeys> deeper = readHiveKeys(chainHive(maxHiveKeyDepth + 1), L"Classes");
  ASSERT_FALSE(deeper.ok());
  EXPECT_EQ(deeper.error().fault, Fault::hiveDamaged);
  EXPECT_EQ(deeper.error().subject, chainPath(maxHiveKeyDepth));
}

TEST(HiveCells, NamesTheKeyOfEachFault) {
  HiveKey root{L"ROOT", {}, {{L"Classes", {}, {{L"a", {{L"", hiveString(L"A")}}, {}}}}}};
  HiveOptions options;
  options.recordCells = true;
  const Hive hive = buildHive(root, options);
  const std::size_t aList =
      hiveBaseBlockSize + hive.cells.at(L"Classes\\a").key + nkSubkeyListField;

  // A key that lists its parent's list: a cycle, found at the key.
  std::string cycle = hive.bytes;
  putHiveU32(cycle, aList, hive.cells.at(L"Classes").subkeyList);
  putHiveU32(cycle, aList - nkSubkeyListField + nkSubkeyCountField, 1);

  const struct {
    const char* what;
    std::string bytes;
    const wchar_t* keyPath;
    Fault fault;
    const wchar_t* subject;
  } cases[] = {
      {"a cycle", cycle, L"Classes", Fault::hiveDamaged, L"Classes\\a"},
      {"a cycle below the root", cycle, L"", Fault::hiveDamaged, L"Classes\\a"},
      {"no such key", hive.bytes, L"Classes\\b", Fault::noSuchKey, L"Classes\\b"},
      {"a base block alone", hive.bytes.substr(0, minHiveFileSize - 1), L"", Fault::notHive, L""},
      {"no regf", std::string(minHiveFileSize, 'x'), L"", Fault::notHive, L""},
  };
  for (const auto& test : cases) {
    const Result<HiveKeys> read = readHiveKeys(test.bytes, test.keyPath);
    ASSERT_FALSE(read.ok()) << test.what;
    EXPECT_EQ(read.error().fault, test.fault) << test.what;
    EXPECT_EQ(read.error().subject, test.subject) << test.what;
  }
}

TEST(HiveCells, FindsWhereTheValuesLie) {
  HiveKey root{L"ROOT",
               {},
               {{L"Classes", {}, {{L"a", {{L"", hiveString(L"A")}}, {}}, {L"b", {}, {}}}},
                {L"Select", {{L"Current", {registryTypeDword, std::string("\1\0\0\0", 4)}}}, {}}}};
  const std::string bytes = buildHive(root).bytes;
  const Result<HiveKeys> keys = readHiveKeys(bytes, L"Classes");
  ASSERT_TRUE(keys.ok());
  const std::vector<std::optional<HiveValueCell>>& defaults = keys.value().defaults;
  ASSERT_EQ(defaults.size(), 3u);
  EXPECT_FALSE(defaults[0]);
  ASSERT_TRUE(defaults[1]);
  EXPECT_EQ(defaults[1]->type, registryTypeSz);
  EXPECT_FALSE(defaults[2]);

  const auto current = findHiveValue(bytes, L"SELECT", L"current");
  ASSERT_TRUE(current.ok() && current.value());
  EXPECT_EQ(current.value()->type, registryTypeDword);
  EXPECT_FALSE(findHiveValue(bytes, L"Select", L"Default").value());
  EXPECT_FALSE(findHiveValue(bytes, L"Nowhere", L"Current").value());
}

}  // namespace
}  // namespace vemdrol
