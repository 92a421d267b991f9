#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "base/utf16.h"
#include "os/memory/registry.h"
#include "os/registry.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

using namespace std::string_literals;
using Names = std::vector<Text>;
constexpr RegistryRoot hkcu = RegistryRoot::currentUser;

// Wine's registry lists subkeys by their lower-case names, Windows' by their
// upper-case names.
RegistryNameOrder hostOrder() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  return wine ? RegistryNameOrder::wine : RegistryNameOrder::windows;
}

// One tree built twice: in the real registry under a scratch key of
// HKEY_CURRENT_USER, written with the API directly, and in a MemoryRegistry,
// so that the two backends can be compared key by key. The scratch key goes
// when the test ends, passed or failed.
class RegistryWin32Test : public ::testing::Test {
 protected:
  RegistryWin32Test()
      : base_(L"Software\\VemdrolTest-" + std::to_wstring(::GetCurrentProcessId())),
        memory_(hostOrder()) {}

  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    ASSERT_EQ(create(L""), ERROR_SUCCESS);
  }
  void TearDown() override {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    EXPECT_EQ(status, ERROR_SUCCESS);
  }

  Text full(TextView path) const { return path.empty() ? base_ : base_ + L"\\" + Text(path); }

  LSTATUS create(TextView path) {
    HKEY key = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, full(path).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr);
    UniqueRegistryHandle owned(key);
    return status;
  }

  void addKey(TextView path) {
    ASSERT_EQ(create(path), ERROR_SUCCESS);
    ASSERT_TRUE(memory_.addKey(hkcu, full(path)));
  }

  LSTATUS setRaw(TextView path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, full(path).c_str(), 0, nullptr, 0,
                                       KEY_ALL_ACCESS, nullptr, &key, nullptr);
    UniqueRegistryHandle owned(key);
    if (status != ERROR_SUCCESS) return status;
    return ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  }

  // A value with the given name (empty: the default value) stored as exactly
  // these bytes. RegSetValueExW counts one more character for a string whose
  // last counted character is not NUL but is followed by one in memory (for
  // callers that forgot the terminator); a character after the data that is
  // not NUL keeps it from doing so.
  void setValue(TextView path, const wchar_t* name, std::uint32_t type, const std::string& bytes) {
    const std::string guarded = bytes + "!\0!\0"s;
    ASSERT_EQ(setRaw(path, name, type, guarded.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    ASSERT_TRUE(memory_.setNamedValue(hkcu, full(path), name, RegistryData{type, bytes}));
  }

  // A string default value written the way programs usually write one: the
  // characters and their terminating NUL.
  void setString(TextView path, const wchar_t* text, std::uint32_t type = registryTypeSz) {
    const DWORD size = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    ASSERT_EQ(setRaw(path, nullptr, type, text, size), ERROR_SUCCESS);
    ASSERT_TRUE(memory_.setDefaultString(hkcu, full(path), text, type));
  }

  // Opens path in both backends and compares what they give: whether it
  // opens, the default value, and every subkey name in order. Walks on into
  // each subkey; returns the number of keys compared.
  int compareTree(TextView path) {
    auto real = system_->open(hkcu, full(path));
    auto fake = memory_.open(hkcu, full(path));
    EXPECT_EQ(real != nullptr, fake != nullptr) << "open " << testing::PrintToString(Text(path));
    if (!real || !fake) return 0;

    const auto realValue = real->defaultValue();
    const auto fakeValue = fake->defaultValue();
    EXPECT_TRUE(realValue.ok());
    EXPECT_TRUE(fakeValue.ok());
    if (realValue.ok() && fakeValue.ok()) {
      EXPECT_EQ(realValue.value(), fakeValue.value())
          << "default value of " << testing::PrintToString(Text(path));
    }

    const Names names = namesOf(*real);
    EXPECT_EQ(names, namesOf(*fake)) << "subkeys of " << testing::PrintToString(Text(path));
    int compared = 1;
    for (const Text& name : names) {
      compared += compareTree(path.empty() ? name : Text(path) + L"\\" + name);
    }
    return compared;
  }

  static Names namesOf(RegistryKey& key) {
    Names names;
    for (std::uint32_t index = 0;; ++index) {
      auto name = key.subkeyName(index);
      EXPECT_TRUE(name.ok()) << "index " << index;
      if (!name.ok() || !name.value()) return names;
      names.push_back(*name.value());
    }
  }

  Text base_;
  std::unique_ptr<Registry> system_ = makeSystemRegistry();
  MemoryRegistry memory_;
};

TEST_F(RegistryWin32Test, BothBackendsListNamesAlikeIncludingEveryCasePair) {
  for (const wchar_t* name :
       {L"AZ",     L"A_",      L"a[",      L"Ab",      L"a1",      L"\u00C4", L"\u00E9",
        L"\u30FC", L"\uFF21",  L"\uFF42",  L"\uFF3A",  L"a^",      L"a`",     L"a{",
        L"a~",     L"a-",      L"a\u00FF", L"a\u0178", L"B",       L"a",      L"A",
        L"a ",     L"a\u0131", L"aI",      L"a\u00DF", L"\u3042",  L"\u30A2", L"\U0001F600",
        L"\uE000", L"\uFFFD",  L"z.",      L"z\u00B5", L"z\u039C", L"Z|",     L"Z\u017F",
        L"ZS",     L"x/y"}) {
    addKey(L"Names\\" + Text(name));
  }
  // Every character of the case table and its partner, small letter first:
  // the real registry must merge exactly the pairs the table holds, and list
  // them where the table puts them.
  for (std::uint32_t code = 0; code < 0x10000; ++code) {
    const auto unit = static_cast<char16_t>(code);
    const char16_t upper = registryUpperCase(unit);
    if (upper == unit) continue;
    addKey(L"Cases\\" + Text(1, static_cast<wchar_t>(unit)));
    addKey(L"Cases\\" + Text(1, static_cast<wchar_t>(upper)));
  }
  addKey(L"Long\\" + Text(255, L'L'));
  addKey(L"Long\\" + Text(254, L'L'));

  // The scratch key, Names with 35 distinct names (two of the 37 spell an
  // earlier one in other case), Cases with one key per pair, Long with two.
  EXPECT_EQ(compareTree(L""), 1 + 1 + 35 + 1 + 1163 + 1 + 2);

  // Names that the ANSI code page (932 here) cannot hold open again as
  // listed.
  EXPECT_NE(system_->open(hkcu, full(L"Names\\\u00C4")), nullptr);
  EXPECT_NE(system_->open(hkcu, full(L"Names\\\u00E9")), nullptr);
}

TEST_F(RegistryWin32Test, BothBackendsGiveTheSameDefaultValues) {
  setString(L"Values\\sz", L"\u30E1\u30E2\u5E33 %1");
  setString(L"Values\\empty", L"");
  setString(L"Values\\expand", L"%SystemRoot%\\notepad.exe", registryTypeExpandSz);
  setValue(L"Values\\unterminated", L"", registryTypeSz, "a\0b\0"s);
  setValue(L"Values\\multi", L"", registryTypeMultiSz, "o\0n\0\0\0t\0w\0o\0\0\0\0\0"s);
  setValue(L"Values\\binary", L"", registryTypeBinary, "\x4D\x5A\x00\xFF"s);
  setValue(L"Values\\dword", L"", registryTypeDword, "\x0A\0\0\0"s);
  setValue(L"Values\\bigEndian", L"", registryTypeDwordBigEndian, "\0\0\0\x0A"s);
  setValue(L"Values\\qword", L"", registryTypeQword, "\x01\x02\x03\x04\x05\x06\x07\x08"s);
  setValue(L"Values\\none", L"", registryTypeNone, "");
  std::string big(100 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  setValue(L"Values\\big", L"", registryTypeBinary, big);
  // Named values are never read: a large one changes nothing.
  const std::string largeText = toUtf16Le(Text(600, L'n')) + "\0\0"s;
  setValue(L"Values\\named", L"Large", registryTypeSz, largeText);
  setString(L"Values\\named", L"small");
  setValue(L"Values\\onlyNamed", L"Large", registryTypeSz, largeText);
  addKey(L"Values\\absent");

  EXPECT_EQ(compareTree(L""), 1 + 1 + 14);

  // Spot checks against the values as written, beyond agreement.
  auto key = system_->open(hkcu, full(L"Values\\big"));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->defaultValue().value(), (RegistryData{registryTypeBinary, big}));
  key = system_->open(hkcu, full(L"Values\\named"));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->defaultValue().value(), (RegistryData{registryTypeSz, "s\0m\0a\0l\0l\0\0\0"s}));
  key = system_->open(hkcu, full(L"Values\\onlyNamed"));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->defaultValue().value(), std::nullopt);
  key = system_->open(hkcu, full(L"Values\\none"));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->defaultValue().value(), (RegistryData{registryTypeNone, ""}));
}

TEST_F(RegistryWin32Test, BothBackendsOpenTheSamePaths) {
  addKey(L"a\\b");
  for (const Text& path :
       {full(L"a"), full(L"a\\"), full(L"a\\\\b"), full(L"a\\b\\"), full(L"A\\B"), full(L"a\\."),
        full(L"a/b"), full(L"missing"), full(L"a\\missing"), L"\\" + full(L"a"), L"\\"s, L""s}) {
    const bool real = system_->open(hkcu, path) != nullptr;
    const bool fake = memory_.open(hkcu, path) != nullptr;
    EXPECT_EQ(real, fake) << testing::PrintToString(path);
  }
  EXPECT_NE(system_->open(hkcu, full(L"a\\b")), nullptr);
  EXPECT_EQ(system_->open(hkcu, full(L"a\\missing")), nullptr);
  // Read up to the NUL this path would open "a"; it must open nothing.
  EXPECT_EQ(system_->open(hkcu, full(L"a") + Text(L"\0zz", 3)), nullptr);
  EXPECT_EQ(system_->open(static_cast<RegistryRoot>(0), L"Software"), nullptr);
}

// Wine takes subkey names longer than Windows allows; the listing must then
// report the name as unreadable rather than hand back part of it.
TEST_F(RegistryWin32Test, ReportsANameTooLongForTheBufferAsAnError) {
  if (create(L"TooLong\\" + Text(256, L'T')) != ERROR_SUCCESS) {
    GTEST_SKIP() << "this registry refuses names over 255 characters";
  }
  auto key = system_->open(hkcu, full(L"TooLong"));
  ASSERT_NE(key, nullptr);
  const auto name = key->subkeyName(0);
  ASSERT_FALSE(name.ok());
  EXPECT_EQ(name.error().number, ERROR_MORE_DATA);
  EXPECT_FALSE(name.error().description.empty());
}

TEST(RegistryWin32, OpensTheClassesRootItselfAndLeavesItOpen) {
  const std::unique_ptr<Registry> registry = makeSystemRegistry();
  Names first;
  {
    auto root = registry->open(RegistryRoot::classesRoot, L"");
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->defaultValue().ok());
    for (std::uint32_t index = 0; index < 20; ++index) {
      auto name = root->subkeyName(index);
      ASSERT_TRUE(name.ok()) << index;
      ASSERT_TRUE(name.value().has_value()) << "fewer than 20 subkeys";
      EXPECT_FALSE(name.value()->empty());
      first.push_back(*name.value());
    }
  }
  // The predefined key was not closed with the first key object.
  for (const Text& name : first) {
    EXPECT_NE(registry->open(RegistryRoot::classesRoot, name), nullptr)
        << testing::PrintToString(name);
  }
  auto again = registry->open(RegistryRoot::classesRoot, L"");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->subkeyName(0).value(), first.front());
  HKEY direct = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, first.front().c_str(), 0, KEY_READ, &direct),
            ERROR_SUCCESS);
  UniqueRegistryHandle owned(direct);
}

}  // namespace
}  // namespace vemdrol
