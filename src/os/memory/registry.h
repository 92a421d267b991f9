// A registry held in memory, for tests and benchmarks. It answers as the real
// one does: subkeys in the registry's order (formats/registry/registry_names.h),
// names that differ only in letter case naming one key, the default value
// as stored, and the same answers to odd paths. It can also be told to fail
// the ways a real registry does.
//
// Paths are "\"-separated. Set-up paths must be clean: no empty name, no name
// longer than 255 UTF-16 code units, no name of a root the registry does not
// have; a set-up call given such a path changes nothing and returns false.
// Keys above a set-up path are created as needed. A name may hold a NUL,
// which the real registry allows through its native interface: such a key is
// listed but can never be opened.
//
// Opening follows what the real registry does with a path (Wine's, where
// Windows' is not documented): a leading "\" opens nothing; doubled and
// trailing separators are passed over; "/" is an ordinary character. Opening
// a key checks only that key's own access, not its parents'.
//
// Open keys see later set-up calls. Keys must not outlive the registry.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/registry/registry_names.h"
#include "os/registry.h"

namespace vemdrol {

class MemoryRegistry final : public Registry {
 public:
  explicit MemoryRegistry(RegistryNameOrder order = RegistryNameOrder::windows);
  ~MemoryRegistry() override;

  bool addKey(RegistryRoot root, TextView path);

  // The key's default value, stored as given.
  bool setDefault(RegistryRoot root, TextView path, RegistryData data);
  // A string default value stored the way writers of the registry store it:
  // UTF-16LE with one terminating NUL.
  bool setDefaultString(RegistryRoot root, TextView path, TextView text,
                        std::uint32_t type = registryTypeSz);
  // A named value. An empty name is the default value, as in the real
  // registry.
  bool setNamedValue(RegistryRoot root, TextView path, TextView name, RegistryData data);

  // Faults. The key is created if needed, and stays listed by its parent.
  // open() of exactly this key gives nullptr, as for access denied.
  bool denyAccess(RegistryRoot root, TextView path);
  // defaultValue() of this key returns the error.
  bool failDefaultValue(RegistryRoot root, TextView path, Error error);
  // subkeyName(index) of this key returns the error; the other indexes
  // answer as usual.
  bool failSubkeyName(RegistryRoot root, TextView path, std::uint32_t index, Error error);

  std::unique_ptr<RegistryKey> open(RegistryRoot root, TextView subKey) override;
  // One tree holds both views, as a hive does (wow64Path).
  std::unique_ptr<RegistryKey> openInView(RegistryRoot root, TextView subKey,
                                          RegistryView view) override {
    return open(root, view == RegistryView::bits32 ? wow64Path(root, subKey) : Text(subKey));
  }

 private:
  struct Node;

  struct NameLess {
    using is_transparent = void;
    RegistryNameOrder order;
    bool operator()(TextView a, TextView b) const { return compareRegistryNames(a, b, order) < 0; }
  };
  using Children = std::map<Text, std::unique_ptr<Node>, NameLess>;

  // What few keys have: named values and injected faults.
  struct Extras {
    explicit Extras(RegistryNameOrder order) : namedValues(NameLess{order}) {}
    std::map<Text, RegistryData, NameLess> namedValues;
    bool denied = false;
    std::optional<Error> defaultValueFault;
    std::map<std::uint32_t, Error> subkeyNameFaults;
  };

  // A key. Its name is its entry's key in the parent's children.
  struct Node {
    explicit Node(RegistryNameOrder order) : children(NameLess{order}) {}
    std::optional<RegistryData> defaultValue;
    Children children;
    // The children's names in the registry's order for lookup by index;
    // rebuilt on the first lookup after a child was added.
    std::vector<const Text*> byIndex;
    bool byIndexStale = false;
    std::unique_ptr<Extras> extras;

    const std::vector<const Text*>& ordered();
    Extras& ensureExtras();
  };

  class Key;

  Node* rootNode(RegistryRoot root);
  // The key at a clean set-up path, created as needed; nullptr for a path
  // that is not clean.
  Node* makePath(RegistryRoot root, TextView path);

  RegistryNameOrder order_;
  std::array<std::unique_ptr<Node>, 7> roots_;
};

}  // namespace vemdrol
