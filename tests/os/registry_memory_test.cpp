#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/utf16.h"
#include "os/memory/registry.h"

namespace vemdrol {
namespace {

using namespace std::string_literals;
using Names = std::vector<Text>;
constexpr RegistryRoot hkcr = RegistryRoot::classesRoot;

// Every subkey name of the key, in enumeration order; fails the test on an
// error.
Names subkeysOf(RegistryKey& key) {
  Names names;
  for (std::uint32_t index = 0;; ++index) {
    auto name = key.subkeyName(index);
    EXPECT_TRUE(name.ok()) << "index " << index;
    if (!name.ok() || !name.value()) break;
    names.push_back(*name.value());
  }
  return names;
}

Names subkeysOf(MemoryRegistry& registry, RegistryRoot root, TextView path) {
  auto key = registry.open(root, path);
  EXPECT_NE(key, nullptr);
  return key ? subkeysOf(*key) : Names();
}

std::optional<RegistryData> defaultOf(MemoryRegistry& registry, TextView path) {
  auto key = registry.open(hkcr, path);
  EXPECT_NE(key, nullptr) << "cannot open the key";
  if (!key) return std::nullopt;
  auto value = key->defaultValue();
  EXPECT_TRUE(value.ok());
  return value.ok() ? value.value() : std::nullopt;
}

// The names as created, among them characters on either side of "Z" and "a",
// letters with and without a case partner, Japanese, full-width letters and a
// character beyond the Basic Multilingual Plane.
const Names mixedNames = {
    L"AZ",     L"A_",      L"a[",      L"Ab",     L"a1",         L"\u00C4", L"\u00E9",
    L"\u30FC", L"\uFF21",  L"\uFF42",  L"\uFF3A", L"a^",         L"a`",     L"a{",
    L"a~",     L"a-",      L"a\u00FF", L"B",      L"a",          L"a ",     L"a\u0131",
    L"aI",     L"a\u00DF", L"\u3042",  L"\u30A2", L"\U0001F600", L"\uE000", L"\uFFFD",
    L"z.",     L"z\u00B5", L"z\u039C", L"Z|",     L"Z\u017F",    L"ZS",
};

TEST(MemoryRegistry, ListsSubkeysInTheWindowsOrderByUpperCase) {
  MemoryRegistry registry;
  for (const Text& name : mixedNames) ASSERT_TRUE(registry.addKey(hkcr, L"Mixed\\" + name));
  EXPECT_EQ(
      subkeysOf(registry, hkcr, L"Mixed"),
      (Names{L"a",          L"a ",      L"a-",     L"a1",     L"Ab",     L"aI",     L"AZ",
             L"a[",         L"a^",      L"A_",     L"a`",     L"a{",     L"a~",     L"a\u00DF",
             L"a\u0131",    L"a\u00FF", L"B",      L"z.",     L"ZS",     L"Z|",     L"z\u00B5",
             L"Z\u017F",    L"z\u039C", L"\u00C4", L"\u00E9", L"\u3042", L"\u30A2", L"\u30FC",
             L"\U0001F600", L"\uE000",  L"\uFF21", L"\uFF42", L"\uFF3A", L"\uFFFD"}));
}

// The order Wine 8's registry gave for the same names.
TEST(MemoryRegistry, ListsSubkeysInTheWineOrderByLowerCase) {
  MemoryRegistry registry(RegistryNameOrder::wine);
  for (const Text& name : mixedNames) ASSERT_TRUE(registry.addKey(hkcr, L"Mixed\\" + name));
  EXPECT_EQ(
      subkeysOf(registry, hkcr, L"Mixed"),
      (Names{L"a",          L"a ",      L"a-",     L"a1",     L"a[",     L"a^",     L"A_",
             L"a`",         L"Ab",      L"aI",     L"AZ",     L"a{",     L"a~",     L"a\u00DF",
             L"a\u00FF",    L"a\u0131", L"B",      L"z.",     L"ZS",     L"Z|",     L"z\u00B5",
             L"Z\u017F",    L"z\u039C", L"\u00C4", L"\u00E9", L"\u3042", L"\u30A2", L"\u30FC",
             L"\U0001F600", L"\uE000",  L"\uFF21", L"\uFF42", L"\uFF3A", L"\uFFFD"}));
}

TEST(MemoryRegistry, NamesThatDifferInCaseAreOneKeyWithItsFirstSpelling) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.addKey(hkcr, L"TxtFile\\Shell"));
  ASSERT_TRUE(registry.setDefaultString(hkcr, L"TXTFILE\\SHELL", L"open"));
  ASSERT_TRUE(registry.addKey(hkcr, L"\u00C4\u00FF\uFF41"));  // Äÿａ
  ASSERT_TRUE(registry.addKey(hkcr, L"\u00E4\u0178\uFF21"));  // äŸＡ, the same key
  ASSERT_TRUE(registry.addKey(hkcr, L"I"));
  ASSERT_TRUE(registry.addKey(hkcr, L"\u0131"));  // dotless i has no partner: its own key
  ASSERT_TRUE(registry.addKey(hkcr, L"\u00DF"));
  ASSERT_TRUE(registry.addKey(hkcr, L"SS"));

  EXPECT_EQ(subkeysOf(registry, hkcr, L""),
            (Names{L"I", L"SS", L"TxtFile", L"\u00C4\u00FF\uFF41", L"\u00DF", L"\u0131"}));
  EXPECT_EQ(subkeysOf(registry, hkcr, L"txtfile"), Names{L"Shell"});
  EXPECT_TRUE(defaultOf(registry, L"tXtFiLe\\sHeLl").has_value());
  EXPECT_NE(registry.open(hkcr, L"\u00E4\u00FF\uFF21"), nullptr);
  EXPECT_NE(registry.open(hkcr, L"i"), nullptr);
}

TEST(MemoryRegistry, OpensOnlyKeysThatExistAndMayBeRead) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.addKey(hkcr, L"a\\b"));
  ASSERT_TRUE(registry.addKey(hkcr, L"x/y"));
  ASSERT_TRUE(registry.denyAccess(hkcr, L"Locked\\Inside"));
  ASSERT_TRUE(registry.denyAccess(hkcr, L"Locked"));
  ASSERT_TRUE(registry.addKey(RegistryRoot::currentUser, L"Software"));

  EXPECT_EQ(registry.open(hkcr, L"missing"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"a\\missing"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"Software"), nullptr);  // under another root
  EXPECT_NE(registry.open(RegistryRoot::currentUser, L"SOFTWARE"), nullptr);

  // A denied key is still listed by its parent; only opening it fails, and
  // a key below it opens by its full path.
  EXPECT_EQ(registry.open(hkcr, L"Locked"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"Locked\\Inside"), nullptr);
  EXPECT_EQ(subkeysOf(registry, hkcr, L""), (Names{L"a", L"Locked", L"x/y"}));
  ASSERT_TRUE(registry.addKey(hkcr, L"Locked\\Open"));
  EXPECT_NE(registry.open(hkcr, L"Locked\\Open"), nullptr);

  // Paths the way the registry reads them.
  EXPECT_NE(registry.open(hkcr, L""), nullptr);
  EXPECT_NE(registry.open(hkcr, L"a\\"), nullptr);
  EXPECT_NE(registry.open(hkcr, L"a\\\\b\\"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"\\a"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"\\"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"x\\y"), nullptr);
  EXPECT_NE(registry.open(hkcr, L"x/y"), nullptr);
  EXPECT_EQ(registry.open(hkcr, L"a\\."), nullptr);

  // The API would read this path only up to the NUL and open "a". A name
  // holding a NUL is listed whole but cannot be opened.
  EXPECT_EQ(registry.open(hkcr, Text(L"a\0b", 3)), nullptr);
  const Text hidden(L"a\\hid\0den", 9);
  ASSERT_TRUE(registry.addKey(hkcr, hidden));
  EXPECT_EQ(subkeysOf(registry, hkcr, L"a"), (Names{L"b", Text(L"hid\0den", 7)}));
  EXPECT_EQ(registry.open(hkcr, hidden), nullptr);

  // Handle values that are no predefined key.
  EXPECT_EQ(registry.open(static_cast<RegistryRoot>(0), L""), nullptr);
  EXPECT_EQ(registry.open(static_cast<RegistryRoot>(0x80000007), L""), nullptr);
  EXPECT_FALSE(registry.addKey(static_cast<RegistryRoot>(0), L"a"));
  EXPECT_NE(registry.open(RegistryRoot::dynData, L""), nullptr);
}

TEST(MemoryRegistry, RefusesSetUpPathsTheRegistryWouldRefuse) {
  MemoryRegistry registry;
  EXPECT_FALSE(registry.addKey(hkcr, L"a\\\\b"));
  EXPECT_FALSE(registry.addKey(hkcr, L"a\\"));
  EXPECT_FALSE(registry.addKey(hkcr, L"\\a"));
  EXPECT_FALSE(registry.setDefaultString(hkcr, L"b\\\\c", L"x"));
  EXPECT_FALSE(registry.denyAccess(hkcr, Text(256, L'n')));
  EXPECT_EQ(subkeysOf(registry, hkcr, L""), Names{});
}

TEST(MemoryRegistry, TakesNamesOfUpTo255CodeUnits) {
  MemoryRegistry registry;
  const Text longest(255, L'k');
  const Text longestCapital(255, L'K');
  ASSERT_TRUE(registry.setDefaultString(hkcr, L"Long\\" + longest, L"deep"));
  EXPECT_FALSE(registry.addKey(hkcr, L"Long\\" + Text(256, L'k')));

  // Beyond the Basic Multilingual Plane a character is two code units.
  Text pairs;
  for (int i = 0; i < 127; ++i) pairs += L"\U0001F600";
  ASSERT_TRUE(registry.addKey(hkcr, L"Long\\" + pairs + L"x"));
  EXPECT_FALSE(registry.addKey(hkcr, L"Long\\" + pairs + L"\U0001F600"));

  EXPECT_EQ(subkeysOf(registry, hkcr, L"Long"), (Names{longest, pairs + L"x"}));
  EXPECT_TRUE(defaultOf(registry, L"Long\\" + longestCapital).has_value());
}

TEST(MemoryRegistry, GivesTheDefaultValueAsStored) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.addKey(hkcr, L"none"));
  ASSERT_TRUE(registry.setNamedValue(hkcr, L"none", L"Content Type", {registryTypeSz, "x"}));
  ASSERT_TRUE(registry.setDefaultString(hkcr, L"empty", L""));
  ASSERT_TRUE(registry.setDefaultString(hkcr, L"text", L"\u30E1\u30E2\U00020B9F"));
  ASSERT_TRUE(registry.setDefaultString(hkcr, L"expand", L"%A%", registryTypeExpandSz));
  const std::string multi("a\0\0\0b\0\0\0\0\0", 10);
  ASSERT_TRUE(registry.setDefault(hkcr, L"multi", {registryTypeMultiSz, multi}));
  ASSERT_TRUE(registry.setDefault(hkcr, L"dword", {registryTypeDword, "\x0A\0\0\0"s}));
  ASSERT_TRUE(registry.setDefault(hkcr, L"nodata", {registryTypeNone, ""}));
  ASSERT_TRUE(registry.setDefault(hkcr, L"odd", {0x12345678, "\xFF"}));
  const std::string big(100 * 1024, '\x5A');
  ASSERT_TRUE(registry.setDefault(hkcr, L"big", {registryTypeBinary, big}));

  EXPECT_EQ(defaultOf(registry, L"none"), std::nullopt);
  EXPECT_EQ(defaultOf(registry, L"empty"), (RegistryData{registryTypeSz, std::string(2, '\0')}));
  // UTF-16LE with one terminating NUL; U+20B9F as its surrogate pair.
  EXPECT_EQ(
      defaultOf(registry, L"text"),
      (RegistryData{registryTypeSz, std::string("\xE1\x30\xE2\x30\x42\xD8\x9F\xDF\0\0", 10)}));
  EXPECT_EQ(defaultOf(registry, L"expand"),
            (RegistryData{registryTypeExpandSz, std::string("%\0A\0%\0\0\0", 8)}));
  EXPECT_EQ(defaultOf(registry, L"multi"), (RegistryData{registryTypeMultiSz, multi}));
  EXPECT_EQ(defaultOf(registry, L"dword"), (RegistryData{registryTypeDword, "\x0A\0\0\0"s}));
  EXPECT_EQ(defaultOf(registry, L"nodata"), (RegistryData{registryTypeNone, ""}));
  EXPECT_EQ(defaultOf(registry, L"odd"), (RegistryData{0x12345678, "\xFF"}));
  EXPECT_EQ(defaultOf(registry, L"big"), (RegistryData{registryTypeBinary, big}));

  // A value with the empty name is the default value.
  ASSERT_TRUE(registry.setNamedValue(hkcr, L"none", L"", {registryTypeSz, "y"}));
  EXPECT_EQ(defaultOf(registry, L"none"), (RegistryData{registryTypeSz, "y"}));
  ASSERT_TRUE(registry.setDefault(hkcr, L"", {registryTypeSz, "root"}));
  EXPECT_EQ(defaultOf(registry, L""), (RegistryData{registryTypeSz, "root"}));
}

TEST(MemoryRegistry, ListsThousandsOfSubkeysInOrderWhateverTheOrderOfSetUp) {
  MemoryRegistry registry;
  Names names;
  for (int i = 0; i < 5000; ++i) names.push_back(L".e" + std::to_wstring(i * 7919 % 100000));
  Names shuffled = names;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(42));
  for (const Text& name : shuffled) ASSERT_TRUE(registry.addKey(hkcr, name + L"\\shell"));

  std::sort(names.begin(), names.end());  // digits and ASCII letters: code order
  auto root = registry.open(hkcr, L"");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(subkeysOf(*root), names);
  EXPECT_EQ(root->subkeyName(5000).value(), std::nullopt);
  EXPECT_EQ(root->subkeyName(0xFFFFFFFF).value(), std::nullopt);

  // A key added later shows at its place to a key opened before.
  ASSERT_TRUE(registry.addKey(hkcr, L".E0a"));
  EXPECT_EQ(root->subkeyName(1).value(), Text(L".E0a"));
  EXPECT_EQ(root->subkeyName(5001).value(), std::nullopt);
}

TEST(MemoryRegistry, FailsWhereToldTo) {
  MemoryRegistry registry;
  for (const wchar_t* name : {L"k\\a", L"k\\b", L"k\\c"}) ASSERT_TRUE(registry.addKey(hkcr, name));
  ASSERT_TRUE(registry.setDefaultString(hkcr, L"k", L"value"));
  ASSERT_TRUE(registry.failSubkeyName(hkcr, L"k", 1, Error{1009, L"broken"}));
  ASSERT_TRUE(registry.failSubkeyName(hkcr, L"k", 3, Error{21, L"not ready"}));
  ASSERT_TRUE(registry.failDefaultValue(hkcr, L"bad", Error{1015, L"cannot read"}));

  auto key = registry.open(hkcr, L"k");
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->defaultValue().ok());
  EXPECT_EQ(key->subkeyName(0).value(), Text(L"a"));
  const auto broken = key->subkeyName(1);
  ASSERT_FALSE(broken.ok());
  EXPECT_EQ(broken.error().number, 1009);
  EXPECT_EQ(broken.error().description, L"broken");
  EXPECT_EQ(key->subkeyName(2).value(), Text(L"c"));
  // Past the last subkey, where the walk would end, the fault still comes.
  EXPECT_EQ(key->subkeyName(3).error().number, 21);
  EXPECT_EQ(key->subkeyName(4).value(), std::nullopt);

  auto bad = registry.open(hkcr, L"BAD");
  ASSERT_NE(bad, nullptr);
  const auto value = bad->defaultValue();
  ASSERT_FALSE(value.ok());
  EXPECT_EQ(value.error().number, 1015);
  EXPECT_EQ(value.error().description, L"cannot read");
  EXPECT_EQ(subkeysOf(registry, hkcr, L""), (Names{L"bad", L"k"}));
}

TEST(RegistryViews, AThirtyTwoBitKeyLiesWhereWindowsRedirectsIt) {
  constexpr RegistryRoot hklm = RegistryRoot::localMachine;
  constexpr RegistryRoot hkcu = RegistryRoot::currentUser;
  const std::tuple<RegistryRoot, TextView, TextView> cases[] = {
      {hkcr, L"CLSID\\{1}", L"Wow6432Node\\CLSID\\{1}"},
      {hkcr, L"", L""},
      {hkcr, L"wow6432node\\CLSID", L"wow6432node\\CLSID"},
      {hklm, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
       L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
      {hklm, L"Software\\Classes\\CLSID", L"Software\\Classes\\Wow6432Node\\CLSID"},
      {hklm, L"Software", L"Software"},
      {hklm, L"Software\\Classes", L"Software\\Classes"},
      {hklm, L"SoftwareX\\Y", L"SoftwareX\\Y"},
      {hklm, L"System\\CurrentControlSet", L"System\\CurrentControlSet"},
      {hklm, L"Software\\Wow6432Node\\X", L"Software\\Wow6432Node\\X"},
      {hkcu, L"Software\\Classes\\CLSID", L"Software\\Classes\\Wow6432Node\\CLSID"},
      {hkcu, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
       L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
  };
  for (const auto& [root, path, redirected] : cases) {
    EXPECT_EQ(wow64Path(root, path), redirected) << std::wstring(path);
  }

  // Both views of one tree, and the named values of a key in each.
  MemoryRegistry registry;
  const auto text = [](TextView value) {
    std::string bytes = toUtf16Le(value);
    bytes.append(2, '\0');
    return RegistryData{registryTypeSz, bytes};
  };
  const TextView uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool";
  ASSERT_TRUE(registry.setNamedValue(hklm, uninstall, L"DisplayName", text(L"64")));
  ASSERT_TRUE(
      registry.setNamedValue(hklm, wow64Path(hklm, uninstall), L"DisplayName", text(L"32")));
  for (const auto& [view, expected] :
       {std::pair{RegistryView::bits64, L"64"}, std::pair{RegistryView::bits32, L"32"}}) {
    auto key = registry.openInView(hklm, uninstall, view);
    ASSERT_NE(key, nullptr);
    auto named = key->value(L"displayname");
    ASSERT_TRUE(named.ok() && named.value());
    EXPECT_EQ(*named.value(), text(expected));
    auto missing = key->value(L"DisplayVersion");
    ASSERT_TRUE(missing.ok());
    EXPECT_FALSE(missing.value());
  }
}

TEST(RegistryNames, CasePairsAreMutualAndMatchTheKnownCount) {
  int pairs = 0;
  for (std::uint32_t code = 0; code < 0x10000; ++code) {
    const auto unit = static_cast<char16_t>(code);
    const char16_t upper = registryUpperCase(unit);
    if (upper == unit) continue;
    ++pairs;
    EXPECT_EQ(registryLowerCase(upper), unit) << code;
    EXPECT_EQ(registryLowerCase(unit), unit) << code;
  }
  EXPECT_EQ(pairs, 1163);
  EXPECT_EQ(registryUpperCase(u'\u00FF'), u'\u0178');
  EXPECT_EQ(registryLowerCase(u'\u0178'), u'\u00FF');
  EXPECT_EQ(registryUpperCase(u'\u00DF'), u'\u00DF');
  EXPECT_EQ(registryUpperCase(u'\u0131'), u'\u0131');
  EXPECT_EQ(registryUpperCase(u'\uFF41'), u'\uFF21');
  EXPECT_LT(compareRegistryNames(L"a1", L"AZ", RegistryNameOrder::windows), 0);
  EXPECT_GT(compareRegistryNames(L"a_", L"AZ", RegistryNameOrder::windows), 0);
  EXPECT_LT(compareRegistryNames(L"a_", L"AZ", RegistryNameOrder::wine), 0);
  EXPECT_EQ(compareRegistryNames(L"\u00E4x", L"\u00C4X", RegistryNameOrder::wine), 0);
  EXPECT_LT(compareRegistryNames(L"ab", L"ABC", RegistryNameOrder::windows), 0);
  // A surrogate pair sorts as its two code units, below U+E000.
  EXPECT_LT(compareRegistryNames(L"\U0001F600", L"\uE000", RegistryNameOrder::windows), 0);
  EXPECT_GT(compareRegistryNames(L"\U0001F600", L"\uD7FF", RegistryNameOrder::windows), 0);
  EXPECT_EQ(registryNameLength(L"a\U0001F600"), 3u);
}

}  // namespace
}  // namespace vemdrol
