#include <fcntl.h>
#include <hivex.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "base/utf16.h"
#include "formats/limits.h"
#include "formats/registry/hive_cells.h"
#include "offline/hive.h"
#include "os/posix/errors.h"

namespace vemdrol {
namespace {

constexpr long damagedNumber = EINVAL;

Error notAHive() { return faultError(Fault::notHive, damagedNumber); }

Error damagedAt(Text keyPath) {
  return faultError(Fault::hiveDamaged, damagedNumber, std::move(keyPath));
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
  if (fd < 0) return fileReadError(errno);
  const auto closer = [](int* f) { ::close(*f); };
  std::unique_ptr<int, decltype(closer)> owned(&fd, closer);
  struct stat status;
  if (::fstat(fd, &status) != 0) return fileReadError(errno);
  if (S_ISDIR(status.st_mode)) return fileReadError(EISDIR);
  // A file the cell reader would refuse is not read at all.
  if (!S_ISREG(status.st_mode) || status.st_size < static_cast<off_t>(minHiveFileSize) ||
      static_cast<std::uint64_t>(status.st_size) > maxHiveFileSize) {
    return notAHive();
  }
  FileBytes bytes;
  const auto size = static_cast<std::size_t>(status.st_size);
  bytes.data.reset(new char[size]);
  while (bytes.size < size) {
    const ssize_t got = ::read(fd, bytes.data.get() + bytes.size, size - bytes.size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fileReadError(errno);
    }
    if (got == 0) break;
    bytes.size += static_cast<std::size_t>(got);
  }
  return bytes;
}

struct HivexClose {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};
using Hivex = std::unique_ptr<hive_h, HivexClose>;

// The data of the values found, read through libhivex, each value's data
// into take(index, type, bytes); once the hive's bytes read for its cells
// are gone, so that the hive is never held twice. A value libhivex does not
// give, or take refuses, is damagedAt(index).
template <class Take, class Damaged>
Status readValues(const std::string& file, const std::vector<std::optional<HiveValueCell>>& values,
                  Take take, Damaged damagedAt) {
  errno = 0;
  Hivex hive(hivex_open(file.c_str(), 0));
  if (!hive) {
    const int number = errno;
    if (number == ENOENT || number == EACCES || number == EPERM || number == ENOMEM) {
      return fileReadError(number);
    }
    return notAHive();
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) continue;
    hive_type unused;
    std::size_t length = 0;
    errno = 0;
    char* data = hivex_value_value(hive.get(), values[i]->at, &unused, &length);
    if (!data) return damagedAt(i);
    const std::unique_ptr<char, decltype(&std::free)> owned(data, &std::free);
    if (!take(i, values[i]->type, std::string_view(data, length))) return damagedAt(i);
  }
  return success();
}

}  // namespace

Result<RegistryTree> readHiveTree(const std::string& file, TextView keyPath) {
  try {
    std::size_t fileSize = 0;
    Result<HiveKeys> cells = [&]() -> Result<HiveKeys> {
      const Result<FileBytes> bytes = readWhole(file);
      if (!bytes) return bytes.error();
      fileSize = bytes.value().size;
      return readHiveKeys(bytes.value().view(), keyPath);
    }();
    if (!cells) return cells.error();
    HiveKeys& read = cells.value();

    std::size_t valueBytes = 0;
    const auto take = [&](std::size_t node, std::uint32_t type, std::string_view data) {
      // Each value's data is a cell of its own; more than the file holds
      // means cells are shared, as no undamaged hive shares them.
      valueBytes += data.size();
      if (valueBytes > fileSize) return false;
      read.keys.setDefault(static_cast<RegistryTree::Node>(node), type, data);
      return true;
    };
    const auto damaged = [&](std::size_t node) {
      return damagedAt(hiveKeyPath(read.keys, keyPath, static_cast<RegistryTree::Node>(node)));
    };
    if (Status values = readValues(file, read.defaults, take, damaged); !values) {
      return values.error();
    }
    return std::move(read.keys).finish();
  } catch (const std::bad_alloc&) {
    return fileReadError(ENOMEM);
  }
}

Result<RegistryTree> readHiveFileSubtrees(const std::string& file,
                                          const std::vector<Text>& keyPaths) {
  try {
    std::size_t fileSize = 0;
    Result<HiveSubtrees> cells = [&]() -> Result<HiveSubtrees> {
      const Result<FileBytes> bytes = readWhole(file);
      if (!bytes) return bytes.error();
      fileSize = bytes.value().size;
      return vemdrol::readHiveSubtrees(bytes.value().view(), keyPaths);
    }();
    if (!cells) return cells.error();
    HiveSubtrees& read = cells.value();

    std::vector<std::optional<HiveValueCell>> wanted;
    wanted.reserve(read.values.size());
    for (const HiveNamedValue& value : read.values) wanted.emplace_back(value.cell);
    std::size_t valueBytes = 0;
    const auto take = [&](std::size_t index, std::uint32_t type, std::string_view data) {
      valueBytes += data.size();
      if (valueBytes > fileSize) return false;
      const HiveNamedValue& value = read.values[index];
      read.keys.setValue(value.node, value.name, type, data);
      return true;
    };
    const auto damaged = [&](std::size_t index) {
      return damagedAt(hiveKeyPath(read.keys, L"", read.values[index].node));
    };
    if (Status values = readValues(file, wanted, take, damaged); !values) return values.error();
    return std::move(read.keys).finish();
  } catch (const std::bad_alloc&) {
    return fileReadError(ENOMEM);
  }
}

Result<std::optional<RegistryData>> readHiveValue(const std::string& file, TextView keyPath,
                                                  TextView valueName) {
  try {
    const Result<std::optional<HiveValueCell>> found =
        [&]() -> Result<std::optional<HiveValueCell>> {
      const Result<FileBytes> bytes = readWhole(file);
      if (!bytes) return bytes.error();
      return findHiveValue(bytes.value().view(), keyPath, valueName);
    }();
    if (!found) return found.error();
    if (!found.value()) return std::optional<RegistryData>();

    std::optional<RegistryData> value;
    const auto take = [&](std::size_t, std::uint32_t type, std::string_view data) {
      value = RegistryData{type, std::string(data)};
      return true;
    };
    const auto damaged = [&](std::size_t) { return damagedAt(Text(keyPath)); };
    if (Status read = readValues(file, {found.value()}, take, damaged); !read) return read.error();
    return value;
  } catch (const std::bad_alloc&) {
    return fileReadError(ENOMEM);
  }
}

Result<std::vector<NamedHiveValue>> readHiveSubkeyValues(const std::string& file, TextView keyPath,
                                                         TextView valueName) {
  try {
    Result<std::vector<HiveSubkeyValue>> found = [&]() -> Result<std::vector<HiveSubkeyValue>> {
      const Result<FileBytes> bytes = readWhole(file);
      if (!bytes) return bytes.error();
      return findHiveSubkeyValues(bytes.value().view(), keyPath, valueName);
    }();
    if (!found) return found.error();
    std::vector<std::optional<HiveValueCell>> cells;
    for (const HiveSubkeyValue& subkey : found.value()) cells.push_back(subkey.value);
    std::vector<NamedHiveValue> values;
    const auto take = [&](std::size_t index, std::uint32_t type, std::string_view data) {
      values.push_back({std::move(found.value()[index].subkey), {type, std::string(data)}});
      return true;
    };
    const auto damaged = [&](std::size_t index) {
      return damagedAt(Text(keyPath) + L"\\" + found.value()[index].subkey);
    };
    if (Status read = readValues(file, cells, take, damaged); !read) return read.error();
    return values;
  } catch (const std::bad_alloc&) {
    return fileReadError(ENOMEM);
  }
}

}  // namespace vemdrol
