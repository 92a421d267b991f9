#include "registry/hive_builder.h"

#include <algorithm>

#include "base/utf16.h"
#include "formats/registry/registry_names.h"

namespace vemdrol {
namespace {

constexpr std::size_t binHeaderSize = 0x20;
constexpr std::size_t binGranule = 0x1000;
// 2026-12-07 as a Windows file time; any fixed time does.
constexpr std::uint64_t fixedTime = 0x01DD6A0000000000ull;

void appendU16(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void appendU32(std::string& out, std::uint32_t value) {
  appendU16(out, value & 0xFFFF);
  appendU16(out, value >> 16);
}

void appendU64(std::string& out, std::uint64_t value) {
  appendU32(out, static_cast<std::uint32_t>(value));
  appendU32(out, static_cast<std::uint32_t>(value >> 32));
}

// Names are stored as Latin-1 bytes ("compressed") when every character
// fits, as Windows does, and as UTF-16LE otherwise.
bool fitsLatin1(TextView name) {
  return std::all_of(name.begin(), name.end(), [](wchar_t c) { return c <= 0xFF; });
}

std::string storedName(TextView name) {
  if (!fitsLatin1(name)) return toUtf16Le(name);
  std::string bytes;
  for (wchar_t c : name) bytes.push_back(static_cast<char>(c));
  return bytes;
}

std::uint32_t nameHash(TextView name) {
  std::uint32_t hash = 0;
  const std::string units = toUtf16Le(name);
  for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                            static_cast<unsigned char>(units[i + 1]) << 8);
    hash = hash * 37 + registryUpperCase(unit);
  }
  return hash;
}

// Hive bins grow cell by cell; a cell that does not fit into the rest of the
// current bin closes it with a free cell and opens a new one.
class CellWriter {
 public:
  std::uint32_t add(const std::string& payload) {
    const std::size_t size = (4 + payload.size() + 7) / 8 * 8;
    if (bins_.size() + size > binEnd_) openBin(size);
    const auto at = static_cast<std::uint32_t>(bins_.size());
    appendU32(bins_, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    bins_ += payload;
    bins_.resize(at + size, '\0');
    return at;
  }

  void put(std::uint32_t cell, std::size_t field, std::uint32_t value) {
    putHiveU32(bins_, cell + field, value);
  }

  std::string finish() {
    closeBin();
    return std::move(bins_);
  }

 private:
  void closeBin() {
    if (bins_.size() < binEnd_) {
      const std::size_t rest = binEnd_ - bins_.size();
      appendU32(bins_, static_cast<std::uint32_t>(rest));
      bins_.resize(binEnd_, '\0');
    }
  }

  void openBin(std::size_t cellSize) {
    closeBin();
    const std::size_t size = (binHeaderSize + cellSize + binGranule - 1) / binGranule * binGranule;
    const auto at = static_cast<std::uint32_t>(bins_.size());
    bins_ += "hbin";
    appendU32(bins_, at);
    appendU32(bins_, static_cast<std::uint32_t>(size));
    appendU64(bins_, 0);
    appendU64(bins_, fixedTime);
    appendU32(bins_, 0);
    binEnd_ = at + size;
  }

  std::string bins_;
  std::size_t binEnd_ = 0;
};

class HiveWriter {
 public:
  HiveWriter(const HiveOptions& options, Hive& hive) : options_(options), hive_(hive) {}

  std::uint32_t key(const HiveKey& key, std::uint32_t parent, bool root, const Text& path) {
    const std::string name = storedName(key.name);
    std::string nk = "nk";
    appendU16(nk, (root ? 0x2C : 0) | (fitsLatin1(key.name) ? 0x20 : 0));
    appendU64(nk, fixedTime);
    appendU32(nk, 0);  // access bits
    appendU32(nk, parent);
    appendU32(nk, static_cast<std::uint32_t>(key.subkeys.size()));
    appendU32(nk, 0);  // volatile subkeys
    appendU32(nk, noHiveCell);
    appendU32(nk, noHiveCell);
    appendU32(nk, static_cast<std::uint32_t>(key.values.size()));
    appendU32(nk, noHiveCell);
    appendU32(nk, noHiveCell);  // security
    appendU32(nk, noHiveCell);  // class name
    std::size_t longestName = 0;
    for (const HiveKey& subkey : key.subkeys) {
      longestName = std::max(longestName, subkey.name.size() * 2);
    }
    appendU32(nk, static_cast<std::uint32_t>(longestName));
    appendU32(nk, 0);
    appendU32(nk, 0);
    appendU32(nk, 0);
    appendU32(nk, 0);
    appendU16(nk, static_cast<std::uint32_t>(name.size()));
    appendU16(nk, 0);
    nk += name;
    const std::uint32_t cell = cells_.add(nk);

    HiveCells recorded;
    recorded.key = cell;
    if (!key.values.empty()) {
      std::string list;
      for (const HiveValue& value : key.values) {
        const std::uint32_t vk = valueCell(value);
        recorded.values.push_back(vk);
        appendU32(list, vk);
      }
      recorded.valueList = cells_.add(list);
      cells_.put(cell, nkValueListField, recorded.valueList);
    }

    std::vector<std::uint32_t> children;
    children.reserve(key.subkeys.size());
    for (const HiveKey& subkey : key.subkeys) {
      const Text childPath = path.empty() ? subkey.name : path + L"\\" + subkey.name;
      children.push_back(this->key(subkey, cell, false, childPath));
    }
    if (!children.empty()) {
      recorded.subkeyList = subkeyList(key.subkeys, children);
      cells_.put(cell, nkSubkeyListField, recorded.subkeyList);
    }
    if (options_.recordCells) hive_.cells[path] = std::move(recorded);
    return cell;
  }

  std::string finish() { return cells_.finish(); }

 private:
  std::uint32_t valueCell(const HiveValue& value) {
    const std::string name = storedName(value.name);
    const std::string& data = value.data.bytes;
    std::string vk = "vk";
    appendU16(vk, static_cast<std::uint32_t>(name.size()));
    if (data.size() <= 4) {
      appendU32(vk, static_cast<std::uint32_t>(data.size()) | 0x80000000u);
      std::string inlineData = data;
      inlineData.resize(4, '\0');
      vk += inlineData;
    } else {
      appendU32(vk, static_cast<std::uint32_t>(data.size()));
      appendU32(vk, cells_.add(data));
    }
    appendU32(vk, value.data.type);
    appendU16(vk, value.name.empty() || fitsLatin1(value.name) ? 1 : 0);
    appendU16(vk, 0);
    vk += name;
    return cells_.add(vk);
  }

  std::uint32_t leafList(const std::vector<HiveKey>& keys, const std::vector<std::uint32_t>& cells,
                         std::size_t first, std::size_t count) {
    std::string list;
    switch (options_.lists) {
      case SubkeyListKind::lf:
        list = "lf";
        break;
      case SubkeyListKind::lh:
        list = "lh";
        break;
      case SubkeyListKind::li:
        list = "li";
        break;
    }
    appendU16(list, static_cast<std::uint32_t>(count));
    for (std::size_t i = first; i < first + count; ++i) {
      appendU32(list, cells[i]);
      if (options_.lists == SubkeyListKind::lf) {
        std::string hint = storedName(keys[i].name).substr(0, 4);
        hint.resize(4, '\0');
        list += hint;
      } else if (options_.lists == SubkeyListKind::lh) {
        appendU32(list, nameHash(keys[i].name));
      }
    }
    return cells_.add(list);
  }

  std::uint32_t subkeyList(const std::vector<HiveKey>& keys,
                           const std::vector<std::uint32_t>& cells) {
    if (cells.size() <= options_.indexAbove) return leafList(keys, cells, 0, cells.size());
    const std::size_t step = std::max<std::size_t>(1, options_.indexedListSize);
    std::vector<std::uint32_t> leaves;
    for (std::size_t first = 0; first < cells.size(); first += step) {
      leaves.push_back(leafList(keys, cells, first, std::min(step, cells.size() - first)));
    }
    std::string index = "ri";
    appendU16(index, static_cast<std::uint32_t>(leaves.size()));
    for (std::uint32_t leaf : leaves) appendU32(index, leaf);
    return cells_.add(index);
  }

  const HiveOptions& options_;
  Hive& hive_;
  CellWriter cells_;
};

}  // namespace

Hive buildHive(const HiveKey& root, const HiveOptions& options) {
  Hive hive;
  HiveWriter writer(options, hive);
  const std::uint32_t rootCell = writer.key(root, noHiveCell, true, Text());
  const std::string bins = writer.finish();

  std::string& base = hive.bytes;
  base = "regf";
  appendU32(base, 1);  // the two sequence numbers match: the hive was saved whole
  appendU32(base, 1);
  appendU64(base, fixedTime);
  appendU32(base, 1);  // major version
  appendU32(base, 5);  // minor version
  appendU32(base, 0);  // primary file
  appendU32(base, 1);  // direct memory load
  appendU32(base, rootCell);
  appendU32(base, static_cast<std::uint32_t>(bins.size()));
  appendU32(base, 1);  // clustering factor
  base += toUtf16Le(L"\\REGISTRY\\MACHINE\\SOFTWARE").substr(0, 64);
  base.resize(hiveBaseBlockSize, '\0');
  fixHiveChecksum(base);
  base += bins;
  return hive;
}

std::uint32_t hiveU32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  }
  return value;
}

void putHiveU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    bytes.at(at + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putHiveU16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<char>(value & 0xFF);
  bytes.at(at + 1) = static_cast<char>(value >> 8);
}

void fixHiveChecksum(std::string& bytes) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < hiveChecksumField; at += 4) sum ^= hiveU32(bytes, at);
  putHiveU32(bytes, hiveChecksumField, sum);
}

RegistryData hiveString(TextView text, std::uint32_t type) {
  std::string bytes = toUtf16Le(text);
  bytes.append(2, '\0');
  return {type, std::move(bytes)};
}

}  // namespace vemdrol
