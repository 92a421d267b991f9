// Listing the installed applications of a crowded machine: 10,000
// uninstall entries (half of the machine's 64-bit view, a quarter of its
// 32-bit view, a quarter of the user's, one in ten a hidden update) and
// 1,000 Store packages of the user, as the window reads them through a
// registry (MemoryRegistry) and as vemdrol-scan reads a Windows
// installation's hives (SOFTWARE, NTUSER.DAT, UsrClass.dat) built with the
// tests' hive builder.
//
//   build/native-release/bin/vemdrol_bench --benchmark_filter=Apps
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "apps/app_lister.h"
#include "base/utf16.h"
#include "offline/target.h"
#include "os/memory/registry.h"
#include "registry/hive_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

constexpr int entryCount = 10000;
constexpr int packageCount = 1000;

RegistryData text(TextView value) {
  return {registryTypeSz, toUtf16Le(value) + std::string(2, '\0')};
}
RegistryData dword(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return {registryTypeDword, bytes};
}

struct Entry {
  int root;  // 0 the machine's 64-bit view, 1 its 32-bit view, 2 the user's
  Text key;
  std::vector<HiveValue> values;
};

std::vector<Entry> entries() {
  std::vector<Entry> made;
  for (int i = 0; i < entryCount; ++i) {
    const Text number = std::to_wstring(i);
    Entry entry{i % 4 == 3 ? 2 : i % 4 == 2 ? 1 : 0, L"App" + number, {}};
    entry.values = {
        {L"DisplayName", text(L"アプリケーション " + number)},
        {L"DisplayVersion", text(L"1." + number)},
        {L"Publisher", text(L"Contoso ©")},
        {L"InstallDate", text(L"20261207")},
        {L"EstimatedSize", dword(static_cast<std::uint32_t>(i) * 13)},
        {L"InstallLocation", text(L"C:\\Program Files\\App" + number)},
        {L"UninstallString", text(L"\"C:\\Program Files\\App" + number + L"\\u.exe\"")}};
    if (i % 10 == 0) entry.values.push_back({L"ParentKeyName", text(L"App1")});
    made.push_back(std::move(entry));
  }
  return made;
}

Text packageName(int i) {
  return L"Contoso.App" + std::to_wstring(i) + L"_1.0." + std::to_wstring(i) +
         L".0_x64__abcdefghijklm";
}

void BM_AppsWindowReading(benchmark::State& state) {
  MemoryRegistry registry;
  for (const Entry& entry : entries()) {
    const RegistryRoot root =
        entry.root == 2 ? RegistryRoot::currentUser : RegistryRoot::localMachine;
    const Text path =
        (entry.root == 1 ? wow64Path(root, uninstallKeyPath) : Text(uninstallKeyPath)) + L"\\" +
        entry.key;
    for (const HiveValue& value : entry.values)
      registry.setNamedValue(root, path, value.name, value.data);
  }
  for (int i = 0; i < packageCount; ++i) {
    const Text path = Text(packageRepositoryPath) + L"\\" + packageName(i);
    registry.setNamedValue(RegistryRoot::currentUser, path, L"DisplayName",
                           text(L"Package " + std::to_wstring(i)));
    registry.setNamedValue(RegistryRoot::currentUser, path, L"PackageRootFolder",
                           text(L"C:\\Program Files\\WindowsApps\\" + packageName(i)));
  }
  std::size_t listed = 0;
  for (auto _ : state) {
    listed = listInstalledApps(AppSources{&registry, {{L"user", &registry}}, nullptr}).size();
    benchmark::DoNotOptimize(listed);
  }
  state.counters["entries"] = static_cast<double>(listed);
}
BENCHMARK(BM_AppsWindowReading)->Unit(benchmark::kMillisecond);

HiveKey& keyAt(HiveKey& root, std::initializer_list<TextView> names) {
  HiveKey* key = &root;
  for (TextView name : names) {
    key->subkeys.push_back(HiveKey{Text(name), {}, {}});
    key = &key->subkeys.back();
  }
  return *key;
}

void write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void BM_AppsOffline(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "vemdrol-apps-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path folder = pattern;
  HiveKey software{L"ROOT", {}, {}};
  HiveKey& machine64 = keyAt(software, {L"Microsoft", L"Windows", L"CurrentVersion", L"Uninstall"});
  HiveKey& machine32 =
      keyAt(software, {L"WOW6432Node", L"Microsoft", L"Windows", L"CurrentVersion", L"Uninstall"});
  keyAt(software, {L"Classes", L".txt"}).values = {{L"", text(L"txtfile")}};
  HiveKey user{L"ROOT", {}, {}};
  HiveKey& userEntries =
      keyAt(user, {L"Software", L"Microsoft", L"Windows", L"CurrentVersion", L"Uninstall"});
  for (Entry& entry : entries()) {
    HiveKey& parent = entry.root == 0 ? machine64 : entry.root == 1 ? machine32 : userEntries;
    parent.subkeys.push_back(HiveKey{entry.key, std::move(entry.values), {}});
  }
  HiveKey classes{L"ROOT", {}, {}};
  HiveKey& packages = keyAt(classes, {L"Local Settings", L"Software", L"Microsoft", L"Windows",
                                      L"CurrentVersion", L"AppModel", L"Repository", L"Packages"});
  for (int i = 0; i < packageCount; ++i) {
    packages.subkeys.push_back(HiveKey{
        packageName(i),
        {{L"DisplayName", text(L"Package " + std::to_wstring(i))},
         {L"PackageRootFolder", text(L"C:\\Program Files\\WindowsApps\\" + packageName(i))}},
        {}});
  }
  write(folder / "Windows/System32/config/SOFTWARE", buildHive(software).bytes);
  write(folder / "Users/user/NTUSER.DAT", buildHive(user).bytes);
  write(folder / "Users/user/AppData/Local/Microsoft/Windows/UsrClass.dat",
        buildHive(classes).bytes);

  const TargetReading reading{false, appMachineSubtrees(), appUserSubtrees()};
  std::size_t listed = 0;
  for (auto _ : state) {
    Result<OfflineTarget> target = openTarget(folder.string(), std::nullopt, reading);
    if (!target) {
      state.SkipWithError("the target did not open");
      break;
    }
    AppSources sources{target.value().machine.get(), {}, target.value().files.get()};
    for (const OfflineUser& one : target.value().users)
      sources.users.push_back({one.name, one.registry.get()});
    listed = listInstalledApps(sources).size();
    benchmark::DoNotOptimize(listed);
  }
  state.counters["entries"] = static_cast<double>(listed);
  fs::remove_all(folder);
}
BENCHMARK(BM_AppsOffline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vemdrol
