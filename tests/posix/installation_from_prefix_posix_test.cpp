// Not a test of its own: tests/e2e/servers_under_wine.py runs it to give a
// copy of a Wine prefix's drive C: the hives of a Windows installation,
// made from the prefix's registry, so that vemdrol-scan of the installation
// can be held to the rows of the prefix.
//
//   VEMDROL_PREFIX=DIR VEMDROL_INSTALLATION=DIR VEMDROL_USER=NAME
//   VEMDROL_USER_CLASSES={…},{…} vemdrol_tests --gtest_also_run_disabled_tests
//       --gtest_filter=InstallationFromPrefix.DISABLED_WriteHives
//
// The machine's classes (HKLM\Software\Classes) become SOFTWARE's Classes;
// the 32-bit classes named in VEMDROL_USER_CLASSES move to the user's
// classes (UsrClass.dat, whose top holds Wow6432Node\CLSID), as a 32-bit
// installer run for that user alone registers them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/utf16.h"
#include "base/utf8.h"
#include "formats/registry/wine_registry.h"
#include "registry/hive_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

HiveKey hiveKeyOf(const RegistryTree& tree, RegistryTree::Node node) {
  HiveKey key{fromUtf16(tree.name(node)), {}, {}};
  if (std::optional<RegistryData> value = tree.defaultValue(node)) {
    key.values.push_back({L"", std::move(*value)});
  }
  for (std::uint32_t i = 0; i < tree.subkeyCount(node); ++i) {
    key.subkeys.push_back(hiveKeyOf(tree, tree.subkey(node, i)));
  }
  return key;
}

HiveKey* subkeyOf(HiveKey& key, TextView name) {
  for (HiveKey& subkey : key.subkeys) {
    if (equalNoCase(subkey.name, name)) return &subkey;
  }
  return nullptr;
}

void write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << file;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

TEST(InstallationFromPrefix, DISABLED_WriteHives) {
  const fs::path prefix = environment("VEMDROL_PREFIX");
  const fs::path root = environment("VEMDROL_INSTALLATION");
  const std::string user = environment("VEMDROL_USER");
  ASSERT_FALSE(prefix.empty() || root.empty() || user.empty());

  std::ifstream in(prefix / "system.reg", std::ios::binary);
  const std::string systemReg{std::istreambuf_iterator<char>(in), {}};
  Result<WineMachine> machine = readWineMachine(systemReg);
  ASSERT_TRUE(machine.ok());
  const RegistryTree& classes = machine.value().classes;
  HiveKey machineClasses = hiveKeyOf(classes, classes.top());
  machineClasses.name = L"Classes";

  HiveKey userClasses{L"S-1-5-21-1-1-1-1001_Classes", {}, {{L"Wow6432Node", {}, {}}}};
  userClasses.subkeys[0].subkeys.push_back({L"CLSID", {}, {}});
  std::vector<HiveKey>& moved = userClasses.subkeys[0].subkeys[0].subkeys;
  HiveKey* wow = subkeyOf(machineClasses, L"Wow6432Node");
  HiveKey* classIds = wow ? subkeyOf(*wow, L"CLSID") : nullptr;
  ASSERT_NE(classIds, nullptr);
  const std::string names = environment("VEMDROL_USER_CLASSES");
  for (std::size_t start = 0; start < names.size();) {
    const std::size_t end = std::min(names.find(',', start), names.size());
    const Text name = decodeUtf8(names.substr(start, end - start)).value_or(Text());
    std::vector<HiveKey>& machineIds = classIds->subkeys;
    const auto found = std::find_if(machineIds.begin(), machineIds.end(), [&](const HiveKey& key) {
      return equalNoCase(key.name, name);
    });
    ASSERT_NE(found, machineIds.end()) << names;
    moved.push_back(std::move(*found));
    machineIds.erase(found);
    start = end + 1;
  }

  write(root / "windows" / "system32" / "config" / "SOFTWARE",
        buildHive(HiveKey{L"ROOT", {}, {std::move(machineClasses)}}).bytes);
  write(root / "users" / user / "AppData" / "Local" / "Microsoft" / "Windows" / "UsrClass.dat",
        buildHive(userClasses).bytes);
}

}  // namespace
}  // namespace vemdrol
