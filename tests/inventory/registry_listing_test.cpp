#include "inventory/registry_listing.h"

#include <gtest/gtest.h>

#include "base/utf16.h"
#include "inventory/recording_display.h"
#include "os/memory/registry.h"

namespace vemdrol {
namespace {

const RegistryRoot classes = RegistryRoot::classesRoot;

struct Listing : ::testing::Test {
  void list(TextView key) { listing.listKey(key, registry, inventory, display); }

  MemoryRegistry registry;
  Inventory inventory;
  testing::RecordingDisplay display;
  RegistryListing listing;
};

TEST_F(Listing, BareRootListsItsSubkeysOnly) {
  registry.setDefaultString(classes, L"", L"root value");
  registry.setDefaultString(classes, L".txt", L"txtfile");
  registry.addKey(classes, L"CLSID");
  list(L"hkey_classes_root  ");
  ASSERT_EQ(inventory.lastIndex(), 1);
  EXPECT_EQ(inventory.fileType[0], L"hkey_classes_root  \\.txt");
  EXPECT_EQ(inventory.fullPath[0], L"hkey_classes_root  ");
  EXPECT_EQ(inventory.fileType[1], L"hkey_classes_root  \\CLSID");
  EXPECT_EQ(inventory.definition[1], L"");
  EXPECT_EQ(inventory.creationOrder, (std::vector<long long>{1, 2}));
}

TEST_F(Listing, DefaultValueComesFirstThenSubkeysInRegistryOrder) {
  registry.setDefaultString(classes, L"txtfile", L"Text Document");
  registry.addKey(classes, L"txtfile\\shell");
  registry.addKey(classes, L"txtfile\\DefaultIcon");
  registry.setNamedValue(classes, L"txtfile", L"big", {registryTypeBinary, std::string(600, 'x')});
  list(L"HKEY_CLASSES_ROOT  ");
  inventory.reset();
  inventory.creationCounter = 3;
  list(L"HKEY_CLASSES_ROOT  \\txtfile");
  ASSERT_EQ(inventory.lastIndex(), 2);
  EXPECT_EQ(inventory.definition[0], L"(標準)");
  EXPECT_EQ(inventory.appName[0], L"Text Document");
  EXPECT_EQ(inventory.fileType[0], inventory.fullPath[0]);
  EXPECT_EQ(inventory.fileType[1], L"HKEY_CLASSES_ROOT  \\txtfile\\DefaultIcon");
  EXPECT_EQ(inventory.fileType[2], L"HKEY_CLASSES_ROOT  \\txtfile\\shell");
  EXPECT_EQ(inventory.creationOrder, (std::vector<long long>{4, 5, 6}));
  EXPECT_TRUE(display.failures.empty());
}

TEST_F(Listing, SubkeyPathsOpenUnderTheCurrentRootWhateverRootTheySpell) {
  registry.setDefaultString(classes, L"SOFTWARE", L"in classes root");
  registry.setDefaultString(RegistryRoot::localMachine, L"SOFTWARE", L"in local machine");
  list(L"HKEY_LOCAL_MACHINE \\SOFTWARE");  // no root named yet: nothing
  EXPECT_EQ(inventory.lastIndex(), -1);
  list(L"HKEY_CLASSES_ROOT  ");
  list(L"HKEY_LOCAL_MACHINE \\SOFTWARE");
  EXPECT_EQ(inventory.appName.back(), L"in classes root");
  list(L"HKEY_NOWHERE       ");  // an unknown root keeps the current one
  EXPECT_EQ(listing.currentRoot(), 0x80000000u);
  list(L"HKEY_CLASSES_ROOT  \\missing");
  EXPECT_TRUE(display.failures.empty());
}

TEST_F(Listing, DataTextsFollowTheValueType) {
  auto text = [](std::uint32_t type, std::string bytes) {
    return dataText(RegistryData{type, std::move(bytes)});
  };
  const std::string multi = toUtf16Le(Text(L"first") + L'\0' + L"second" + L'\0' + L'\0');
  EXPECT_EQ(text(registryTypeMultiSz, multi), L"first");
  EXPECT_EQ(text(registryTypeSz, toUtf16Le(Text(L"cut") + L'\0' + L"here")), L"cut");
  EXPECT_EQ(text(registryTypeExpandSz, toUtf16Le(L"%SystemRoot%\\x")), L"%SystemRoot%\\x");
  EXPECT_EQ(text(registryTypeSz, ""), L"");
  EXPECT_EQ(text(registryTypeBinary, "\x4d\x5a"), L"4D 5A ");
  EXPECT_EQ(text(registryTypeBinary, std::string("\x00\xff", 2)), L"00 FF ");
  EXPECT_EQ(text(registryTypeDword, std::string("\x0a\0\0\0", 4)), L"&H0000000A(10)");
  EXPECT_EQ(text(registryTypeDword, "\xff\xff\xff\xff"), L"&HFFFFFFFF(-1)");
  EXPECT_EQ(text(registryTypeDwordBigEndian, std::string("\0\0\0\x0a", 4)), L"&H0000000A(10)");
  EXPECT_EQ(text(registryTypeDword, std::string("\x01", 1)), L"&H00000001(1)");
  EXPECT_EQ(text(registryTypeNone, ""), L"");
}

TEST_F(Listing, LargeDefaultValueIsReadWhole) {
  const Text big(50000, L'a');
  registry.setDefaultString(classes, L"bigtype", big);
  registry.addKey(classes, L"bigtype\\shell");
  list(L"HKEY_CLASSES_ROOT  ");
  list(L"HKEY_CLASSES_ROOT  \\bigtype");
  ASSERT_EQ(inventory.lastIndex(), 2);
  EXPECT_EQ(inventory.appName[1], big);
  EXPECT_EQ(inventory.fileType[2], L"HKEY_CLASSES_ROOT  \\bigtype\\shell");
}

TEST_F(Listing, FailureIsReportedAndKeepsWhatWasListed) {
  registry.setDefaultString(classes, L"CLSID", L"");
  for (int i = 0; i < 5; ++i) registry.addKey(classes, L"CLSID\\{" + std::to_wstring(i) + L"}");
  registry.failSubkeyName(classes, L"CLSID", 2,
                          Error{.number = 1011, .description = L"読めません"});
  list(L"HKEY_CLASSES_ROOT  ");
  list(L"HKEY_CLASSES_ROOT  \\CLSID");
  // The default value and the first two subkeys.
  EXPECT_EQ(inventory.lastIndex(), 3);
  ASSERT_EQ(display.failures.size(), 1u);
  EXPECT_EQ(display.failures[0].procedure, Procedure::listKey);
  EXPECT_EQ(display.failures[0].error.number, 1011);

  registry.failDefaultValue(classes, L".x", Error{.number = 5, .description = L"拒否"});
  list(L"HKEY_CLASSES_ROOT  \\.x");
  ASSERT_EQ(display.failures.size(), 2u);
  EXPECT_EQ(display.failures[1].procedure, Procedure::listKey);
  EXPECT_EQ(display.failures[1].error.description, L"拒否");
  EXPECT_EQ(inventory.lastIndex(), 3);
}

}  // namespace
}  // namespace vemdrol
