#include "formats/pe/version_resource.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "base/utf16.h"
#include "formats/byte_reader.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

constexpr std::size_t headerSize = 6;  // wLength, wValueLength, wType
constexpr std::size_t fixedFileInfoSize = 52;
constexpr std::uint32_t fixedFileInfoSignature = 0xFEEF04BD;

// Offsets are counted from the start of the block, which is where the
// padding rule counts from.
std::size_t align4(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

// One node, its parts located and checked against its own extent.
struct Node {
  std::size_t start = 0;
  std::size_t end = 0;  // start + wLength
  std::size_t keyStart = 0;
  std::size_t keyUnits = 0;       // without the NUL
  std::size_t valueStart = 0;     // never past end
  std::uint16_t valueLength = 0;  // as stored: characters for text, else bytes
  std::size_t childrenStart = 0;  // may lie past end: then there are none
};

enum class Step { node, endOfChildren, damaged };

// Reads the node at start, which must lie inside [.., parentEnd). A tail too
// short for a node header, or a node length of 0, ends the parent's
// children.
Step readNode(const ByteReader& block, std::size_t start, std::size_t parentEnd, Node& node) {
  if (parentEnd - start < headerSize) return Step::endOfChildren;
  const auto length = block.u16(start);
  const auto valueLength = block.u16(start + 2);
  const auto type = block.u16(start + 4);
  if (!length || !valueLength || !type) return Step::damaged;
  if (*length == 0) return Step::endOfChildren;
  if (*length < headerSize || *length > parentEnd - start) return Step::damaged;

  node.start = start;
  node.end = start + *length;
  node.valueLength = *valueLength;
  const bool text = *type != 0;

  node.keyStart = start + headerSize;
  std::size_t at = node.keyStart;
  while (true) {
    if (node.end - at < 2) return Step::damaged;  // no NUL inside the node
    const auto unit = block.u16(at);
    if (!unit) return Step::damaged;
    if (*unit == 0) break;
    at += 2;
  }
  node.keyUnits = (at - node.keyStart) / 2;
  // A node that ends right after its key has an empty value.
  node.valueStart = std::min(align4(at + 2), node.end);
  const std::size_t valueBytes = std::size_t{node.valueLength} * (text ? 2 : 1);
  node.childrenStart = align4(node.valueStart + valueBytes);
  return Step::node;
}

// Calls visit(child) for each child of parent, in order, until visit returns
// true. False when a child is damaged.
template <class Visit>
bool forEachChild(const ByteReader& block, const Node& parent, Visit visit) {
  std::size_t at = parent.childrenStart;
  while (at < parent.end) {
    Node child;
    const Step step = readNode(block, at, parent.end, child);
    if (step == Step::endOfChildren) return true;
    if (step == Step::damaged) return false;
    if (visit(child)) return true;
    at = align4(child.end);  // child.end >= at + 6: every step moves on
  }
  return true;
}

bool checkTree(const ByteReader& block, const Node& node, int depth) {
  bool sound = true;
  const bool walked = forEachChild(block, node, [&](const Node& child) {
    sound = depth < maxVersionBlockDepth && checkTree(block, child, depth + 1);
    return !sound;  // the first damaged child settles it
  });
  return walked && sound;
}

Text keyOf(const ByteReader& block, const Node& node) {
  return fromUtf16Le(block.view(node.keyStart, node.keyUnits * 2).value_or(std::string_view()));
}

// The root of a block that fromBlock accepted.
Node rootOf(const ByteReader& block) {
  Node root;
  readNode(block, 0, block.size(), root);
  return root;
}

std::optional<Node> findNode(const ByteReader& block, TextView subBlock) {
  Node node = rootOf(block);
  std::size_t at = 0;
  while (at < subBlock.size()) {
    std::size_t next = subBlock.find(L'\\', at);
    if (next == TextView::npos) next = subBlock.size();
    if (next == at) {
      ++at;
      continue;
    }
    const TextView key = subBlock.substr(at, next - at);
    std::optional<Node> found;
    forEachChild(block, node, [&](const Node& child) {
      if (!equalNoCase(keyOf(block, child), key)) return false;
      found = child;
      return true;
    });
    if (!found) return std::nullopt;
    node = *found;
    at = next;
  }
  return node;
}

}  // namespace

std::optional<VersionResource> VersionResource::fromBlock(std::string_view block) {
  const ByteReader bytes(block);
  // The 16-bit layout has the ANSI key where the 32-bit one has wType; the
  // Windows API tells the two apart by that byte in the same way.
  const auto keyOrType = bytes.u8(4);
  const auto length = bytes.u16(0);
  if (!keyOrType || !length || bytes.size() < headerSize) return std::nullopt;
  if (*keyOrType >= 0x20 && *keyOrType < 0x80) return std::nullopt;

  const std::optional<ByteReader> own = bytes.window(0, *length);
  if (*length < headerSize || !own) return std::nullopt;
  Node root;
  if (readNode(*own, 0, own->size(), root) != Step::node) return std::nullopt;
  if (!checkTree(*own, root, 1)) return std::nullopt;
  return VersionResource(std::string(block.substr(0, *length)));
}

std::string VersionResource::bufferFrom(std::string_view resource) {
  std::string buffer(resource.substr(0, maxVersionBlockSize));
  buffer.resize(maxVersionBlockSize, '\0');
  return buffer;
}

std::optional<FixedFileVersion> VersionResource::fixedFileVersion() const {
  const ByteReader block(block_);
  const Node root = rootOf(block);
  if (root.valueLength < fixedFileInfoSize || root.end - root.valueStart < fixedFileInfoSize) {
    return std::nullopt;
  }
  const auto signature = block.u32(root.valueStart);
  const auto fileVersionMS = block.u32(root.valueStart + 8);
  const auto fileVersionLS = block.u32(root.valueStart + 12);
  if (signature != fixedFileInfoSignature || !fileVersionMS || !fileVersionLS) return std::nullopt;
  return FixedFileVersion{*fileVersionMS, *fileVersionLS};
}

std::vector<Translation> VersionResource::translations() const {
  std::vector<Translation> entries;
  const ByteReader block(block_);
  const std::optional<Node> table = findNode(block, L"\\VarFileInfo\\Translation");
  if (!table) return entries;
  const std::size_t bytes =
      std::min<std::size_t>(table->valueLength, table->end - table->valueStart);
  for (std::size_t at = 0; at + 4 <= bytes; at += 4) {
    const auto language = block.u16(table->valueStart + at);
    const auto codePage = block.u16(table->valueStart + at + 2);
    if (!language || !codePage) break;
    entries.push_back({*language, *codePage});
  }
  return entries;
}

std::optional<Text> VersionResource::stringValue(TextView subBlock) const {
  const ByteReader block(block_);
  const std::optional<Node> node = findNode(block, subBlock);
  if (!node) return std::nullopt;
  const std::size_t units =
      std::min<std::size_t>(node->valueLength, (node->end - node->valueStart) / 2);
  std::size_t length = 0;
  while (length < units && block.u16(node->valueStart + 2 * length).value_or(0) != 0) ++length;
  return fromUtf16Le(block.view(node->valueStart, 2 * length).value_or(std::string_view()));
}

}  // namespace vemdrol
