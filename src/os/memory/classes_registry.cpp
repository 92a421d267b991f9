#include "os/memory/classes_registry.h"

#include <unordered_set>
#include <utility>

#include "base/utf16.h"

namespace vemdrol {
namespace {

using Node = RegistryTree::Node;

std::u16string upperCased(std::u16string_view name) {
  std::u16string upper(name);
  for (char16_t& unit : upper) unit = registryUpperCase(unit);
  return upper;
}

}  // namespace

class ClassesRegistry::Key final : public RegistryKey {
 public:
  Key(const RegistryTree& machine, Node machineNode, const RegistryTree* user, Node userNode)
      : machine_(machine), machineNode_(machineNode), user_(user), userNode_(userNode) {}

  Result<std::optional<RegistryData>> defaultValue() override {
    if (userNode_ != RegistryTree::noNode) {
      std::optional<RegistryData> value = user_->defaultValue(userNode_);
      if (value || machineNode_ == RegistryTree::noNode) return value;
    }
    return machine_.defaultValue(machineNode_);
  }

  Result<std::optional<Text>> subkeyName(std::uint32_t index) override {
    if (userNode_ == RegistryTree::noNode) return nameAt(machine_, machineNode_, index);
    if (machineNode_ == RegistryTree::noNode) return nameAt(*user_, userNode_, index);
    if (!merged_) merge();
    if (index >= merged_->size()) return std::optional<Text>();
    const auto [fromUser, node] = (*merged_)[index];
    return std::optional<Text>(fromUtf16((fromUser ? *user_ : machine_).name(node)));
  }

  // The classes trees keep the default values alone: no reader of
  // HKEY_CLASSES_ROOT asks for a named one, and a crowded machine's classes
  // hold millions of them.
  Result<std::optional<RegistryData>> value(TextView name) override {
    if (name.empty()) return defaultValue();
    return std::optional<RegistryData>();
  }

 private:
  static std::optional<Text> nameAt(const RegistryTree& tree, Node node, std::uint32_t index) {
    if (index >= tree.subkeyCount(node)) return std::nullopt;
    return fromUtf16(tree.name(tree.subkey(node, index)));
  }

  // Both listings as sorted lists merged into one, the user's names taking
  // the place of the machine's names they equal.
  void merge() {
    const std::uint32_t userCount = user_->subkeyCount(userNode_);
    const std::uint32_t machineCount = machine_.subkeyCount(machineNode_);
    std::unordered_set<std::u16string> userNames;
    userNames.reserve(userCount);
    for (std::uint32_t i = 0; i < userCount; ++i) {
      userNames.insert(upperCased(user_->name(user_->subkey(userNode_, i))));
    }
    merged_.emplace();
    merged_->reserve(userCount + machineCount);
    std::uint32_t u = 0;
    for (std::uint32_t m = 0; m < machineCount; ++m) {
      const Node machineChild = machine_.subkey(machineNode_, m);
      const std::u16string_view name = machine_.name(machineChild);
      if (userNames.count(upperCased(name)) > 0) continue;
      while (u < userCount) {
        const Node userChild = user_->subkey(userNode_, u);
        if (compareRegistryNames(user_->name(userChild), name, RegistryNameOrder::windows) > 0) {
          break;
        }
        merged_->emplace_back(true, userChild);
        ++u;
      }
      merged_->emplace_back(false, machineChild);
    }
    for (; u < userCount; ++u) merged_->emplace_back(true, user_->subkey(userNode_, u));
  }

  const RegistryTree& machine_;
  Node machineNode_;
  const RegistryTree* user_;
  Node userNode_;
  // Made on the first listing of a key that both trees have.
  std::optional<std::vector<std::pair<bool, Node>>> merged_;
};

ClassesRegistry::ClassesRegistry(RegistryTree machine, std::optional<RegistryTree> user)
    : machine_(std::move(machine)), user_(std::move(user)) {}

ClassesRegistry::~ClassesRegistry() = default;

std::unique_ptr<RegistryKey> ClassesRegistry::open(RegistryRoot root, TextView subKey) {
  if (root != RegistryRoot::classesRoot || subKey.find(L'\0') != TextView::npos ||
      subKey.starts_with(L'\\')) {
    return nullptr;
  }
  const std::u16string path = toUtf16(subKey);
  const Node machineNode = machine_.walk(path);
  const Node userNode = user_ ? user_->walk(path) : RegistryTree::noNode;
  if (machineNode == RegistryTree::noNode && userNode == RegistryTree::noNode) return nullptr;
  return std::make_unique<Key>(machine_, machineNode, user_ ? &*user_ : nullptr, userNode);
}

}  // namespace vemdrol
