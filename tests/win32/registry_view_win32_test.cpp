// The two views of the real registry: a key that a 32-bit installer writes
// is seen through the 32-bit view where the tree-held registries put it
// (wow64Path), and named values come back whole.
#include <gtest/gtest.h>

#include <string>

#include "base/utf16.h"
#include "os/registry.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

class RegistryViewWin32Test : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, name_.c_str(), view, 0);
    }
  }

  // The key as a 32-bit or 64-bit installer makes it, with a named value.
  void write(REGSAM view, TextView text) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, name_.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    UniqueRegistryHandle owned(key);
    const Text value(text);
    ASSERT_EQ(::RegSetValueExW(key, L"DisplayName", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  const Text name_ =
      L"Software\\VemdrolViewTest-" + std::to_wstring(::GetCurrentProcessId()) + L"-é";
};

TEST_F(RegistryViewWin32Test, EachViewSeesItsOwnKeyAndTheTreeLayoutAgrees) {
  write(KEY_WOW64_32KEY, L"32 ビット ©");
  auto registry = makeSystemRegistry();
  const auto displayName = [&](std::unique_ptr<RegistryKey> key) -> Text {
    if (!key) return L"(no key)";
    auto value = key->value(L"displayname");
    if (!value.ok() || !value.value()) return L"(no value)";
    std::string bytes = value.value()->bytes;
    return fromUtf16Le(bytes.substr(0, bytes.size() - 2));
  };
  const RegistryRoot hklm = RegistryRoot::localMachine;
  EXPECT_EQ(displayName(registry->openInView(hklm, name_, RegistryView::bits32)), L"32 ビット ©");
  EXPECT_EQ(displayName(registry->openInView(hklm, name_, RegistryView::bits64)), L"(no key)");
  EXPECT_EQ(displayName(registry->open(hklm, wow64Path(hklm, name_))), L"32 ビット ©");

  write(KEY_WOW64_64KEY, L"64");
  EXPECT_EQ(displayName(registry->openInView(hklm, name_, RegistryView::bits64)), L"64");
  EXPECT_EQ(displayName(registry->open(hklm, name_)), L"64");
  auto key = registry->open(hklm, name_);
  ASSERT_NE(key, nullptr);
  auto missing = key->value(L"DisplayVersion");
  ASSERT_TRUE(missing.ok());
  EXPECT_FALSE(missing.value());
}

}  // namespace
}  // namespace vemdrol
