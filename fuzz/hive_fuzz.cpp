// Feeds damaged hives to the reader of a hive's cells, on the bytes
// themselves. The input damages a small hive built in code (no binary hive
// is kept as a seed): after a first byte of flags, each five bytes write one
// byte (the last) at an offset (the first four); or, with flag 1, the input
// after the flags is the whole file. Nothing may crash or hang, a failure
// must be one of the hive's faults, and what is read must fit in the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/utf16.h"
#include "formats/registry/hive_cells.h"
#include "formats/registry/registry_tree.h"
#include "registry/hive_builder.h"

namespace {

using vemdrol::HiveKey;
using vemdrol::hiveString;
using vemdrol::Text;

void check(bool condition) {
  if (!condition) std::abort();
}

// Keys of every list kind, values inline, in cells and in none.
const std::string& baseHive() {
  static const std::string bytes = [] {
    HiveKey root{L"ROOT", {}, {}};
    HiveKey classes{L"Classes", {}, {}};
    for (int i = 0; i < 6; ++i) {
      HiveKey key{L"\u30AD\u30FC" + std::to_wstring(i), {{L"", hiveString(L"value")}}, {}};
      for (int k = 0; k < i; ++k) {
        key.subkeys.push_back({L"s" + std::to_wstring(k), {{L"", {4, std::string(k, 'x')}}}, {}});
      }
      classes.subkeys.push_back(std::move(key));
    }
    root.subkeys.push_back(std::move(classes));
    root.subkeys.push_back({L"Select", {{L"Current", {4, std::string("\1\0\0\0", 4)}}}, {}});
    vemdrol::HiveOptions options;
    options.indexAbove = 2;
    options.indexedListSize = 2;
    options.lists = vemdrol::SubkeyListKind::li;
    return vemdrol::buildHive(root, options).bytes;
  }();
  return bytes;
}

void walk(const vemdrol::RegistryTree& tree, vemdrol::RegistryTree::Node node, std::size_t& seen) {
  ++seen;
  check(tree.name(node).size() <= 0xFFFF);
  if (auto value = tree.defaultValue(node)) check(value->bytes.size() <= 8'000'000);
  for (std::uint32_t i = 0; i < tree.subkeyCount(node); ++i) walk(tree, tree.subkey(node, i), seen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t flags = size > 0 ? data[0] : 0;
  std::string file;
  if (flags & 1) {
    file.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  } else {
    file = baseHive();
    for (std::size_t at = 1; at + 5 <= size; at += 5) {
      const std::uint32_t offset = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                   static_cast<std::uint32_t>(data[at + 3]) << 24;
      file[offset % file.size()] = static_cast<char>(data[at + 4]);
    }
    // Damage in the base block should reach past the checksum check too.
    if (!(flags & 2)) vemdrol::fixHiveChecksum(file);
  }

  for (const wchar_t* key : {L"Classes", L""}) {
    vemdrol::Result<vemdrol::HiveKeys> keys = vemdrol::readHiveKeys(file, key);
    if (!keys) {
      const vemdrol::Fault fault = keys.error().fault;
      check(fault == vemdrol::Fault::notHive || fault == vemdrol::Fault::hiveDamaged ||
            fault == vemdrol::Fault::noSuchKey);
      check(keys.error().subject.size() <= file.size());
      continue;
    }
    const std::size_t count = keys.value().keys.size();
    check(keys.value().defaults.size() == count);
    for (const auto& value : keys.value().defaults) {
      if (value) check(value->at < file.size());
    }
    const vemdrol::RegistryTree tree = std::move(keys.value().keys).finish();
    std::size_t seen = 0;
    walk(tree, tree.top(), seen);
    // Every key has a key cell of its own.
    check(seen == tree.size() && seen == count && seen <= file.size() / 0x50 + 1);
  }
  // The subtrees with their named values, "*" and a path inside another
  // among them.
  const vemdrol::Result<vemdrol::HiveSubtrees> subtrees =
      vemdrol::readHiveSubtrees(file, {L"Classes\\*", L"Classes", L"Classes\\.txt", L"Missing"});
  if (subtrees) {
    for (const vemdrol::HiveNamedValue& value : subtrees.value().values) {
      check(value.cell.at < file.size() && value.node < subtrees.value().keys.size());
      check(value.name.size() * 2 <= file.size());
    }
    check(subtrees.value().keys.size() <= file.size() / 0x50 + 4);
  } else {
    const vemdrol::Fault fault = subtrees.error().fault;
    check(fault == vemdrol::Fault::notHive || fault == vemdrol::Fault::hiveDamaged);
  }
  const auto current = vemdrol::findHiveValue(file, L"Select", L"Current");
  if (current && current.value()) check(current.value()->at < file.size());
  return 0;
}
