#include <fcntl.h>
#include <hivex.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "base/utf16.h"
#include "offline/hive.h"

namespace vemdrol {
namespace {

using Offset = std::uint64_t;

// Cells point at each other by offsets counted from the first hive bin,
// which follows the 4 KiB base block; libhivex's node and value handles are
// the file offsets.
constexpr Offset binsStart = 0x1000;
constexpr Offset binHeaderSize = 0x20;
constexpr Offset smallestHive = 0x2000;
// Cell offsets are 32 bits wide.
constexpr Offset largestHive = 0xFFFFFFFF;
// A key cell without its name.
constexpr std::size_t keyCellSize = 0x50;
constexpr std::size_t deepestKey = 512;
constexpr int unreadable = EINVAL;

std::uint16_t u16At(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t u32At(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(u16At(bytes, at)) |
         static_cast<std::uint32_t>(u16At(bytes, at + 2)) << 16;
}

Error systemError(int number) {
  switch (number) {
    case ENOENT:
    case ENOTDIR:
      return Error{number, L"ファイルがありません"};
    case EACCES:
    case EPERM:
      return Error{number, L"読み取りが許可されていません"};
    case EISDIR:
      return Error{number, L"フォルダーです"};
    case ENOMEM:
      return Error{number, L"メモリが不足しています"};
    default:
      return Error{number, L"システム エラー " + std::to_wstring(number)};
  }
}

Error notAHive() { return Error{unreadable, L"ハイブ ファイルではないか、壊れています"}; }

Error damagedAt(const std::u16string& keyPath) {
  return Error{unreadable, L"ハイブが壊れています (キー " +
                               (keyPath.empty() ? Text(L"\\") : fromUtf16(keyPath)) + L")"};
}

// A whole file, read without first clearing the memory it goes into.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
  std::string_view view() const { return std::string_view(data.get(), size); }
};

Result<FileBytes> readWhole(const std::string& file) {
  int fd;
  do {
    fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return systemError(errno);
  const auto closer = [](int* f) { ::close(*f); };
  std::unique_ptr<int, decltype(closer)> owned(&fd, closer);
  struct stat status;
  if (::fstat(fd, &status) != 0) return systemError(errno);
  if (S_ISDIR(status.st_mode)) return systemError(EISDIR);
  if (!S_ISREG(status.st_mode) || status.st_size < static_cast<off_t>(smallestHive) ||
      static_cast<Offset>(status.st_size) > largestHive) {
    return notAHive();
  }
  FileBytes bytes;
  const auto size = static_cast<std::size_t>(status.st_size);
  bytes.data.reset(new char[size]);
  while (bytes.size < size) {
    const ssize_t got = ::read(fd, bytes.data.get() + bytes.size, size - bytes.size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return systemError(errno);
    }
    if (got == 0) break;
    bytes.size += static_cast<std::size_t>(got);
  }
  if (bytes.size < smallestHive) return notAHive();
  return bytes;
}

// The cells in use, found the way libhivex finds them when it opens a hive:
// hive bins one after the other from the end of the base block, cells one
// after the other in each bin. Only the start of a cell in use is a place
// another cell may point at.
class CellMap {
 public:
  static std::optional<CellMap> build(std::string_view bytes) {
    if (bytes.size() < smallestHive || bytes.substr(0, 4) != "regf") return std::nullopt;
    // libhivex checks these too, but only once the values are read.
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4) checksum ^= u32At(bytes, at);
    if (checksum != u32At(bytes, 0x1FC) || u32At(bytes, 0x14) != 1) return std::nullopt;
    CellMap map;
    map.bytes_ = bytes;
    map.used_.assign(bytes.size() / 4 / 64 + 1, 0);
    const Offset size = bytes.size();
    const Offset binsEnd = binsStart + u32At(bytes, 0x28);
    for (Offset bin = binsStart; bin < size && bin < binsEnd;) {
      if (bin + binHeaderSize > size || bytes.substr(bin, 4) != "hbin") return std::nullopt;
      const Offset binSize = u32At(bytes, bin + 8);
      if (binSize <= binHeaderSize || binSize % 0x1000 != 0 || bin + binSize > size ||
          u32At(bytes, bin + 4) + binsStart != bin) {
        return std::nullopt;
      }
      const Offset binEnd = bin + binSize;
      map.binEnds_.push_back(binEnd);
      for (Offset cell = bin + binHeaderSize; cell < binEnd;) {
        const auto stored = static_cast<std::int32_t>(u32At(bytes, cell));
        const std::int64_t length = stored < 0 ? -static_cast<std::int64_t>(stored) : stored;
        if (length <= 4 || length % 4 != 0) return std::nullopt;
        if (stored < 0) map.used_[cell / 4 / 64] |= std::uint64_t{1} << (cell / 4 % 64);
        cell += static_cast<Offset>(length);
      }
      bin = binEnd;
    }
    const std::optional<std::string_view> root = map.cell(binsStart + u32At(bytes, 0x24));
    if (!root || root->size() < keyCellSize || root->substr(4, 2) != "nk") return std::nullopt;
    map.root_ = binsStart + u32At(bytes, 0x24);
    return map;
  }

  Offset root() const { return root_; }

  // The cell in use that starts at a file offset, from its size field to
  // its end or the end of its bin, whichever comes first; nullopt when no
  // cell in use starts there.
  std::optional<std::string_view> cell(Offset at) const {
    if (at % 4 != 0 || at + 4 > bytes_.size()) return std::nullopt;
    if ((used_[at / 4 / 64] >> (at / 4 % 64) & 1) == 0) return std::nullopt;
    const auto binEnd = std::upper_bound(binEnds_.begin(), binEnds_.end(), at);
    const auto stored = static_cast<std::int32_t>(u32At(bytes_, at));
    const Offset length = static_cast<Offset>(-static_cast<std::int64_t>(stored));
    return bytes_.substr(at, std::min(length, *binEnd - at));
  }

 private:
  std::string_view bytes_;
  std::vector<std::uint64_t> used_;  // one bit for every 4 bytes
  std::vector<Offset> binEnds_;
  Offset root_ = 0;
};

struct HivexClose {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};
using Hivex = std::unique_ptr<hive_h, HivexClose>;

// A value found in the cells: where its cell lies and its type, which is
// any number a writer chose (libhivex hands it over as an enumeration that
// cannot hold every number, so it is read here).
struct ValueCell {
  Offset at = 0;
  std::uint32_t type = 0;
};

// One hive's bytes, read here: its keys, their subkey lists and names, and
// where their values lie. The values' data is read afterwards through
// libhivex (see readValues), once these bytes are gone, so that the hive is
// never held twice.
class HiveBytes {
 public:
  static Result<HiveBytes> read(const std::string& file) {
    Result<FileBytes> bytes = readWhole(file);
    if (!bytes) return bytes.error();
    HiveBytes hive;
    hive.bytes_ = std::move(bytes).value();
    std::optional<CellMap> map = CellMap::build(hive.bytes_.view());
    if (!map) return notAHive();
    hive.map_ = std::move(*map);
    return hive;
  }

  Offset root() const { return map_.root(); }
  std::size_t size() const { return bytes_.size; }

  // The key cell at a file offset, checked to hold its name.
  std::optional<std::string_view> keyCell(Offset at) const {
    const std::optional<std::string_view> cell = map_.cell(at);
    if (!cell || cell->size() < keyCellSize || cell->substr(4, 2) != "nk") return std::nullopt;
    if (keyCellSize + u16At(*cell, 0x4C) > cell->size()) return std::nullopt;
    return cell;
  }

  // The name as stored: Latin-1 bytes when the key's flags say so, UTF-16LE
  // otherwise.
  static std::optional<std::u16string> nameOf(std::string_view keyCell) {
    return storedName(keyCell.substr(keyCellSize, u16At(keyCell, 0x4C)),
                      (u16At(keyCell, 6) & 0x20) != 0);
  }

  // The file offsets of the key's subkeys as listed; false where the list
  // does not add up.
  bool subkeys(std::string_view keyCell, std::vector<Offset>& out) const {
    out.clear();
    const std::uint32_t count = u32At(keyCell, 0x18);
    if (count == 0) return true;
    // Every subkey has a key cell of its own.
    if (count > bytes_.size / keyCellSize) return false;
    const std::optional<std::string_view> list = map_.cell(binsStart + u32At(keyCell, 0x20));
    if (!list || list->size() < 8) return false;
    out.reserve(count);
    if (list->substr(4, 2) == "ri") {
      const std::uint16_t lists = u16At(*list, 6);
      if (8 + std::size_t{4} * lists > list->size()) return false;
      for (std::uint16_t i = 0; i < lists; ++i) {
        const std::optional<std::string_view> leaf = map_.cell(binsStart + u32At(*list, 8 + 4 * i));
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
  bool value(std::string_view keyCell, std::u16string_view name,
             std::optional<ValueCell>& found) const {
    found.reset();
    const std::uint32_t count = u32At(keyCell, 0x28);
    if (count == 0) return true;
    const std::optional<std::string_view> list = map_.cell(binsStart + u32At(keyCell, 0x2C));
    if (!list || 4 + std::size_t{4} * count > list->size()) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const Offset at = binsStart + u32At(*list, 4 + 4 * i);
      const std::optional<std::string_view> vk = map_.cell(at);
      if (!vk || vk->size() < 0x18 || vk->substr(4, 2) != "vk") return false;
      const std::size_t nameLength = u16At(*vk, 6);
      if (0x18 + nameLength > vk->size()) return false;
      const std::optional<std::u16string> stored =
          storedName(vk->substr(0x18, nameLength), (u16At(*vk, 0x14) & 1) != 0);
      if (!stored) return false;
      if (compareRegistryNames(*stored, name, RegistryNameOrder::windows) != 0) continue;
      if (!dataFits(*vk)) return false;
      found = ValueCell{at, u32At(*vk, 0x10)};
      return true;
    }
    return true;
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
      const std::optional<std::string_view> cell = keyCell(key);
      if (!cell || !subkeys(*cell, children)) return damagedAt(path);
      std::optional<Offset> match;
      for (Offset child : children) {
        const std::optional<std::string_view> childCell = keyCell(child);
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
  HiveBytes() = default;

  static std::optional<std::u16string> storedName(std::string_view stored, bool latin1) {
    std::u16string name;
    if (latin1) {
      for (char c : stored) name.push_back(static_cast<unsigned char>(c));
      return name;
    }
    if (stored.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < stored.size(); i += 2) name.push_back(u16At(stored, i));
    return name;
  }

  bool readLeaf(std::string_view list, std::uint32_t limit, std::vector<Offset>& out) const {
    const std::string_view kind = list.substr(4, 2);
    std::size_t entry;
    if (kind == "lf" || kind == "lh") {
      entry = 8;
    } else if (kind == "li") {
      entry = 4;
    } else {
      return false;
    }
    const std::uint16_t count = u16At(list, 6);
    if (8 + entry * count > list.size() || out.size() + count > limit) return false;
    for (std::uint16_t i = 0; i < count; ++i) out.push_back(binsStart + u32At(list, 8 + entry * i));
    return true;
  }

  // libhivex follows a value's big data ("db", for data longer than a cell)
  // through its list of segments without checking the list against its
  // cell; that is checked here first.
  bool dataFits(std::string_view vk) const {
    const std::uint32_t length = u32At(vk, 8);
    if ((length & 0x80000000u) != 0) return true;
    const std::optional<std::string_view> data = map_.cell(binsStart + u32At(vk, 0x0C));
    if (!data) return false;
    if (length <= data->size() - 4) return true;
    if (data->size() < 12 || data->substr(4, 2) != "db") return false;
    const std::optional<std::string_view> segments = map_.cell(binsStart + u32At(*data, 8));
    return segments && 4 + std::size_t{4} * u16At(*data, 6) <= segments->size();
  }

  FileBytes bytes_;
  CellMap map_;
};

// The data of the values found, read through libhivex; each value's data
// into take(index, type, bytes). False where libhivex does not accept the
// hive or a value.
template <class Take>
Status readValues(const std::string& file, const std::vector<std::optional<ValueCell>>& values,
                  Take take, std::size_t& failedAt) {
  errno = 0;
  Hivex hive(hivex_open(file.c_str(), 0));
  if (!hive) {
    const int number = errno;
    if (number == ENOENT || number == EACCES || number == EPERM || number == ENOMEM) {
      return systemError(number);
    }
    return notAHive();
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) continue;
    hive_type unused;
    std::size_t length = 0;
    errno = 0;
    char* data = hivex_value_value(hive.get(), values[i]->at, &unused, &length);
    failedAt = i;
    if (!data) return Error{unreadable, Text()};
    const std::unique_ptr<char, decltype(&std::free)> owned(data, &std::free);
    if (!take(i, values[i]->type, std::string_view(data, length))) return Error{unreadable, Text()};
  }
  return success();
}

// A key's path for the messages: keyPath, then the names down to node.
std::u16string pathOf(const RegistryTreeBuilder& builder, TextView keyPath, std::size_t node) {
  std::vector<std::u16string_view> names;
  for (auto at = static_cast<RegistryTree::Node>(node); at != builder.top();
       at = builder.parent(at)) {
    names.push_back(builder.name(at));
  }
  std::u16string path = toUtf16(keyPath);
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!path.empty()) path += u'\\';
    path += *name;
  }
  return path;
}

}  // namespace

Result<RegistryTree> readHiveTree(const std::string& file, TextView keyPath) {
  try {
    RegistryTreeBuilder builder(std::nullopt);
    std::vector<std::optional<ValueCell>> values;
    std::size_t fileSize = 0;
    {
      Result<HiveBytes> read = HiveBytes::read(file);
      if (!read) return read.error();
      const HiveBytes& hive = read.value();
      fileSize = hive.size();
      Result<std::optional<Offset>> start = hive.find(keyPath);
      if (!start) return start.error();
      if (!start.value()) return Error{ENOENT, L"キー " + Text(keyPath) + L" がありません"};

      // Breadth first, so that every key's subkeys are added together and
      // the key cells are numbered as the tree numbers its keys.
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
        const auto where = [&] { return damagedAt(pathOf(builder, keyPath, node)); };
        const std::optional<std::string_view> cell = hive.keyCell(cells[node]);
        if (!cell || !hive.subkeys(*cell, children)) return where();
        if (!children.empty() && std::size_t{depths[node]} + 1 > deepestKey) return where();
        for (Offset child : children) {
          const std::optional<std::string_view> childCell = hive.keyCell(child);
          const std::optional<std::u16string> name =
              childCell ? HiveBytes::nameOf(*childCell) : std::optional<std::u16string>();
          if (!name || !firstSight(child)) return where();
          builder.addSubkey(static_cast<RegistryTree::Node>(node), *name);
          cells.push_back(child);
          depths.push_back(static_cast<std::uint16_t>(depths[node] + 1));
        }
        values.emplace_back();
        if (!hive.value(*cell, u"", values.back())) return where();
      }
    }

    std::size_t valueBytes = 0;
    std::size_t failedAt = 0;
    const auto take = [&](std::size_t node, std::uint32_t type, std::string_view data) {
      // Each value's data is a cell of its own; more than the file holds
      // means cells are shared, as no undamaged hive shares them.
      valueBytes += data.size();
      if (valueBytes > fileSize) return false;
      builder.setDefault(static_cast<RegistryTree::Node>(node), type, data);
      return true;
    };
    if (const Status read = readValues(file, values, take, failedAt); !read) {
      if (!read.error().description.empty()) return read.error();
      return damagedAt(pathOf(builder, keyPath, failedAt));
    }
    return std::move(builder).finish();
  } catch (const std::bad_alloc&) {
    return systemError(ENOMEM);
  }
}

Result<std::optional<RegistryData>> readHiveValue(const std::string& file, TextView keyPath,
                                                  TextView valueName) {
  try {
    std::optional<ValueCell> found;
    {
      Result<HiveBytes> read = HiveBytes::read(file);
      if (!read) return read.error();
      const HiveBytes& hive = read.value();
      Result<std::optional<Offset>> key = hive.find(keyPath);
      if (!key) return key.error();
      if (!key.value()) return std::optional<RegistryData>();
      const std::optional<std::string_view> cell = hive.keyCell(*key.value());
      if (!cell || !hive.value(*cell, toUtf16(valueName), found)) {
        return damagedAt(toUtf16(keyPath));
      }
      if (!found) return std::optional<RegistryData>();
    }
    std::optional<RegistryData> value;
    std::size_t failedAt = 0;
    const auto take = [&](std::size_t, std::uint32_t type, std::string_view data) {
      value = RegistryData{type, std::string(data)};
      return true;
    };
    const Status read = readValues(file, {found}, take, failedAt);
    if (!read) {
      return read.error().description.empty() ? damagedAt(toUtf16(keyPath)) : read.error();
    }
    return value;
  } catch (const std::bad_alloc&) {
    return systemError(ENOMEM);
  }
}

}  // namespace vemdrol
