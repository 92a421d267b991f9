// Feeds arbitrary bytes to the reader of Wine's registry files, as a whole
// file and as system.reg, and walks what it kept through HKEY_CLASSES_ROOT:
// nothing may crash or hang, a failure must name a line of the input, and
// everything handed over must fit in the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "formats/limits.h"
#include "formats/registry/registry_tree.h"
#include "formats/registry/wine_registry.h"
#include "os/memory/classes_registry.h"

namespace {

using vemdrol::Text;

void check(bool condition) {
  if (!condition) std::abort();
}

class CheckingSink final : public vemdrol::WineRegistrySink {
 public:
  explicit CheckingSink(std::size_t size) : size_(size) {}

  bool key(const std::vector<std::u16string_view>& names) override {
    std::size_t length = 0;
    for (std::u16string_view name : names) {
      check(!name.empty() && name.size() <= vemdrol::maxWineKeyNameLength);
      length += name.size();
    }
    check(length <= size_);
    // Every other key unwanted, so that both ways through a file are taken.
    return ++keys_ % 2 == 0;
  }
  void link() override {}
  void value(std::u16string_view name, std::uint32_t, std::string_view data) override {
    check(name.size() <= size_);
    // A string takes two bytes a character and a NUL; a list one byte for
    // at least two characters; a number four bytes.
    check(data.size() <= 2 * size_ + 4);
  }

 private:
  std::size_t size_;
  std::size_t keys_ = 0;
};

// Every key reachable by name within a few levels; links may make the tree
// seem endless, so the walk is bounded.
void walk(vemdrol::Registry& registry, const Text& path, int depth, int& budget) {
  auto key = registry.open(vemdrol::RegistryRoot::classesRoot, path);
  if (!key || --budget < 0) return;
  check(key->defaultValue().ok());
  for (std::uint32_t i = 0;; ++i) {
    auto name = key->subkeyName(i);
    check(name.ok());
    if (!name.value()) break;
    if (depth < 4)
      walk(registry, path.empty() ? *name.value() : path + L"\\" + *name.value(), depth + 1,
           budget);
  }
}

// Every key of a tree with the values the lister asks for.
void walkTree(const vemdrol::RegistryTree& tree, vemdrol::RegistryTree::Node node, int& budget) {
  if (--budget < 0) return;
  for (const char16_t* name : {u"", u"DisplayName", u"SymbolicLinkValue"}) {
    if (auto value = tree.value(node, name)) check(value->bytes.size() <= 2 * tree.heldBytes() + 4);
  }
  for (std::uint32_t i = 0; i < tree.subkeyCount(node); ++i)
    walkTree(tree, tree.subkey(node, i), budget);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t lines = 1;
  for (char c : bytes) lines += c == '\n';

  CheckingSink sink(size);
  const vemdrol::Status read = vemdrol::readWineRegistry(bytes, sink);
  if (!read) {
    check(read.error().number >= 1 && static_cast<std::size_t>(read.error().number) <= lines);
    check(read.error().fault != vemdrol::Fault::system);
    check(read.error().subject == std::to_wstring(read.error().number));
  }

  // The subtrees with their named values, read as for the applications.
  vemdrol::Result<vemdrol::RegistryTree> subtrees =
      vemdrol::readWineSubtrees(bytes, {L"Software\\*\\Uninstall", L"Software"});
  if (subtrees) {
    check(subtrees.value().size() <= size + 1);
    int subtreeBudget = 10000;
    walkTree(subtrees.value(), subtrees.value().top(), subtreeBudget);
  }

  vemdrol::Result<vemdrol::WineMachine> machine =
      vemdrol::readWineMachine(bytes, {L"Software\\Microsoft"});
  if (!machine) return 0;
  check(machine.value().subtrees.size() <= size + 1);
  check(machine.value().computerName.size() <= size);
  check(machine.value().classes.size() <= size + 1);
  vemdrol::ClassesRegistry registry(std::move(machine.value().classes));
  int budget = 10000;
  walk(registry, Text(), 0, budget);
  return 0;
}
