#include "formats/registry/registry_tree.h"

#include <algorithm>
#include <limits>
#include <new>
#include <unordered_set>
#include <utility>

#include "base/utf16.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

using Node = RegistryTree::Node;

// The names of a "\"-separated path, runs of separators passed over.
std::vector<std::u16string_view> pathNames(std::u16string_view path) {
  std::vector<std::u16string_view> names;
  while (!path.empty()) {
    const std::size_t separator = path.find(u'\\');
    if (separator != 0) names.push_back(path.substr(0, separator));
    if (separator == std::u16string_view::npos) break;
    path.remove_prefix(separator + 1);
  }
  return names;
}

std::uint32_t checkedSize(std::size_t size) {
  // The offsets are 32 bits wide; no registry file the program reads comes
  // near that, but a damaged one must not wrap them.
  if (size > std::numeric_limits<std::uint32_t>::max() - 1) throw std::bad_alloc();
  return static_cast<std::uint32_t>(size);
}

std::size_t nameHash(Node parent, std::u16string_view name) {
  std::size_t hash = (static_cast<std::size_t>(parent) + 1) * 0x9E3779B97F4A7C15ull;
  for (char16_t unit : name) hash = (hash ^ registryUpperCase(unit)) * 0x100000001B3ull;
  return hash ^ (hash >> 29);
}

// The link's place in the tree: its target must start with rootPath,
// compared name by name as the registry compares names.
RegistryTree::Link resolveLink(const std::optional<std::u16string>& target,
                               std::u16string_view rootPath) {
  RegistryTree::Link link;
  if (!target || rootPath.empty()) return link;
  // Wine takes only targets that start with "\REGISTRY\" and whose next
  // name follows at once.
  constexpr std::u16string_view registry = u"\\REGISTRY\\";
  if (target->size() <= registry.size() ||
      compareRegistryNames(std::u16string_view(*target).substr(0, registry.size()), registry,
                           RegistryNameOrder::windows) != 0 ||
      (*target)[registry.size()] == u'\\') {
    return link;
  }
  const std::vector<std::u16string_view> wanted = pathNames(*target);
  const std::vector<std::u16string_view> root = pathNames(rootPath);
  if (wanted.size() < root.size()) return link;
  for (std::size_t i = 0; i < root.size(); ++i) {
    if (compareRegistryNames(wanted[i], root[i], RegistryNameOrder::windows) != 0) return link;
  }
  link.insideTree = true;
  for (std::size_t i = root.size(); i < wanted.size(); ++i) {
    if (!link.path.empty()) link.path += u'\\';
    link.path += wanted[i];
  }
  return link;
}

// The key node stands for once its links are followed; noNode where they
// lead nowhere.
Node followLinks(const RegistryTree& tree, Node node, int depth = 0) {
  const RegistryTree::Link* link = tree.link(node);
  if (!link) return node;
  if (!link->insideTree || depth >= maxRegistryLinkDepth) return RegistryTree::noNode;
  Node target = tree.top();
  for (std::u16string_view name : pathNames(link->path)) {
    target = tree.find(target, name);
    if (target == RegistryTree::noNode) return target;
    target = followLinks(tree, target, depth + 1);
    if (target == RegistryTree::noNode) return target;
  }
  return target;
}

}  // namespace

RegistryTree::RegistryTree() : nodes_(1) {}

Node RegistryTree::walk(std::u16string_view path) const {
  Node node = top();
  for (std::u16string_view name : pathNames(path)) {
    node = find(node, name);
    if (node == noNode) return node;
    node = followLinks(*this, node);
    if (node == noNode) return node;
  }
  return node;
}

std::u16string_view RegistryTree::name(Node node) const {
  const Entry& entry = nodes_[node];
  return std::u16string_view(names_).substr(entry.nameAt, entry.nameLength);
}

Node RegistryTree::find(Node node, std::u16string_view wanted) const {
  const Entry& entry = nodes_[node];
  const std::vector<Node>& ordered = sorted_.empty() ? children_ : sorted_;
  const auto begin = ordered.begin() + entry.firstChild;
  const auto end = begin + entry.childCount;
  const auto at = std::lower_bound(begin, end, wanted, [&](Node child, std::u16string_view key) {
    return compareRegistryNames(name(child), key, findOrder_) < 0;
  });
  if (at == end || compareRegistryNames(name(*at), wanted, findOrder_) != 0) return noNode;
  return *at;
}

std::optional<RegistryData> RegistryTree::defaultValue(Node node) const {
  const std::uint32_t index = nodes_[node].value;
  if (index == noNode) return std::nullopt;
  const Value& value = values_[index];
  return RegistryData{value.type, valueBytes_.substr(value.at, value.size)};
}

std::optional<RegistryData> RegistryTree::value(Node node, std::u16string_view name) const {
  if (name.empty()) return defaultValue(node);
  auto at =
      std::lower_bound(named_.begin(), named_.end(), node,
                       [](const NamedValue& value, Node wanted) { return value.node < wanted; });
  const Value* found = nullptr;
  for (; at != named_.end() && at->node == node; ++at) {
    const std::u16string_view stored =
        std::u16string_view(names_).substr(at->nameAt, at->nameLength);
    if (compareRegistryNames(stored, name, RegistryNameOrder::windows) == 0) {
      found = &values_[at->value];
    }
  }
  if (!found) return std::nullopt;
  return RegistryData{found->type, valueBytes_.substr(found->at, found->size)};
}

const RegistryTree::Link* RegistryTree::link(Node node) const {
  if (links_.empty()) return nullptr;
  const auto at = links_.find(node);
  return at == links_.end() ? nullptr : &at->second;
}

std::size_t RegistryTree::heldBytes() const {
  return nodes_.capacity() * sizeof(Entry) + children_.capacity() * sizeof(Node) +
         sorted_.capacity() * sizeof(Node) + names_.capacity() * sizeof(char16_t) +
         valueBytes_.capacity() + values_.capacity() * sizeof(Value) +
         named_.capacity() * sizeof(NamedValue);
}

RegistryTreeBuilder::RegistryTreeBuilder(std::optional<RegistryNameOrder> listingOrder,
                                         std::u16string rootPath)
    : listingOrder_(listingOrder), rootPath_(std::move(rootPath)) {
  entries_.push_back(Entry{RegistryTree::noNode, 0, 0, RegistryTree::noNode});
}

std::size_t RegistryTreeBuilder::slotFor(Node parent, std::u16string_view name,
                                         std::size_t hash) const {
  const std::size_t mask = table_.size() - 1;
  std::size_t slot = hash & mask;
  while (table_[slot] != RegistryTree::noNode) {
    const Entry& entry = entries_[table_[slot]];
    if (entry.parent == parent &&
        compareRegistryNames(nameOf(entry), name, RegistryNameOrder::windows) == 0) {
      break;
    }
    slot = (slot + 1) & mask;
  }
  return slot;
}

void RegistryTreeBuilder::grow() {
  std::vector<Node> old = std::exchange(
      table_,
      std::vector<Node>(std::max<std::size_t>(1024, table_.size() * 2), RegistryTree::noNode));
  // Re-inserted in creation order, so that among equal names the first made
  // stays the one found.
  for (Node node = 1; node < entries_.size(); ++node) {
    const Entry& entry = entries_[node];
    const std::size_t mask = table_.size() - 1;
    std::size_t slot = nameHash(entry.parent, nameOf(entry)) & mask;
    while (table_[slot] != RegistryTree::noNode) slot = (slot + 1) & mask;
    table_[slot] = node;
  }
}

RegistryTreeBuilder::Node RegistryTreeBuilder::subkey(Node parent, std::u16string_view name) {
  if ((entries_.size() + 1) * 2 > table_.size()) grow();
  const std::size_t slot = slotFor(parent, name, nameHash(parent, name));
  if (table_[slot] != RegistryTree::noNode) return table_[slot];
  const Node node = addSubkey(parent, name);
  return node;
}

RegistryTreeBuilder::Node RegistryTreeBuilder::addSubkey(Node parent, std::u16string_view name) {
  const Node node = checkedSize(entries_.size());
  const std::uint32_t at = checkedSize(names_.size());
  checkedSize(names_.size() + name.size());
  names_ += name;
  entries_.push_back(
      Entry{parent, at, static_cast<std::uint32_t>(name.size()), RegistryTree::noNode});
  if (!table_.empty()) {
    if ((entries_.size() + 1) * 2 > table_.size()) {
      grow();
    } else {
      const std::size_t mask = table_.size() - 1;
      std::size_t slot = nameHash(parent, name) & mask;
      while (table_[slot] != RegistryTree::noNode) slot = (slot + 1) & mask;
      table_[slot] = node;
    }
  }
  return node;
}

void RegistryTreeBuilder::setDefault(Node node, std::uint32_t type, std::string_view bytes) {
  const std::uint32_t at = checkedSize(valueBytes_.size());
  checkedSize(valueBytes_.size() + bytes.size());
  valueBytes_ += bytes;
  entries_[node].value = checkedSize(values_.size());
  values_.push_back(RegistryTree::Value{type, at, static_cast<std::uint32_t>(bytes.size())});
}

void RegistryTreeBuilder::setValue(Node node, std::u16string_view name, std::uint32_t type,
                                   std::string_view bytes) {
  if (name.empty()) {
    setDefault(node, type, bytes);
    return;
  }
  const std::uint32_t nameAt = checkedSize(names_.size());
  checkedSize(names_.size() + name.size());
  const std::uint32_t at = checkedSize(valueBytes_.size());
  checkedSize(valueBytes_.size() + bytes.size());
  names_ += name;
  valueBytes_ += bytes;
  const std::uint32_t value = checkedSize(values_.size());
  values_.push_back(RegistryTree::Value{type, at, static_cast<std::uint32_t>(bytes.size())});
  named_.push_back(
      RegistryTree::NamedValue{node, nameAt, static_cast<std::uint32_t>(name.size()), value});
}

void RegistryTreeBuilder::setLink(Node node, std::optional<std::u16string_view> target) {
  links_[node] = target ? std::optional<std::u16string>(*target) : std::nullopt;
}

RegistryTree RegistryTreeBuilder::finish() && {
  RegistryTree tree;
  const std::size_t count = entries_.size();
  table_ = {};
  tree.nodes_.resize(count);
  for (Node node = 1; node < count; ++node) ++tree.nodes_[entries_[node].parent].childCount;
  std::uint32_t next = 0;
  for (Node node = 0; node < count; ++node) {
    RegistryTree::Entry& entry = tree.nodes_[node];
    entry.firstChild = next;
    next += entry.childCount;
    entry.nameAt = entries_[node].nameAt;
    entry.nameLength = entries_[node].nameLength;
    entry.value = entries_[node].value;
  }
  {
    // Subkeys in the order they were added, which for a hive is the order
    // stored.
    std::vector<std::uint32_t> cursor(count);
    for (Node node = 0; node < count; ++node) cursor[node] = tree.nodes_[node].firstChild;
    tree.children_.resize(count - 1);
    for (Node node = 1; node < count; ++node) {
      tree.children_[cursor[entries_[node].parent]++] = node;
    }
  }
  entries_ = {};
  tree.names_ = std::move(names_);
  tree.valueBytes_ = std::move(valueBytes_);
  tree.values_ = std::move(values_);
  // By node, each node's values in the order set, so that the last of a
  // name set twice is the one found.
  std::stable_sort(named_.begin(), named_.end(),
                   [](const RegistryTree::NamedValue& a, const RegistryTree::NamedValue& b) {
                     return a.node < b.node;
                   });
  tree.named_ = std::move(named_);

  const auto sortRange = [&](std::vector<Node>& nodes, const RegistryTree::Entry& entry,
                             RegistryNameOrder order) {
    const auto begin = nodes.begin() + entry.firstChild;
    std::stable_sort(begin, begin + entry.childCount, [&](Node a, Node b) {
      return compareRegistryNames(tree.name(a), tree.name(b), order) < 0;
    });
  };
  if (listingOrder_) {
    tree.findOrder_ = *listingOrder_;
    for (const RegistryTree::Entry& entry : tree.nodes_) {
      if (entry.childCount > 1) sortRange(tree.children_, entry, *listingOrder_);
    }
  } else {
    tree.findOrder_ = RegistryNameOrder::windows;
    const auto sorted = [&](const RegistryTree::Entry& entry) {
      for (std::uint32_t i = 1; i < entry.childCount; ++i) {
        const Node before = tree.children_[entry.firstChild + i - 1];
        const Node after = tree.children_[entry.firstChild + i];
        if (compareRegistryNames(tree.name(before), tree.name(after), tree.findOrder_) >= 0) {
          return false;
        }
      }
      return true;
    };
    for (const RegistryTree::Entry& entry : tree.nodes_) {
      if (sorted(entry)) continue;
      if (tree.sorted_.empty()) tree.sorted_ = tree.children_;
      sortRange(tree.sorted_, entry, tree.findOrder_);
    }
  }
  for (const auto& [node, target] : links_)
    tree.links_.emplace(node, resolveLink(target, rootPath_));
  return tree;
}

}  // namespace vemdrol
