#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/utf16.h"
#include "files/error_message.h"
#include "offline/hive.h"
#include "offline_machine.h"
#include "os/memory/classes_registry.h"
#include "os/memory/registry.h"
#include "registry/hive_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<Text>;
constexpr RegistryRoot hkcr = RegistryRoot::classesRoot;

class HiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-hive-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string write(const std::string& bytes) {
    const std::string path = (folder_ / ("hive" + std::to_string(++files_))).string();
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  Result<RegistryTree> read(const std::string& bytes, TextView key = L"Classes") {
    return readHiveTree(write(bytes), key);
  }

  fs::path folder_;
  int files_ = 0;
};

// The same keys as a hive (under SOFTWARE's Classes) and in memory.
struct Machine {
  HiveKey root{L"ROOT", {}, {}};
  MemoryRegistry memory;

  Machine() { root.subkeys.push_back({L"Classes", {}, {}}); }

  HiveKey& add(HiveKey& parent, const Text& path, const Text& name,
               std::optional<RegistryData> value = std::nullopt) {
    parent.subkeys.push_back({name, {}, {}});
    HiveKey& key = parent.subkeys.back();
    const Text full = path.empty() ? name : path + L"\\" + name;
    memory.addKey(hkcr, full);
    key.values.push_back({L"Named", hiveString(L"never read")});
    if (value) {
      key.values.push_back({L"", *value});
      memory.setDefault(hkcr, full, *value);
    }
    return key;
  }
};

void expectSameWalk(Registry& hive, Registry& memory, const Text& path) {
  auto fromHive = hive.open(hkcr, path);
  auto fromMemory = memory.open(hkcr, path);
  ASSERT_TRUE(fromHive && fromMemory) << path.size();
  EXPECT_EQ(fromHive->defaultValue().value(), fromMemory->defaultValue().value());
  for (std::uint32_t i = 0;; ++i) {
    auto a = fromHive->subkeyName(i);
    auto b = fromMemory->subkeyName(i);
    ASSERT_TRUE(a.ok() && b.ok());
    ASSERT_EQ(a.value(), b.value());
    if (!a.value()) break;
    expectSameWalk(hive, memory, path.empty() ? *a.value() : path + L"\\" + *a.value());
  }
}

// Names on either side of "Z" and "a", beyond Latin-1, beyond the Basic
// Multilingual Plane and an unpaired surrogate, which UTF-8 could not carry.
const Names oddNames = {
    L"AZ",      L"A_",      L"a1",         L"\u00C4\u00E9",         L"\u30A2\u30D7\u30EA",
    L"\uFF21x", L"z\u017F", L"\U0001F600", Text(1, wchar_t{0xD800})};

void addOddKeys(Machine& machine) {
  HiveKey& classes = machine.root.subkeys[0];
  // Stored as Windows stores them: sorted by upper case.
  Names names = oddNames;
  std::sort(names.begin(), names.end(), [](const Text& a, const Text& b) {
    return compareRegistryNames(a, b, RegistryNameOrder::windows) < 0;
  });
  std::uint8_t n = 0;
  for (const Text& name : names) {
    HiveKey& key = machine.add(classes, L"", name, hiveString(L"値 " + name));
    for (std::uint8_t k = 0; k < 3; ++k, ++n) {
      // Inline data (up to 4 bytes), a DWORD, a long binary value, none.
      std::optional<RegistryData> value;
      if (n % 4 == 0) value = RegistryData{registryTypeBinary, std::string(n % 5, '\x7F')};
      if (n % 4 == 1) value = RegistryData{registryTypeDword, std::string("\1\2\3\4", 4)};
      if (n % 4 == 2)
        value = RegistryData{registryTypeBinary, std::string(5000, static_cast<char>(n))};
      machine.add(key, name, L"Sub" + std::to_wstring(k), value);
    }
  }
}

TEST_F(HiveTest, ReadsWhatTheMemoryRegistryHoldsWhateverTheListKind) {
  Machine machine;
  addOddKeys(machine);
  HiveOptions small;
  small.indexAbove = 2;
  small.indexedListSize = 3;
  for (SubkeyListKind kind : {SubkeyListKind::lh, SubkeyListKind::lf, SubkeyListKind::li}) {
    for (HiveOptions options : {HiveOptions{}, small}) {
      options.lists = kind;
      Result<RegistryTree> tree = read(buildHive(machine.root, options).bytes);
      ASSERT_TRUE(tree.ok()) << static_cast<int>(kind);
      ClassesRegistry hive(std::move(tree).value());
      expectSameWalk(hive, machine.memory, L"");
    }
  }
}

TEST_F(HiveTest, ListsSubkeysInTheStoredOrder) {
  Machine machine;
  for (const wchar_t* name : {L"b", L"A", L"c"}) machine.add(machine.root.subkeys[0], L"", name);
  Result<RegistryTree> tree = read(buildHive(machine.root).bytes);
  ASSERT_TRUE(tree.ok());
  ClassesRegistry hive(std::move(tree).value());
  auto key = hive.open(hkcr, L"");
  EXPECT_EQ(key->subkeyName(0).value(), L"b");
  EXPECT_EQ(key->subkeyName(1).value(), L"A");
  EXPECT_EQ(key->subkeyName(2).value(), L"c");
  EXPECT_NE(hive.open(hkcr, L"a"), nullptr);
  EXPECT_NE(hive.open(hkcr, L"C"), nullptr);
}

// libhivex refuses more than 70,000 subkeys; a crowded machine has more
// classes than that.
TEST_F(HiveTest, ReadsKeysWithMoreSubkeysThanLibhivexTakes) {
  HiveKey root{L"ROOT", {}, {{L"Classes", {}, {}}}};
  std::vector<HiveKey>& many = root.subkeys[0].subkeys;
  for (int i = 0; i < 70'001; ++i) many.push_back({L"k" + std::to_wstring(1'000'000 + i), {}, {}});
  Result<RegistryTree> tree = read(buildHive(root).bytes);
  ASSERT_TRUE(tree.ok()) << errorText(tree.error());
  EXPECT_EQ(tree.value().subkeyCount(tree.value().top()), 70'001u);
}

TEST_F(HiveTest, FindsValuesAndKeysIgnoringCase) {
  const std::string path = write(systemHive(L"MACHINE-1").bytes);
  const auto current = readHiveValue(path, L"select", L"CURRENT");
  ASSERT_TRUE(current.ok());
  ASSERT_TRUE(current.value());
  EXPECT_EQ(current.value()->bytes, std::string("\1\0\0\0", 4));
  const auto name =
      readHiveValue(path, L"ControlSet001\\Control\\ComputerName\\ComputerName", L"ComputerName");
  ASSERT_TRUE(name.ok() && name.value());
  EXPECT_EQ(*name.value(), hiveString(L"MACHINE-1"));
  EXPECT_FALSE(readHiveValue(path, L"Select", L"Missing").value());
  EXPECT_FALSE(readHiveValue(path, L"ControlSet002", L"Current").value());
  EXPECT_FALSE(readHiveTree(path, L"Classes").ok());
}

// Each damage next to the same hive undamaged: the damaged one gives an
// error that says so, never a crash, a hang or a partial tree.
TEST_F(HiveTest, RefusesDamagedHives) {
  Machine machine;
  addOddKeys(machine);
  HiveOptions options;
  options.recordCells = true;
  options.indexAbove = 2;
  options.indexedListSize = 4;
  const Hive hive = buildHive(machine.root, options);
  ASSERT_TRUE(read(hive.bytes).ok());
  const HiveCells& rootCells = hive.cells.at(L"");
  const HiveCells& classes = hive.cells.at(L"Classes");
  const HiveCells& first = hive.cells.at(L"Classes\\a1");
  const HiveCells& second = hive.cells.at(L"Classes\\AZ");
  const auto at = [](std::uint32_t cell, std::size_t field) {
    return hiveBaseBlockSize + cell + field;
  };

  std::vector<std::pair<const char*, std::string>> damaged;
  const auto damage = [&](const char* what, auto change) {
    std::string bytes = hive.bytes;
    change(bytes);
    damaged.emplace_back(what, std::move(bytes));
  };
  damage("cut inside a bin", [](std::string& b) { b.resize(b.size() - 0x800); });
  damage("cut before the last bins", [](std::string& b) { b.resize(0x3000); });
  damage("too short for a hive", [](std::string& b) { b.resize(0x1FFF); });
  damage("checksum", [](std::string& b) { b[0x30] ^= 1; });
  damage("signature", [](std::string& b) {
    b[3] = 'x';
    fixHiveChecksum(b);
  });
  damage("offset past the end",
         [&](std::string& b) { putHiveU32(b, at(first.key, nkSubkeyListField), 0x7FFFFFF0); });
  damage("back to the parent", [&](std::string& b) {
    // a1 lists the list of the root, which holds Classes, a1's parent.
    putHiveU32(b, at(first.key, nkSubkeyListField), rootCells.subkeyList);
    putHiveU32(b, at(first.key, nkSubkeyCountField), 1);
  });
  damage("listed under two keys", [&](std::string& b) {
    putHiveU32(b, at(second.key, nkSubkeyListField), first.subkeyList);
  });
  damage("into the middle of a cell",
         [&](std::string& b) { putHiveU32(b, at(first.key, nkSubkeyListField), first.key + 8); });
  damage("more subkeys than the list holds",
         [&](std::string& b) { putHiveU32(b, at(first.key, nkSubkeyCountField), 4); });
  damage("index longer than its cell",
         [&](std::string& b) { putHiveU16(b, at(classes.subkeyList, 6), 0xFFFF); });
  damage("list longer than its cell",
         [&](std::string& b) { putHiveU16(b, at(rootCells.subkeyList, 6), 0x400); });
  damage("default value nowhere",
         [&](std::string& b) { putHiveU32(b, at(first.values[1], 0x0C), 0x7FFFFFF0); });
  damage("value longer than its data",
         [&](std::string& b) { putHiveU32(b, at(first.values[1], 0x08), 30000); });

  for (const auto& [what, bytes] : damaged) {
    Result<RegistryTree> tree = read(bytes);
    ASSERT_FALSE(tree.ok()) << what;
    EXPECT_NE(errorText(tree.error()).find(L"ハイブ"), Text::npos) << what;
  }
}

TEST_F(HiveTest, NamesWhatIsMissing) {
  Result<RegistryTree> missingFile = readHiveTree((folder_ / "none").string(), L"");
  ASSERT_FALSE(missingFile.ok());
  EXPECT_EQ(errorText(missingFile.error()), L"ファイルがありません");
  Result<RegistryTree> missingKey = read(buildHive(HiveKey{L"ROOT", {}, {}}).bytes);
  ASSERT_FALSE(missingKey.ok());
  EXPECT_EQ(errorText(missingKey.error()), L"キー Classes がありません");
  Result<RegistryTree> text = read(std::string(0x3000, 'x'));
  ASSERT_FALSE(text.ok());
  EXPECT_EQ(errorText(text.error()), L"ハイブ ファイルではないか、壊れています");
}

}  // namespace
}  // namespace vemdrol
