#include "offline/subtree_registry.h"

#include "base/utf16.h"

namespace vemdrol {
namespace {

std::vector<Text> namesOf(TextView path) {
  std::vector<Text> names;
  while (!path.empty()) {
    const std::size_t separator = path.find(L'\\');
    if (separator != 0) names.emplace_back(path.substr(0, separator));
    if (separator == TextView::npos) break;
    path.remove_prefix(separator + 1);
  }
  return names;
}

}  // namespace

class SubtreeRegistry::Key final : public RegistryKey {
 public:
  Key(std::shared_ptr<const RegistryTree> tree, RegistryTree::Node node)
      : tree_(std::move(tree)), node_(node) {}

  Result<std::optional<RegistryData>> defaultValue() override { return tree_->defaultValue(node_); }

  Result<std::optional<Text>> subkeyName(std::uint32_t index) override {
    if (index >= tree_->subkeyCount(node_)) return std::optional<Text>();
    return std::optional<Text>(fromUtf16(tree_->name(tree_->subkey(node_, index))));
  }

  Result<std::optional<RegistryData>> value(TextView name) override {
    return tree_->value(node_, toUtf16(name));
  }

 private:
  std::shared_ptr<const RegistryTree> tree_;
  RegistryTree::Node node_;
};

void SubtreeRegistry::place(RegistryRoot root, TextView path,
                            std::shared_ptr<const RegistryTree> tree) {
  places_.push_back(Place{root, namesOf(path), std::move(tree)});
}

std::unique_ptr<RegistryKey> SubtreeRegistry::open(RegistryRoot root, TextView subKey) {
  if (subKey.find(L'\0') != TextView::npos || subKey.starts_with(L'\\')) return nullptr;
  const std::vector<Text> names = namesOf(subKey);
  const Place* best = nullptr;
  for (const Place& place : places_) {
    if (place.root != root || place.names.size() > names.size()) continue;
    if (best && best->names.size() >= place.names.size()) continue;
    bool inside = true;
    for (std::size_t i = 0; inside && i < place.names.size(); ++i) {
      inside = equalNoCase(place.names[i], names[i]);
    }
    if (inside) best = &place;
  }
  if (!best) return nullptr;
  std::u16string rest;
  for (std::size_t i = best->names.size(); i < names.size(); ++i) {
    if (!rest.empty()) rest += u'\\';
    rest += toUtf16(names[i]);
  }
  const RegistryTree::Node node = best->tree->walk(rest);
  if (node == RegistryTree::noNode) return nullptr;
  return std::make_unique<Key>(best->tree, node);
}

}  // namespace vemdrol
