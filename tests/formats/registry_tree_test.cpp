#include "formats/registry/registry_tree.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/utf16.h"
#include "os/memory/classes_registry.h"

namespace vemdrol {
namespace {

using Names = std::vector<Text>;
using Node = RegistryTree::Node;
constexpr RegistryRoot hkcr = RegistryRoot::classesRoot;

// Adds the "\"-separated path below the top, each key once.
Node addPath(RegistryTreeBuilder& builder, TextView path) {
  Node node = builder.top();
  while (!path.empty()) {
    const std::size_t separator = path.find(L'\\');
    node = builder.subkey(node, toUtf16(path.substr(0, separator)));
    path = separator == TextView::npos ? TextView() : path.substr(separator + 1);
  }
  return node;
}

void setText(RegistryTreeBuilder& builder, TextView path, TextView text) {
  std::string bytes = toUtf16Le(text);
  bytes.append(2, '\0');
  builder.setDefault(addPath(builder, path), registryTypeSz, bytes);
}

Names subkeysOf(Registry& registry, TextView path) {
  Names names;
  auto key = registry.open(hkcr, path);
  EXPECT_NE(key, nullptr) << "cannot open the key";
  for (std::uint32_t i = 0; key; ++i) {
    auto name = key->subkeyName(i);
    if (!name.ok() || !name.value()) break;
    names.push_back(*name.value());
  }
  return names;
}

std::optional<Text> defaultOf(Registry& registry, TextView path) {
  auto key = registry.open(hkcr, path);
  if (!key) return std::nullopt;
  auto value = key->defaultValue();
  if (!value.ok() || !value.value()) return Text(L"(none)");
  const Text text = fromUtf16Le(value.value()->bytes);
  return text.substr(0, text.find(L'\0'));
}

TEST(ClassesRegistry, MergesTheUsersClassesOverTheMachinesAsWindowsDoes) {
  RegistryTreeBuilder machine(RegistryNameOrder::windows);
  setText(machine, L".txt", L"txtfile");
  setText(machine, L".doc", L"Word.Document");
  addPath(machine, L"AZ\\shell");
  addPath(machine, L"AZ\\DefaultIcon");
  addPath(machine, L"A_");
  setText(machine, L"txtfile\\shell\\open\\command", L"notepad.exe %1");
  RegistryTreeBuilder user(RegistryNameOrder::windows);
  addPath(user, L".TXT\\OpenWithProgids");
  setText(user, L".doc", L"User.Document");
  setText(user, L"B", L"b");
  addPath(user, L"az\\UserSub");
  ClassesRegistry registry(std::move(machine).finish(), std::move(user).finish());

  // Both listings sorted as Windows sorts, each name once, the user's
  // spelling where both have it.
  EXPECT_EQ(subkeysOf(registry, L""), (Names{L".doc", L".TXT", L"az", L"A_", L"B", L"txtfile"}));
  EXPECT_EQ(subkeysOf(registry, L"AZ"), (Names{L"DefaultIcon", L"shell", L"UserSub"}));
  EXPECT_EQ(defaultOf(registry, L".doc"), L"User.Document");
  EXPECT_EQ(defaultOf(registry, L".txt"), L"txtfile");  // the user's key has none
  EXPECT_EQ(subkeysOf(registry, L".txt"), (Names{L"OpenWithProgids"}));
  EXPECT_EQ(defaultOf(registry, L"b"), L"b");
  EXPECT_EQ(defaultOf(registry, L"TXTFILE\\shell\\open\\command"), L"notepad.exe %1");
  EXPECT_EQ(defaultOf(registry, L"AZ"), L"(none)");

  // Paths as the running registry takes them.
  EXPECT_EQ(defaultOf(registry, L"txtfile\\\\shell\\open\\command\\"), L"notepad.exe %1");
  EXPECT_FALSE(defaultOf(registry, L"\\txtfile"));
  EXPECT_FALSE(defaultOf(registry, Text(L"txtfile\0x", 9)));
  EXPECT_FALSE(defaultOf(registry, L"missing"));
  EXPECT_EQ(registry.open(RegistryRoot::localMachine, L""), nullptr);
}

TEST(ClassesRegistry, ListsAHiveInItsStoredOrderAndStillFindsEveryKey) {
  RegistryTreeBuilder builder(std::nullopt);
  const Node top = builder.top();
  for (const char16_t* name : {u"b", u"A", u"c", u"a"}) {
    const Node node = builder.addSubkey(top, name);
    std::string bytes = toUtf16Le(fromUtf16(name));
    builder.setDefault(node, registryTypeBinary, bytes);
  }
  RegistryTree tree = std::move(builder).finish();
  ASSERT_EQ(tree.subkeyCount(top), 4u);
  // A damaged hive may list a name twice; the first listed is the one found.
  EXPECT_EQ(tree.name(tree.find(top, u"a")), u"A");
  EXPECT_EQ(tree.name(tree.find(top, u"C")), u"c");
  EXPECT_EQ(tree.find(top, u"d"), RegistryTree::noNode);

  ClassesRegistry registry(std::move(tree));
  EXPECT_EQ(subkeysOf(registry, L""), (Names{L"b", L"A", L"c", L"a"}));
  EXPECT_EQ(defaultOf(registry, L"a"), L"A");
}

// Wine follows a link to a link up to 16 links in a row.
TEST(ClassesRegistry, FollowsLinksAsFarAsWineDoes) {
  for (int links : {16, 17}) {
    RegistryTreeBuilder builder(RegistryNameOrder::wine, u"\\REGISTRY\\Machine\\Software\\Classes");
    setText(builder, L"Target", L"reached");
    for (int i = 1; i <= links; ++i) {
      const Text next = i == links ? Text(L"Target") : L"L" + std::to_wstring(i + 1);
      builder.setLink(addPath(builder, L"L" + std::to_wstring(i)),
                      toUtf16(L"\\Registry\\MACHINE\\software\\Classes\\" + next));
    }
    builder.setLink(addPath(builder, L"Loop"), u"\\REGISTRY\\Machine\\Software\\Classes\\Loop");
    builder.setLink(addPath(builder, L"Bare"), u"\\REGISTRY\\\\Machine\\Software\\Classes\\Target");
    ClassesRegistry registry(std::move(builder).finish());
    EXPECT_EQ(defaultOf(registry, L"L1"),
              links == 16 ? std::optional<Text>(L"reached") : std::nullopt)
        << links;
    EXPECT_EQ(defaultOf(registry, L"L2"), L"reached");
    EXPECT_FALSE(defaultOf(registry, L"Loop"));
    EXPECT_FALSE(defaultOf(registry, L"Bare"));
  }
}

}  // namespace
}  // namespace vemdrol
