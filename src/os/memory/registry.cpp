#include "os/memory/registry.h"

#include <utility>

#include "base/utf16.h"

namespace vemdrol {
namespace {

constexpr auto firstRoot = static_cast<std::uint32_t>(RegistryRoot::classesRoot);

// Calls take(name) for each "\"-separated name of path, empty ones included;
// stops early when take returns false.
template <class Take>
void forEachName(TextView path, Take take) {
  while (true) {
    const std::size_t separator = path.find(L'\\');
    if (!take(path.substr(0, separator))) return;
    if (separator == TextView::npos) return;
    path.remove_prefix(separator + 1);
  }
}

}  // namespace

const std::vector<const Text*>& MemoryRegistry::Node::ordered() {
  if (byIndexStale) {
    byIndex.clear();
    byIndex.reserve(children.size());
    for (const auto& [name, child] : children) byIndex.push_back(&name);
    byIndexStale = false;
  }
  return byIndex;
}

MemoryRegistry::Extras& MemoryRegistry::Node::ensureExtras() {
  if (!extras) extras = std::make_unique<Extras>(children.key_comp().order);
  return *extras;
}

class MemoryRegistry::Key final : public RegistryKey {
 public:
  explicit Key(Node& node) : node_(node) {}

  Result<std::optional<RegistryData>> defaultValue() override {
    if (node_.extras && node_.extras->defaultValueFault) return *node_.extras->defaultValueFault;
    return node_.defaultValue;
  }

  Result<std::optional<Text>> subkeyName(std::uint32_t index) override {
    if (node_.extras) {
      const auto fault = node_.extras->subkeyNameFaults.find(index);
      if (fault != node_.extras->subkeyNameFaults.end()) return fault->second;
    }
    const std::vector<const Text*>& ordered = node_.ordered();
    if (index >= ordered.size()) return std::optional<Text>();
    return std::optional<Text>(*ordered[index]);
  }

  Result<std::optional<RegistryData>> value(TextView name) override {
    if (name.empty()) return defaultValue();
    if (!node_.extras) return std::optional<RegistryData>();
    const auto found = node_.extras->namedValues.find(name);
    if (found == node_.extras->namedValues.end()) return std::optional<RegistryData>();
    return std::optional<RegistryData>(found->second);
  }

 private:
  Node& node_;
};

MemoryRegistry::MemoryRegistry(RegistryNameOrder order) : order_(order) {
  for (auto& root : roots_) root = std::make_unique<Node>(order);
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::rootNode(RegistryRoot root) {
  const std::uint32_t slot = static_cast<std::uint32_t>(root) - firstRoot;
  return slot < roots_.size() ? roots_[slot].get() : nullptr;
}

MemoryRegistry::Node* MemoryRegistry::makePath(RegistryRoot root, TextView path) {
  Node* node = rootNode(root);
  if (node == nullptr || path.empty()) return node;
  // The whole path is checked before any key is made, so that a refused
  // path leaves nothing behind.
  bool clean = true;
  forEachName(path, [&](TextView name) {
    clean = !name.empty() && registryNameLength(name) <= maxRegistryNameLength;
    return clean;
  });
  if (!clean) return nullptr;
  forEachName(path, [&](TextView name) {
    auto at = node->children.lower_bound(name);
    if (at == node->children.end() || node->children.key_comp()(name, at->first)) {
      at = node->children.emplace_hint(at, Text(name), std::make_unique<Node>(order_));
      node->byIndexStale = true;
    }
    node = at->second.get();
    return true;
  });
  return node;
}

bool MemoryRegistry::addKey(RegistryRoot root, TextView path) {
  return makePath(root, path) != nullptr;
}

bool MemoryRegistry::setDefault(RegistryRoot root, TextView path, RegistryData data) {
  Node* node = makePath(root, path);
  if (node == nullptr) return false;
  node->defaultValue = std::move(data);
  return true;
}

bool MemoryRegistry::setDefaultString(RegistryRoot root, TextView path, TextView text,
                                      std::uint32_t type) {
  std::string bytes = toUtf16Le(text);
  bytes.append(2, '\0');
  return setDefault(root, path, RegistryData{type, std::move(bytes)});
}

bool MemoryRegistry::setNamedValue(RegistryRoot root, TextView path, TextView name,
                                   RegistryData data) {
  if (name.empty()) return setDefault(root, path, std::move(data));
  Node* node = makePath(root, path);
  if (node == nullptr) return false;
  // Value names ignore letter case like key names do; the first spelling
  // stays.
  auto& values = node->ensureExtras().namedValues;
  const auto at = values.find(name);
  if (at == values.end()) {
    values.emplace(Text(name), std::move(data));
  } else {
    at->second = std::move(data);
  }
  return true;
}

bool MemoryRegistry::denyAccess(RegistryRoot root, TextView path) {
  Node* node = makePath(root, path);
  if (node == nullptr) return false;
  node->ensureExtras().denied = true;
  return true;
}

bool MemoryRegistry::failDefaultValue(RegistryRoot root, TextView path, Error error) {
  Node* node = makePath(root, path);
  if (node == nullptr) return false;
  node->ensureExtras().defaultValueFault = std::move(error);
  return true;
}

bool MemoryRegistry::failSubkeyName(RegistryRoot root, TextView path, std::uint32_t index,
                                    Error error) {
  Node* node = makePath(root, path);
  if (node == nullptr) return false;
  node->ensureExtras().subkeyNameFaults.insert_or_assign(index, std::move(error));
  return true;
}

std::unique_ptr<RegistryKey> MemoryRegistry::open(RegistryRoot root, TextView subKey) {
  Node* node = rootNode(root);
  if (node == nullptr || subKey.find(L'\0') != TextView::npos || subKey.starts_with(L'\\')) {
    return nullptr;
  }
  forEachName(subKey, [&](TextView name) {
    if (name.empty()) return true;
    const auto child = node->children.find(name);
    node = child == node->children.end() ? nullptr : child->second.get();
    return node != nullptr;
  });
  if (node == nullptr || (node->extras && node->extras->denied)) return nullptr;
  return std::make_unique<Key>(*node);
}

}  // namespace vemdrol
