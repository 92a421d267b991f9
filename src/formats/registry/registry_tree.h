// Registries read whole from the files of a Windows system that is not
// running (a Wine prefix's system.reg, the hive files of a Windows
// installation), held compactly for reading only.
//
// A RegistryTree is one key and everything below it: every name stored once
// in one block of UTF-16 code units, the keys in flat arrays, each key's
// subkeys side by side in the order the registry lists them. Every key may
// have a default value; named values are kept only where the reader asked
// for them (the subtrees a lister reads, such as the uninstall entries),
// so that the classes of a crowded machine, with millions of named values
// no reader wants, cost no more than their keys and default values.
//
// os/memory/classes_registry.h answers for HKEY_CLASSES_ROOT over such trees
// the way the running system does.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/registry/registry_data.h"
#include "formats/registry/registry_names.h"

namespace vemdrol {

class RegistryTree {
 public:
  using Node = std::uint32_t;
  static constexpr Node noNode = 0xFFFFFFFF;

  // A tree of one key without name, subkeys or values.
  RegistryTree();

  Node top() const { return 0; }
  std::size_t size() const { return nodes_.size(); }

  std::u16string_view name(Node node) const;
  std::uint32_t subkeyCount(Node node) const { return nodes_[node].childCount; }
  // The subkey at index in the listing order.
  Node subkey(Node node, std::uint32_t index) const {
    return children_[nodes_[node].firstChild + index];
  }
  // The subkey that name names, letter case ignored as the registry ignores
  // it; noNode when there is none. Where a damaged file lists two subkeys
  // of the same name, the first one listed.
  Node find(Node node, std::u16string_view name) const;
  std::optional<RegistryData> defaultValue(Node node) const;
  // The value of that name (letter case ignored as the registry ignores
  // it; "" the default value); nullopt when the tree keeps none.
  std::optional<RegistryData> value(Node node, std::u16string_view name) const;
  // The key a "\"-separated path names below the top, runs of separators
  // passed over and every symbolic link on the way followed; noNode where
  // there is none or a link leads nowhere.
  Node walk(std::u16string_view path) const;

  // Where a symbolic link key points, as a path of names from the top of
  // this tree; nullptr for an ordinary key. An empty path is the top; a
  // link that leads out of the tree has no path here and is a key that
  // cannot be opened (see ClassesRegistry::open).
  struct Link {
    bool insideTree = false;
    std::u16string path;
  };
  const Link* link(Node node) const;

  // The bytes held, for measuring.
  std::size_t heldBytes() const;

 private:
  friend class RegistryTreeBuilder;

  struct Entry {
    std::uint32_t nameAt = 0;
    std::uint32_t nameLength = 0;
    std::uint32_t firstChild = 0;
    std::uint32_t childCount = 0;
    std::uint32_t value = noNode;  // index into values_
  };
  struct Value {
    std::uint32_t type = 0;
    std::uint32_t at = 0;
    std::uint32_t size = 0;
  };
  // A named value: its name in names_, its data in values_.
  struct NamedValue {
    Node node = 0;
    std::uint32_t nameAt = 0;
    std::uint32_t nameLength = 0;
    std::uint32_t value = 0;
  };

  std::vector<Entry> nodes_;
  std::vector<Node> children_;
  // The same ranges as children_, each sorted by name for find(); empty
  // when children_ is sorted already, as it always is for Wine and nearly
  // always for a hive.
  std::vector<Node> sorted_;
  RegistryNameOrder findOrder_ = RegistryNameOrder::windows;
  std::u16string names_;
  std::string valueBytes_;
  std::vector<Value> values_;
  // Sorted by node; empty for a tree of default values alone.
  std::vector<NamedValue> named_;
  std::unordered_map<Node, Link> links_;
};

// Builds a RegistryTree key by key.
class RegistryTreeBuilder {
 public:
  using Node = RegistryTree::Node;

  // With an order, every key's subkeys are listed sorted in it, as Wine
  // keeps them. Without one they are listed as they were added, as a hive
  // stores them. rootPath is the tree's top as a full registry path
  // ("\REGISTRY\Machine\Software\Classes"), against which link targets are
  // resolved.
  explicit RegistryTreeBuilder(std::optional<RegistryNameOrder> listingOrder,
                               std::u16string rootPath = u"");

  Node top() const { return 0; }

  // The subkey of parent that name names, made when it is not there yet; the
  // first spelling stays.
  Node subkey(Node parent, std::u16string_view name);
  // A new subkey even where one of the same name is there already, as a
  // damaged hive may list one.
  Node addSubkey(Node parent, std::u16string_view name);

  void setDefault(Node node, std::uint32_t type, std::string_view bytes);
  // A named value; "" sets the default value. Of a name set twice the
  // last counts, as when Wine's server loads a file that sets it twice.
  void setValue(Node node, std::u16string_view name, std::uint32_t type, std::string_view bytes);
  // Makes node a symbolic link to a full registry path ("\REGISTRY\...");
  // without a target it is a link that leads nowhere.
  void setLink(Node node, std::optional<std::u16string_view> target);

  std::size_t size() const { return entries_.size(); }
  std::u16string_view name(Node node) const { return nameOf(entries_[node]); }
  Node parent(Node node) const { return entries_[node].parent; }

  // Throws std::bad_alloc when memory runs out, like any container.
  RegistryTree finish() &&;

 private:
  struct Entry {
    Node parent;
    std::uint32_t nameAt;
    std::uint32_t nameLength;
    std::uint32_t value;
  };

  std::u16string_view nameOf(const Entry& entry) const {
    return std::u16string_view(names_).substr(entry.nameAt, entry.nameLength);
  }
  std::size_t slotFor(Node parent, std::u16string_view name, std::size_t hash) const;
  void grow();

  std::optional<RegistryNameOrder> listingOrder_;
  std::u16string rootPath_;
  std::vector<Entry> entries_;
  std::u16string names_;
  std::string valueBytes_;
  std::vector<RegistryTree::Value> values_;
  std::vector<RegistryTree::NamedValue> named_;
  std::unordered_map<Node, std::optional<std::u16string>> links_;
  // Open addressing over entries_, for subkey(): noNode marks a free slot.
  std::vector<Node> table_;
};

}  // namespace vemdrol
