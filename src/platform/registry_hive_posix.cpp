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

#include "platform/registry_hive.h"
#include "platform/utf16.h"

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

Result<std::string> readWhole(const std::string& file) {
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
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return systemError(errno);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  if (done < smallestHive) return notAHive();
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

std::string utf8Of(TextView text) {
  std::string bytes;
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code < 0x80) {
      bytes.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return bytes;
}

// One hive: the bytes and cells read here, and libhivex's handle on the same
// file for the values.
class HiveReader {
 public:
  static Result<HiveReader> open(const std::string& file) {
    Result<std::string> bytes = readWhole(file);
    if (!bytes) return bytes.error();
    errno = 0;
    Hivex hive(hivex_open(file.c_str(), 0));
    if (!hive) {
      const int number = errno;
      if (number == ENOENT || number == EACCES || number == EPERM || number == ENOMEM) {
        return systemError(number);
      }
      return notAHive();
    }
    HiveReader reader;
    reader.bytes_ = std::make_unique<std::string>(std::move(bytes).value());
    std::optional<CellMap> map = CellMap::build(*reader.bytes_);
    if (!map) return notAHive();
    reader.map_ = std::move(*map);
    reader.hive_ = std::move(hive);
    return reader;
  }

  Offset root() const { return map_.root(); }

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
    const std::string_view stored = keyCell.substr(keyCellSize, u16At(keyCell, 0x4C));
    std::u16string name;
    if ((u16At(keyCell, 6) & 0x20) != 0) {
      for (char c : stored) name.push_back(static_cast<unsigned char>(c));
      return name;
    }
    if (stored.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < stored.size(); i += 2) name.push_back(u16At(stored, i));
    return name;
  }

  // The file offsets of the key's subkeys as listed; false where the list
  // does not add up.
  bool subkeys(std::string_view keyCell, std::vector<Offset>& out) const {
    out.clear();
    const std::uint32_t count = u32At(keyCell, 0x18);
    if (count == 0) return true;
    // Every subkey has a key cell of its own.
    if (count > bytes_->size() / keyCellSize) return false;
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

  // The key's default value through libhivex; nullopt when it has none.
  // An error where the values do not add up.
  bool defaultValue(Offset key, std::optional<RegistryData>& value) {
    value.reset();
    errno = 0;
    hive_value_h* values = hivex_node_values(hive_.get(), key);
    if (!values) return false;
    const std::unique_ptr<hive_value_h, decltype(&std::free)> owned(values, &std::free);
    for (const hive_value_h* at = values; *at != 0; ++at) {
      errno = 0;
      if (hivex_value_key_len(hive_.get(), *at) != 0) continue;
      if (errno != 0) return false;
      return readValue(*at, value);
    }
    return true;
  }

  bool namedValue(Offset key, const std::string& name, std::optional<RegistryData>& value) {
    value.reset();
    errno = 0;
    const hive_value_h found = hivex_node_get_value(hive_.get(), key, name.c_str());
    if (found == 0) return errno == 0;
    return readValue(found, value);
  }

  // Finds the subkey path below the root; nullopt when a name is missing,
  // an error where the hive is damaged on the way.
  Result<std::optional<Offset>> find(TextView keyPath) {
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

  std::size_t size() const { return bytes_->size(); }

 private:
  HiveReader() = default;

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
  bool bigDataFits(Offset valueAt) const {
    const std::optional<std::string_view> vk = map_.cell(valueAt);
    if (!vk || vk->size() < 0x18 || vk->substr(4, 2) != "vk") return false;
    const std::uint32_t length = u32At(*vk, 8);
    if ((length & 0x80000000u) != 0) return true;
    const std::optional<std::string_view> data = map_.cell(binsStart + u32At(*vk, 0x0C));
    if (!data) return false;
    if (length <= data->size() - 4) return true;
    if (data->size() < 12 || data->substr(4, 2) != "db") return false;
    const std::optional<std::string_view> segments = map_.cell(binsStart + u32At(*data, 8));
    return segments && 4 + std::size_t{4} * u16At(*data, 6) <= segments->size();
  }

  bool readValue(hive_value_h at, std::optional<RegistryData>& value) {
    if (!bigDataFits(at)) return false;
    hive_type type;
    std::size_t length = 0;
    errno = 0;
    char* data = hivex_value_value(hive_.get(), at, &type, &length);
    if (!data) return false;
    const std::unique_ptr<char, decltype(&std::free)> owned(data, &std::free);
    value = RegistryData{static_cast<std::uint32_t>(type), std::string(data, length)};
    return true;
  }

  std::unique_ptr<std::string> bytes_;
  CellMap map_;
  Hivex hive_;
};

}  // namespace

Result<RegistryTree> readHiveTree(const std::string& file, TextView keyPath) {
  try {
    Result<HiveReader> opened = HiveReader::open(file);
    if (!opened) return opened.error();
    HiveReader& reader = opened.value();
    Result<std::optional<Offset>> start = reader.find(keyPath);
    if (!start) return start.error();
    if (!start.value()) return Error{ENOENT, L"キー " + Text(keyPath) + L" がありません"};

    // Breadth first, so that every key's subkeys are added together and the
    // key cells are numbered as the tree numbers its keys.
    RegistryTreeBuilder builder(std::nullopt);
    std::vector<Offset> cells{*start.value()};
    std::vector<std::uint16_t> depths{0};
    std::vector<std::uint64_t> seen(reader.size() / 4 / 64 + 1, 0);
    const auto markSeen = [&](Offset at) {
      std::uint64_t& word = seen[at / 4 / 64];
      const std::uint64_t bit = std::uint64_t{1} << (at / 4 % 64);
      const bool before = (word & bit) != 0;
      word |= bit;
      return !before;
    };
    markSeen(cells.front());
    std::vector<Offset> children;
    std::size_t valueBytes = 0;
    for (std::size_t node = 0; node < cells.size(); ++node) {
      // Where the hive breaks, for the message.
      const auto pathOf = [&] {
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
      };
      const std::optional<std::string_view> cell = reader.keyCell(cells[node]);
      if (!cell || !reader.subkeys(*cell, children)) return damagedAt(pathOf());
      if (!children.empty() && std::size_t{depths[node]} + 1 > deepestKey)
        return damagedAt(pathOf());
      for (Offset child : children) {
        const std::optional<std::string_view> childCell = reader.keyCell(child);
        const std::optional<std::u16string> name =
            childCell ? HiveReader::nameOf(*childCell) : std::optional<std::u16string>();
        if (!name || !markSeen(child)) return damagedAt(pathOf());
        builder.addSubkey(static_cast<RegistryTree::Node>(node), *name);
        cells.push_back(child);
        depths.push_back(static_cast<std::uint16_t>(depths[node] + 1));
      }
      std::optional<RegistryData> value;
      if (!reader.defaultValue(cells[node], value)) return damagedAt(pathOf());
      if (value) {
        // Each value's data is a cell of its own; more than the file holds
        // means cells are shared, as no undamaged hive shares them.
        valueBytes += value->bytes.size();
        if (valueBytes > reader.size()) return damagedAt(pathOf());
        builder.setDefault(static_cast<RegistryTree::Node>(node), value->type, value->bytes);
      }
    }
    return std::move(builder).finish();
  } catch (const std::bad_alloc&) {
    return systemError(ENOMEM);
  }
}

Result<std::optional<RegistryData>> readHiveValue(const std::string& file, TextView keyPath,
                                                  TextView valueName) {
  try {
    Result<HiveReader> opened = HiveReader::open(file);
    if (!opened) return opened.error();
    HiveReader& reader = opened.value();
    Result<std::optional<Offset>> key = reader.find(keyPath);
    if (!key) return key.error();
    if (!key.value()) return std::optional<RegistryData>();
    std::optional<RegistryData> value;
    if (!reader.namedValue(*key.value(), utf8Of(valueName), value)) {
      return damagedAt(toUtf16(keyPath));
    }
    return value;
  } catch (const std::bad_alloc&) {
    return systemError(ENOMEM);
  }
}

}  // namespace vemdrol
