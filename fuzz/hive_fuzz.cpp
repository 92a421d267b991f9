// Feeds damaged hives to the hive reader. libhivex opens files, so each input
// is written to a memory file first. The input damages a small hive built in
// code (no binary hive is kept as a seed): after a first byte of flags, each
// five bytes write one byte (the last) at an offset (the first four); or,
// with flag 1, the input after the flags is the whole file. Nothing may
// crash or hang, and what is read must fit in the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/utf16.h"
#include "formats/registry/registry_tree.h"
#include "offline/hive.h"
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

  static const int fd = memfd_create("hive", 0);
  check(fd >= 0);
  check(ftruncate(fd, 0) == 0);
  check(pwrite(fd, file.data(), file.size(), 0) == static_cast<ssize_t>(file.size()));
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  for (const wchar_t* key : {L"Classes", L""}) {
    vemdrol::Result<vemdrol::RegistryTree> tree = vemdrol::readHiveTree(path, key);
    if (!tree) {
      check(!tree.error().description.empty());
      continue;
    }
    std::size_t seen = 0;
    walk(tree.value(), tree.value().top(), seen);
    // Every key has a key cell of its own.
    check(seen == tree.value().size() && seen <= file.size() / 0x50 + 1);
  }
  const auto current = vemdrol::readHiveValue(path, L"Select", L"Current");
  if (current && current.value()) check(current.value()->bytes.size() <= file.size());
  return 0;
}
