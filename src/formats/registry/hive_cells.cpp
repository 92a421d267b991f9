#include "formats/registry/hive_cells.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <span>
#include <string>
#include <utility>

#include "base/utf16.h"
#include "formats/byte_reader.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

using Offset = ByteOffset;

// Cells point at each other by offsets counted from the first hive bin,
// which follows the 4 KiB base block; the offsets kept here (and libhivex's
// node and value handles) are file offsets.
constexpr Offset binsStart = 0x1000;
constexpr Offset binHeaderSize = 0x20;
// A key cell without its name, and a value cell without its name.
constexpr Offset keyCellSize = 0x50;
constexpr Offset valueCellSize = 0x18;
// The numbers of the errors, as the hive reader gave them so far.
constexpr long damagedNumber = EINVAL;
constexpr long missingNumber = ENOENT;

Error notAHive() { return faultError(Fault::notHive, damagedNumber); }

Error damagedAt(const std::u16string& keyPath) {
  return faultError(Fault::hiveDamaged, damagedNumber, fromUtf16(keyPath));
}

// The field of a cell that the caller has checked the cell holds; 0 where it
// does not, which no check lets through.
std::uint16_t u16In(const ByteReader& cell, Offset at) { return cell.u16(at).value_or(0); }
std::uint32_t u32In(const ByteReader& cell, Offset at) { return cell.u32(at).value_or(0); }

// The cells in use, found the way libhivex finds them when it opens a hive:
// hive bins one after the other from the end of the base block, cells one
// after the other in each bin. Only the start of a cell in use is a place
// another cell may point at.
class CellMap {
 public:
  static std::optional<CellMap> build(const ByteReader& file) {
    const Offset size = file.size();
    if (size < minHiveFileSize || size > maxHiveFileSize || !file.matches(0, "regf")) {
      return std::nullopt;
    }
    // libhivex checks these too, but only once the values are read.
    std::uint32_t checksum = 0;
    for (Offset at = 0; at < 0x1FC; at += 4) checksum ^= u32In(file, at);
    if (file.u32(0x1FC) != checksum || file.u32(0x14) != 1u) return std::nullopt;
    const auto binsSize = file.u32(0x28);
    const auto rootCell = file.u32(0x24);
    if (!binsSize || !rootCell) return std::nullopt;

    CellMap map(file);
    map.used_.assign(size / 4 / 64 + 1, 0);
    const Offset binsEnd = binsStart + *binsSize;
    for (Offset bin = binsStart; bin < size && bin < binsEnd;) {
      const auto binOffset = file.u32(bin + 4);
      const auto binSize = file.u32(bin + 8);
      if (!file.holds(bin, binHeaderSize) || !file.matches(bin, "hbin") || !binOffset || !binSize ||
          *binSize <= binHeaderSize || *binSize % 0x1000 != 0 || !file.holds(bin, *binSize) ||
          *binOffset + binsStart != bin) {
        return std::nullopt;
      }
      const Offset binEnd = bin + *binSize;
      map.binEnds_.push_back(binEnd);
      for (Offset cell = bin + binHeaderSize; cell < binEnd;) {
        const auto stored = file.u32(cell);
        if (!stored) return std::nullopt;
        const auto signedSize = static_cast<std::int32_t>(*stored);
        const std::int64_t length =
            signedSize < 0 ? -static_cast<std::int64_t>(signedSize) : signedSize;
        if (length <= 4 || length % 4 != 0) return std::nullopt;
        if (signedSize < 0) map.used_[cell / 4 / 64] |= std::uint64_t{1} << (cell / 4 % 64);
        cell += static_cast<Offset>(length);  // at least 8: every step moves on
      }
      bin = binEnd;
    }
    map.root_ = binsStart + *rootCell;
    const std::optional<ByteReader> root = map.cell(map.root_);
    if (!root || root->size() < keyCellSize || !root->matches(4, "nk")) return std::nullopt;
    return map;
  }

  Offset root() const { return root_; }
  Offset size() const { return file_.size(); }

  // The cell in use that starts at a file offset, from its size field to
  // its end or the end of its bin, whichever comes first; nullopt when no
  // cell in use starts there.
  std::optional<ByteReader> cell(Offset at) const {
    if (at % 4 != 0 || !file_.holds(at, 4)) return std::nullopt;
    if ((used_[at / 4 / 64] >> (at / 4 % 64) & 1) == 0) return std::nullopt;
    const auto binEnd = std::upper_bound(binEnds_.begin(), binEnds_.end(), at);
    const auto stored = static_cast<std::int32_t>(u32In(file_, at));
    const auto length = static_cast<Offset>(-static_cast<std::int64_t>(stored));
    return file_.window(at, std::min(length, *binEnd - at));
  }

  // The cell that a cell's field points to.
  std::optional<ByteReader> cellAt(std::uint32_t field) const { return cell(binsStart + field); }

 private:
  explicit CellMap(const ByteReader& file) : file_(file) {}

  ByteReader file_;
  std::vector<std::uint64_t> used_;  // one bit for every 4 bytes
  std::vector<Offset> binEnds_;
  Offset root_ = 0;
};

// The name as stored: Latin-1 bytes when the cell's flags say so, UTF-16LE
// otherwise.
std::optional<std::u16string> storedName(const ByteReader& cell, Offset at, Offset length,
                                         bool latin1) {
  const std::optional<std::string_view> stored = cell.view(at, length);
  if (!stored) return std::nullopt;
  std::u16string name;
  if (latin1) {
    for (char c : *stored) name.push_back(static_cast<unsigned char>(c));
    return name;
  }
  if (stored->size() % 2 != 0) return std::nullopt;
  for (std::size_t i = 0; i < stored->size(); i += 2) {
    name.push_back(static_cast<char16_t>(static_cast<unsigned char>((*stored)[i]) |
                                         static_cast<unsigned char>((*stored)[i + 1]) << 8));
  }
  return name;
}

struct HiveSubtreeStart {
  Offset key;
  std::vector<std::u16string> way;
};

class Hive {
 public:
  explicit Hive(CellMap map) : map_(std::move(map)) {}

  Offset root() const { return map_.root(); }
  Offset size() const { return map_.size(); }

  // The key cell at a file offset, checked to hold its name.
  std::optional<ByteReader> keyCell(Offset at) const {
    const std::optional<ByteReader> cell = map_.cell(at);
    if (!cell || cell->size() < keyCellSize || !cell->matches(4, "nk")) return std::nullopt;
    if (!cell->holds(keyCellSize, u16In(*cell, 0x4C))) return std::nullopt;
    return cell;
  }

  static std::optional<std::u16string> nameOf(const ByteReader& keyCell) {
    return storedName(keyCell, keyCellSize, u16In(keyCell, 0x4C), (u16In(keyCell, 6) & 0x20) != 0);
  }

  // The file offsets of the key's subkeys as listed; false where the list
  // does not add up.
  bool subkeys(const ByteReader& keyCell, std::vector<Offset>& out) const {
    out.clear();
    const std::uint32_t count = u32In(keyCell, 0x18);
    if (count == 0) return true;
    // Every subkey has a key cell of its own.
    if (count > size() / keyCellSize) return false;
    const std::optional<ByteReader> list = map_.cellAt(u32In(keyCell, 0x20));
    if (!list || list->size() < 8) return false;
    out.reserve(count);
    if (list->matches(4, "ri")) {
      const std::uint16_t lists = u16In(*list, 6);
      if (!list->holds(8, Offset{4} * lists)) return false;
      for (std::uint16_t i = 0; i < lists; ++i) {
        const std::optional<ByteReader> leaf = map_.cellAt(u32In(*list, 8 + Offset{4} * i));
        if (!leaf || !readLeaf(*leaf, count, out)) return false;
      }
    } else if (!readLeaf(*list, count, out)) {
      return false;
    }
    return out.size() == count;
  }

  // The key's value of that name (letter case ignored as the registry
  // ignores it; "" the default value): nullopt when there is none, false
  // where the values do not add up.
  bool value(const ByteReader& keyCell, std::u16string_view name,
             std::optional<HiveValueCell>& found) const {
    found.reset();
    const std::uint32_t count = u32In(keyCell, 0x28);
    if (count == 0) return true;
    const std::optional<ByteReader> list = map_.cellAt(u32In(keyCell, 0x2C));
    if (!list || !list->holds(4, Offset{4} * count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const Offset at = binsStart + u32In(*list, 4 + Offset{4} * i);
      const std::optional<ByteReader> vk = map_.cell(at);
      if (!vk || vk->size() < valueCellSize || !vk->matches(4, "vk")) return false;
      const std::optional<std::u16string> stored =
          storedName(*vk, valueCellSize, u16In(*vk, 6), (u16In(*vk, 0x14) & 1) != 0);
      if (!stored) return false;
      if (compareRegistryNames(*stored, name, RegistryNameOrder::windows) != 0) continue;
      if (!dataFits(*vk)) return false;
      found = HiveValueCell{at, u32In(*vk, 0x10)};
      return true;
    }
    return true;
  }

  // Every value of the key with its name; false where the values do not
  // add up.
  bool values(const ByteReader& keyCell,
              std::vector<std::pair<std::u16string, HiveValueCell>>& out) const {
    out.clear();
    const std::uint32_t count = u32In(keyCell, 0x28);
    if (count == 0) return true;
    // Every value has a value cell of its own.
    if (count > size() / valueCellSize) return false;
    const std::optional<ByteReader> list = map_.cellAt(u32In(keyCell, 0x2C));
    if (!list || !list->holds(4, Offset{4} * count)) return false;
    out.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const Offset at = binsStart + u32In(*list, 4 + Offset{4} * i);
      const std::optional<ByteReader> vk = map_.cell(at);
      if (!vk || vk->size() < valueCellSize || !vk->matches(4, "vk")) return false;
      std::optional<std::u16string> stored =
          storedName(*vk, valueCellSize, u16In(*vk, 6), (u16In(*vk, 0x14) & 1) != 0);
      if (!stored || !dataFits(*vk)) return false;
      out.emplace_back(std::move(*stored), HiveValueCell{at, u32In(*vk, 0x10)});
    }
    return true;
  }

  // The keys below key that names leads to, "*" standing for every
  // subkey, each with the names of its way from the root; a name missing
  // on the way leads to nothing.
  Status expand(Offset key, std::span<const std::u16string> names, std::vector<std::u16string>& way,
                std::vector<HiveSubtreeStart>& found) const {
    if (names.empty()) {
      found.push_back(HiveSubtreeStart{key, way});
      return success();
    }
    const std::optional<ByteReader> cell = keyCell(key);
    std::vector<Offset> children;
    if (!cell || !subkeys(*cell, children)) return damagedAt(joinedWay(way));
    const bool every = names.front() == u"*";
    for (Offset child : children) {
      const std::optional<ByteReader> childCell = keyCell(child);
      std::optional<std::u16string> name =
          childCell ? nameOf(*childCell) : std::optional<std::u16string>();
      if (!name) return damagedAt(joinedWay(way));
      if (!every && compareRegistryNames(*name, names.front(), RegistryNameOrder::windows) != 0) {
        continue;
      }
      way.push_back(std::move(*name));
      Status below = expand(child, names.subspan(1), way, found);
      way.pop_back();
      if (!below) return below;
      if (!every) break;
    }
    return success();
  }

  static std::u16string joinedWay(const std::vector<std::u16string>& way) {
    std::u16string path;
    for (const std::u16string& name : way) {
      if (!path.empty()) path += u'\\';
      path += name;
    }
    return path;
  }

  // Finds the subkey path below the root; nullopt when a name is missing,
  // an error where the hive is damaged on the way.
  Result<std::optional<Offset>> find(TextView keyPath) const {
    Offset key = root();
    std::u16string path;
    std::vector<Offset> children;
    const std::u16string units = toUtf16(keyPath);
    std::u16string_view rest = units;
    while (!rest.empty()) {
      const std::size_t separator = rest.find(u'\\');
      const std::u16string_view wanted = rest.substr(0, separator);
      rest = separator == std::u16string_view::npos ? std::u16string_view()
                                                    : rest.substr(separator + 1);
      if (wanted.empty()) continue;
      const std::optional<ByteReader> cell = keyCell(key);
      if (!cell || !subkeys(*cell, children)) return damagedAt(path);
      std::optional<Offset> match;
      for (Offset child : children) {
        const std::optional<ByteReader> childCell = keyCell(child);
        const std::optional<std::u16string> name =
            childCell ? nameOf(*childCell) : std::optional<std::u16string>();
        if (!name) return damagedAt(path);
        if (compareRegistryNames(*name, wanted, RegistryNameOrder::windows) == 0) {
          match = child;
          break;
        }
      }
      if (!match) return std::optional<Offset>();
      if (!path.empty()) path += u'\\';
      path += wanted;
      key = *match;
    }
    return std::optional<Offset>(key);
  }

 private:
  bool readLeaf(const ByteReader& list, std::uint32_t limit, std::vector<Offset>& out) const {
    Offset entry;
    if (list.matches(4, "lf") || list.matches(4, "lh")) {
      entry = 8;
    } else if (list.matches(4, "li")) {
      entry = 4;
    } else {
      return false;
    }
    const std::uint16_t count = u16In(list, 6);
    if (!list.holds(8, entry * count) || out.size() + count > limit) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
      out.push_back(binsStart + u32In(list, 8 + entry * i));
    }
    return true;
  }

  // libhivex follows a value's big data ("db", for data longer than a cell)
  // through its list of segments without checking the list against its
  // cell; that is checked here first.
  bool dataFits(const ByteReader& vk) const {
    const std::uint32_t length = u32In(vk, 8);
    if ((length & 0x80000000u) != 0) return true;
    const std::optional<ByteReader> data = map_.cellAt(u32In(vk, 0x0C));
    if (!data) return false;
    if (length <= data->size() - 4) return true;
    if (data->size() < 12 || !data->matches(4, "db")) return false;
    const std::optional<ByteReader> segments = map_.cellAt(u32In(*data, 8));
    return segments && segments->holds(4, Offset{4} * u16In(*data, 6));
  }

  CellMap map_;
};

Result<Hive> openHive(std::string_view bytes) {
  std::optional<CellMap> map = CellMap::build(ByteReader(bytes));
  if (!map) return notAHive();
  return Hive(std::move(*map));
}

std::u16string pathOf(const RegistryTreeBuilder& keys, TextView keyPath, RegistryTree::Node node) {
  std::vector<std::u16string_view> names;
  for (auto at = node; at != keys.top(); at = keys.parent(at)) names.push_back(keys.name(at));
  std::u16string path = toUtf16(keyPath);
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!path.empty()) path += u'\\';
    path += *name;
  }
  return path;
}

}  // namespace

Text hiveKeyPath(const RegistryTreeBuilder& keys, TextView keyPath, RegistryTree::Node node) {
  return fromUtf16(pathOf(keys, keyPath, node));
}

Result<HiveKeys> readHiveKeys(std::string_view bytes, TextView keyPath) {
  Result<Hive> opened = openHive(bytes);
  if (!opened) return opened.error();
  const Hive& hive = opened.value();
  Result<std::optional<Offset>> start = hive.find(keyPath);
  if (!start) return start.error();
  if (!start.value()) return faultError(Fault::noSuchKey, missingNumber, Text(keyPath));

  // Breadth first, so that every key's subkeys are added together and the
  // key cells are numbered as the tree numbers its keys.
  HiveKeys read;
  std::vector<Offset> cells{*start.value()};
  std::vector<std::uint16_t> depths{0};
  std::vector<std::uint64_t> seen(hive.size() / 4 / 64 + 1, 0);
  const auto firstSight = [&](Offset at) {
    std::uint64_t& word = seen[at / 4 / 64];
    const std::uint64_t bit = std::uint64_t{1} << (at / 4 % 64);
    const bool before = (word & bit) != 0;
    word |= bit;
    return !before;
  };
  firstSight(cells.front());
  std::vector<Offset> children;
  for (std::size_t node = 0; node < cells.size(); ++node) {
    const auto where = [&] {
      return damagedAt(pathOf(read.keys, keyPath, static_cast<RegistryTree::Node>(node)));
    };
    const std::optional<ByteReader> cell = hive.keyCell(cells[node]);
    if (!cell || !hive.subkeys(*cell, children)) return where();
    if (!children.empty() && std::size_t{depths[node]} + 1 > maxHiveKeyDepth) return where();
    for (Offset child : children) {
      const std::optional<ByteReader> childCell = hive.keyCell(child);
      const std::optional<std::u16string> name =
          childCell ? Hive::nameOf(*childCell) : std::optional<std::u16string>();
      if (!name || !firstSight(child)) return where();
      read.keys.addSubkey(static_cast<RegistryTree::Node>(node), *name);
      cells.push_back(child);
      depths.push_back(static_cast<std::uint16_t>(depths[node] + 1));
    }
    read.defaults.emplace_back();
    if (!hive.value(*cell, u"", read.defaults.back())) return where();
  }
  return read;
}

namespace {

template <class FirstSight>
Status readSubtree(const Hive& hive, Offset start, RegistryTree::Node top, std::size_t depth,
                   HiveSubtrees& read, FirstSight& firstSight) {
  std::vector<Offset> children;
  std::vector<std::pair<std::u16string, HiveValueCell>> values;
  {
    // Breadth first, as readHiveKeys reads.
    std::vector<std::pair<Offset, RegistryTree::Node>> queue{{start, top}};
    std::vector<std::size_t> depths{depth};
    for (std::size_t next = 0; next < queue.size(); ++next) {
      const auto [cellAt, node] = queue[next];
      const auto where = [&, node = node] { return damagedAt(pathOf(read.keys, L"", node)); };
      const std::optional<ByteReader> cell = hive.keyCell(cellAt);
      if (!cell || !hive.subkeys(*cell, children) || !hive.values(*cell, values)) return where();
      if (!children.empty() && depths[next] + 1 > maxHiveKeyDepth) return where();
      for (auto& [name, value] : values) {
        read.values.push_back(HiveNamedValue{node, std::move(name), value});
      }
      for (Offset child : children) {
        const std::optional<ByteReader> childCell = hive.keyCell(child);
        const std::optional<std::u16string> name =
            childCell ? Hive::nameOf(*childCell) : std::optional<std::u16string>();
        // A key met twice is a cycle or a key listed under two parents.
        if (!name || !firstSight(child)) return where();
        queue.emplace_back(child, read.keys.subkey(node, *name));
        depths.push_back(depths[next] + 1);
      }
    }
  }
  return success();
}

}  // namespace

Result<HiveSubtrees> readHiveSubtrees(std::string_view bytes, const std::vector<Text>& keyPaths) {
  Result<Hive> opened = openHive(bytes);
  if (!opened) return opened.error();
  const Hive& hive = opened.value();
  HiveSubtrees read;
  // Every key cell read once, whatever path it was reached by.
  std::vector<std::uint64_t> seen(hive.size() / 4 / 64 + 1, 0);
  const auto firstSight = [&](Offset at) {
    std::uint64_t& word = seen[at / 4 / 64];
    const std::uint64_t bit = std::uint64_t{1} << (at / 4 % 64);
    const bool before = (word & bit) != 0;
    word |= bit;
    return !before;
  };
  // The shorter paths first, so that a path inside another asked for is
  // read with it and passed over when its turn comes.
  std::vector<Text> paths(keyPaths);
  const auto nameCount = [](const Text& path) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
      if (path[i] != L'\\' && (i == 0 || path[i - 1] == L'\\')) ++count;
    }
    return count;
  };
  std::stable_sort(paths.begin(), paths.end(),
                   [&](const Text& a, const Text& b) { return nameCount(a) < nameCount(b); });
  std::vector<HiveSubtreeStart> starts;
  for (const Text& keyPath : paths) {
    starts.clear();
    std::vector<std::u16string> names;
    const std::u16string units = toUtf16(keyPath);
    std::u16string_view rest = units;
    while (!rest.empty()) {
      const std::size_t separator = rest.find(u'\\');
      if (separator != 0) names.emplace_back(rest.substr(0, separator));
      if (separator == std::u16string_view::npos) break;
      rest.remove_prefix(separator + 1);
    }
    std::vector<std::u16string> way;
    if (Status found = hive.expand(hive.root(), names, way, starts); !found) return found.error();
    for (const HiveSubtreeStart& start : starts) {
      if (!firstSight(start.key)) continue;
      // The way there, by the names the hive gives them.
      RegistryTree::Node top = read.keys.top();
      for (const std::u16string& name : start.way) top = read.keys.subkey(top, name);
      if (Status subtree = readSubtree(hive, start.key, top, start.way.size(), read, firstSight);
          !subtree) {
        return subtree.error();
      }
    }
  }
  return read;
}

Result<std::optional<HiveValueCell>> findHiveValue(std::string_view bytes, TextView keyPath,
                                                   TextView valueName) {
  Result<Hive> opened = openHive(bytes);
  if (!opened) return opened.error();
  const Hive& hive = opened.value();
  Result<std::optional<Offset>> key = hive.find(keyPath);
  if (!key) return key.error();
  if (!key.value()) return std::optional<HiveValueCell>();
  std::optional<HiveValueCell> found;
  const std::optional<ByteReader> cell = hive.keyCell(*key.value());
  if (!cell || !hive.value(*cell, toUtf16(valueName), found)) return damagedAt(toUtf16(keyPath));
  return found;
}

Result<std::vector<HiveSubkeyValue>> findHiveSubkeyValues(std::string_view bytes, TextView keyPath,
                                                          TextView valueName) {
  Result<Hive> opened = openHive(bytes);
  if (!opened) return opened.error();
  const Hive& hive = opened.value();
  Result<std::optional<Offset>> key = hive.find(keyPath);
  if (!key) return key.error();
  if (!key.value()) return faultError(Fault::noSuchKey, missingNumber, Text(keyPath));
  const std::optional<ByteReader> cell = hive.keyCell(*key.value());
  std::vector<Offset> children;
  if (!cell || !hive.subkeys(*cell, children)) return damagedAt(toUtf16(keyPath));
  const std::u16string wanted = toUtf16(valueName);
  std::vector<HiveSubkeyValue> found;
  found.reserve(children.size());
  for (const Offset child : children) {
    const std::optional<ByteReader> childCell = hive.keyCell(child);
    const std::optional<std::u16string> name =
        childCell ? Hive::nameOf(*childCell) : std::optional<std::u16string>();
    if (!name) return damagedAt(toUtf16(keyPath));
    HiveSubkeyValue entry{fromUtf16(*name), std::nullopt};
    if (!hive.value(*childCell, wanted, entry.value)) {
      return damagedAt(toUtf16(keyPath) + u'\\' + *name);
    }
    found.push_back(std::move(entry));
  }
  return found;
}

}  // namespace vemdrol
