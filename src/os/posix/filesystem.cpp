#include "os/posix/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/utf8.h"
#include "formats/registry/registry_names.h"
#include "os/posix/errors.h"

namespace vemdrol {
namespace {

static_assert(sizeof(wchar_t) == 4, "texts hold one code point per character here");

// Larger files are not the program's; refusing them keeps a stray path from
// exhausting memory.
constexpr std::size_t maxReadSize = std::size_t{1} << 30;

// A NUL would cut the name short at the system call, so it is refused along
// with the characters UTF-8 cannot hold.
std::optional<std::string> encodeUtf8(TextView text) {
  for (const wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  }
  return toUtf8(text);
}

Error lastError() { return posixError(errno); }

// The errors that mean "no such name" rather than "cannot tell".
bool meansNothingThere(long number) {
  return number == ENOENT || number == ENOTDIR || number == EINVAL || number == ENAMETOOLONG ||
         number == ELOOP;
}

bool hasNoWriteBits(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

std::string joinPath(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  if (name.empty()) return folder;
  std::string path = folder;
  if (path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

std::string_view leafOf(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

UniqueDir openFolder(const std::string& folder) {
  return UniqueDir(::opendir(folder.empty() ? "." : folder.c_str()));
}

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes and reports the outcome: a failed close can be the only sign that
  // written bytes did not reach the disk.
  Status close() {
    const int fd = std::exchange(fd_, -1);
    if (fd >= 0 && ::close(fd) != 0) return lastError();
    return success();
  }

 private:
  int fd_;
};

UniqueFd openRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

// The regular file at native, open for reading, with its status.
// Non-blocking, so that a pipe standing where a file was expected cannot hang
// the open; it is refused.
Result<UniqueFd> openRegularFile(const std::string& native, struct stat& status) {
  UniqueFd fd = openRetrying(native, O_RDONLY | O_NONBLOCK);
  if (!fd.valid()) return lastError();
  if (::fstat(fd.get(), &status) != 0) return lastError();
  if (S_ISDIR(status.st_mode)) return posixError(EISDIR);
  if (!S_ISREG(status.st_mode)) return posixError(EINVAL);
  return fd;
}

Status writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (written == 0) return posixError(EIO);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return success();
}

// The entry of folder whose name equals name ignoring case. When several do
// (a case-sensitive disk), the one first in byte order wins, so the choice
// does not depend on the order of the folder.
std::optional<std::string> findEntryNoCase(const std::string& folder, std::string_view name) {
  const std::optional<Text> wanted = decodeUtf8(name);
  if (!wanted) return std::nullopt;
  const UniqueDir dir = openFolder(folder);
  if (!dir) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    const std::optional<Text> text = decodeUtf8(entryName);
    if (!text || !equalNoCase(*text, *wanted)) continue;
    if (!best || entryName < *best) best = std::string(entryName);
  }
  return best;
}

bool nameExists(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0;
}

// A POSIX time as FILETIME ticks; nullopt for what those cannot hold (before
// 1601 or past the year 58000) and for the epoch of FILETIME itself, which
// Windows reports for a time it does not keep.
std::optional<FileTime> fileTimeFrom(std::int64_t seconds, std::uint32_t nanoseconds) {
  constexpr std::int64_t epochSeconds = fileTimeUnixEpoch / fileTimeTicksPerSecond;
  constexpr std::int64_t lastSeconds =
      static_cast<std::int64_t>(std::numeric_limits<FileTime>::max() / fileTimeTicksPerSecond) -
      epochSeconds - 1;
  if (seconds < -epochSeconds || seconds > lastSeconds || nanoseconds >= 1000000000u) {
    return std::nullopt;
  }
  const FileTime ticks =
      static_cast<FileTime>(seconds + epochSeconds) * fileTimeTicksPerSecond + nanoseconds / 100;
  if (ticks == 0) return std::nullopt;
  return ticks;
}

class PosixFileReader final : public FileReader {
 public:
  explicit PosixFileReader(UniqueFd fd) : fd_(std::move(fd)) {}

  Result<std::size_t> readAt(std::uint64_t offset, std::span<char> buffer) override {
    std::size_t done = 0;
    while (done < buffer.size()) {
      const std::uint64_t at = offset + done;
      if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) break;
      const ssize_t got =
          ::pread(fd_.get(), buffer.data() + done, buffer.size() - done, static_cast<off_t>(at));
      if (got < 0) {
        if (errno == EINTR) continue;
        return lastError();
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  UniqueFd fd_;
};

std::vector<std::string> splitNames(std::string_view path) {
  std::vector<std::string> names;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    if (slash != 0) names.emplace_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return names;
}

// The system gives up on a path after 40 links.
constexpr int maxLinks = 40;

}  // namespace

PosixFileSystem::PosixFileSystem(const DriveTable& drives, std::optional<std::string> confineTo) {
  for (const auto& [letter, folder] : drives) drives_[foldCase(letter)] = folder;
  if (confineTo) {
    confineGiven_ = *confineTo;
    // A folder that cannot be resolved stays as given; nothing is then
    // found in it.
    char resolved[PATH_MAX];
    confineRoot_ = ::realpath(confineTo->c_str(), resolved) ? std::string(resolved) : *confineTo;
  }
}

std::optional<std::vector<std::string>> PosixFileSystem::namesBelowRoot(
    const std::string& path) const {
  if (path.empty() || path.front() != '/') return std::nullopt;
  const std::vector<std::string> names = splitNames(path);
  for (const std::string* root : {&*confineRoot_, &confineGiven_}) {
    const std::vector<std::string> rootNames = splitNames(*root);
    if (root->empty() || root->front() != '/' || rootNames.size() > names.size() ||
        !std::equal(rootNames.begin(), rootNames.end(), names.begin())) {
      continue;
    }
    return std::vector<std::string>(names.begin() + static_cast<std::ptrdiff_t>(rootNames.size()),
                                    names.end());
  }
  return std::nullopt;
}

Result<std::string> PosixFileSystem::confinedPath(std::vector<std::string> names,
                                                  bool folder) const {
  const std::string& root = *confineRoot_;
  std::deque<std::string> pending(std::make_move_iterator(names.begin()),
                                  std::make_move_iterator(names.end()));
  std::string current = root;
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.front());
    pending.pop_front();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (current == root) return posixError(ENOENT);
      current = folderOf(current);
      continue;
    }
    std::string next = joinPath(current, name);
    struct stat status;
    if (::lstat(next.c_str(), &status) != 0) {
      if (errno != ENOENT) return lastError();
      const std::optional<std::string> match = findEntryNoCase(current, name);
      if (!match) {
        // The system stops at the first name that is missing, so what
        // follows it is never reached; it names what is to be created.
        for (const std::string& rest : pending) next = joinPath(next, rest);
        return next;
      }
      next = joinPath(current, *match);
      if (::lstat(next.c_str(), &status) != 0) return lastError();
    }
    if (S_ISLNK(status.st_mode)) {
      if (++links > maxLinks) return posixError(ELOOP);
      char target[PATH_MAX];
      const ssize_t length = ::readlink(next.c_str(), target, sizeof target);
      if (length < 0) return lastError();
      if (static_cast<std::size_t>(length) >= sizeof target) return posixError(ENAMETOOLONG);
      const std::string_view link(target, static_cast<std::size_t>(length));
      std::vector<std::string> linked;
      if (!link.empty() && link.front() == '/') {
        std::optional<std::vector<std::string>> below = namesBelowRoot(std::string(link));
        if (!below) return posixError(ENOENT);
        linked = std::move(*below);
        current = root;
      } else {
        linked = splitNames(link);
      }
      pending.insert(pending.begin(), std::make_move_iterator(linked.begin()),
                     std::make_move_iterator(linked.end()));
      continue;
    }
    current = std::move(next);
  }
  if (folder) current.push_back('/');
  return current;
}

Result<std::string> PosixFileSystem::nativePath(TextView path) const {
  Text text(path);
  for (wchar_t& c : text) {
    if (c == L'\\') c = L'/';
  }

  // The root is taken as it is; only the components after it are looked up.
  std::string root;
  TextView rest = text;
  const bool driveLetter =
      text.size() >= 2 && text[1] == L':' &&
      ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'));
  if (driveLetter) {
    const auto drive = drives_.find(foldCase(text[0]));
    if (drive == drives_.end()) {
      return Error{ENOENT, Text(L"No folder stands for drive ") + text[0] + L":"};
    }
    root = drive->second.empty() ? std::string("/") : drive->second;
    rest.remove_prefix(2);
  } else if (!text.empty() && text[0] == L'/') {
    root = "/";
  }
  while (!rest.empty() && rest.front() == L'/') rest.remove_prefix(1);

  const std::optional<std::string> encoded = encodeUtf8(rest);
  if (!encoded) return posixError(EINVAL);

  if (confineRoot_) {
    std::optional<std::vector<std::string>> names = namesBelowRoot(joinPath(root, *encoded));
    if (!names) return posixError(ENOENT);
    return confinedPath(std::move(*names), !encoded->empty() && encoded->back() == '/');
  }

  const std::string literal = joinPath(root, *encoded);
  struct stat status;
  if (::lstat(literal.c_str(), &status) == 0 || (errno != ENOENT && errno != ENOTDIR)) {
    return literal;
  }

  std::string current = root;
  std::string_view remaining = *encoded;
  while (!remaining.empty()) {
    const std::size_t slash = remaining.find('/');
    const std::string_view component = remaining.substr(0, slash);
    remaining = slash == std::string_view::npos ? std::string_view() : remaining.substr(slash + 1);
    if (component.empty()) continue;

    std::string next = joinPath(current, component);
    if (component != "." && component != ".." && !nameExists(next)) {
      const std::optional<std::string> match = findEntryNoCase(current, component);
      if (!match) {
        // Nothing further exists; the rest names what is to be created.
        return joinPath(next, remaining);
      }
      next = joinPath(current, *match);
    }
    current = std::move(next);
  }
  if (!encoded->empty() && encoded->back() == '/') current.push_back('/');
  return current;
}

Result<std::vector<Text>> PosixFileSystem::listFiles(TextView folder) {
  Result<std::string> native = nativePath(folder);
  if (!native) return native.error();
  const UniqueDir dir = openFolder(native.value());
  if (!dir) return lastError();

  std::vector<Text> names;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry) {
      if (errno != 0) return lastError();
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    // A name that is not UTF-8 could not be addressed again by its text.
    std::optional<Text> text = decodeUtf8(name);
    if (!text) continue;
    // The entry's type saves a stat where the file system gives it; links
    // count as what they point to, and when confined, only while they lead
    // to somewhere inside.
    if (entry->d_type == DT_DIR) continue;
    if (entry->d_type != DT_REG) {
      std::string path = joinPath(native.value(), name);
      if (confineRoot_) {
        std::optional<std::vector<std::string>> below = namesBelowRoot(path);
        Result<std::string> inside = below ? confinedPath(std::move(*below), false)
                                           : Result<std::string>(posixError(ENOENT));
        if (!inside) continue;
        path = std::move(inside).value();
      }
      struct stat status;
      if (::stat(path.c_str(), &status) != 0) continue;
      if (!S_ISREG(status.st_mode)) continue;
    }
    names.push_back(std::move(*text));
  }
  // In the order Windows lists a folder (NTFS keeps names sorted by their
  // upper-case form, and Wine sorts its listings the same way), so that a
  // scan from here lists a folder's files as the same scan would there; the
  // order a Linux folder gives is nobody's.
  std::sort(names.begin(), names.end(), [](const Text& a, const Text& b) {
    return compareRegistryNames(a, b, RegistryNameOrder::windows) < 0;
  });
  return names;
}

Result<std::optional<FileAttributes>> PosixFileSystem::attributesOf(TextView path) {
  using Answer = std::optional<FileAttributes>;
  if (path.empty()) return Answer();
  Result<std::string> native = nativePath(path);
  if (!native) {
    if (meansNothingThere(native.error().number)) return Answer();
    return native.error();
  }
  struct stat status;
  if (::stat(native.value().c_str(), &status) != 0) {
    if (meansNothingThere(errno)) return Answer();
    return lastError();
  }
  const std::string_view leaf = leafOf(native.value());
  FileAttributes attributes;
  attributes.directory = S_ISDIR(status.st_mode);
  attributes.hidden = leaf.size() > 1 && leaf.front() == '.' && leaf != "..";
  attributes.readOnly = hasNoWriteBits(status.st_mode);
  return Answer(attributes);
}

Result<std::string> PosixFileSystem::readFile(TextView path) {
  Result<std::string> native = nativePath(path);
  if (!native) return native.error();
  struct stat status;
  Result<UniqueFd> opened = openRegularFile(native.value(), status);
  if (!opened) return opened.error();
  UniqueFd fd = std::move(opened).value();
  if (status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) > maxReadSize) {
    return posixError(EFBIG);
  }

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (got == 0) break;
    // The file may have grown since fstat.
    if (static_cast<std::size_t>(got) > maxReadSize - bytes.size()) return posixError(EFBIG);
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

Result<FileInfo> PosixFileSystem::fileInfo(TextView path) {
  Result<std::string> native = nativePath(path);
  if (!native) return native.error();
  // statx gives the creation ("birth") time where the file system keeps
  // one; a kernel or sandbox without statx gets the rest from stat.
  struct statx status;
  if (::statx(AT_FDCWD, native.value().c_str(), AT_STATX_SYNC_AS_STAT,
              STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &status) == 0) {
    if (S_ISDIR(status.stx_mode)) return posixError(EISDIR);
    FileInfo info;
    info.size = status.stx_size;
    if ((status.stx_mask & STATX_MTIME) != 0) {
      info.lastWrite = fileTimeFrom(status.stx_mtime.tv_sec, status.stx_mtime.tv_nsec);
    }
    if ((status.stx_mask & STATX_BTIME) != 0) {
      info.creation = fileTimeFrom(status.stx_btime.tv_sec, status.stx_btime.tv_nsec);
    }
    return info;
  }
  if (errno != ENOSYS && errno != EPERM) return lastError();

  struct stat plain;
  if (::stat(native.value().c_str(), &plain) != 0) return lastError();
  if (S_ISDIR(plain.st_mode)) return posixError(EISDIR);
  FileInfo info;
  info.size = static_cast<std::uint64_t>(plain.st_size);
  info.lastWrite =
      fileTimeFrom(plain.st_mtim.tv_sec, static_cast<std::uint32_t>(plain.st_mtim.tv_nsec));
  return info;
}

Result<std::unique_ptr<FileReader>> PosixFileSystem::openForReading(TextView path) {
  Result<std::string> native = nativePath(path);
  if (!native) return native.error();
  struct stat status;
  Result<UniqueFd> opened = openRegularFile(native.value(), status);
  if (!opened) return opened.error();
  return std::unique_ptr<FileReader>(std::make_unique<PosixFileReader>(std::move(opened).value()));
}

Status PosixFileSystem::replaceFile(TextView path, std::string_view bytes) {
  Result<std::string> native = nativePath(path);
  if (!native) return native.error();
  const std::string& target = native.value();

  struct stat old;
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return lastError();
  // Read-only means read-only even for a user whom the permission bits do not
  // stop, as on Windows.
  if (exists && !S_ISDIR(old.st_mode) && hasNoWriteBits(old.st_mode)) return posixError(EACCES);

  // The new file is made in the same folder so that the rename cannot cross
  // file systems; its dot name keeps it out of sight meanwhile.
  static std::atomic<unsigned> counter{0};
  const std::string folder = folderOf(target);
  std::string temporary;
  UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    temporary = joinPath(folder, ".~" + std::to_string(::getpid()) + "-" +
                                     std::to_string(counter.fetch_add(1)) + ".tmp");
    fd = openRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (!fd.valid() && errno != EEXIST) return lastError();
  }
  if (!fd.valid()) return lastError();

  const auto discard = [&](Error error) -> Status {
    fd.reset();
    ::unlink(temporary.c_str());
    return error;
  };
  if (exists && !S_ISDIR(old.st_mode) && ::fchmod(fd.get(), old.st_mode & 07777) != 0) {
    return discard(lastError());
  }
  if (Status written = writeAll(fd.get(), bytes); !written) return discard(written.error());
  if (::fsync(fd.get()) != 0) return discard(lastError());
  if (Status closed = fd.close(); !closed) return discard(closed.error());
  if (::rename(temporary.c_str(), target.c_str()) != 0) return discard(lastError());

  // Makes the rename itself durable. The new content is in place either way,
  // so a failure here is no failure of the replacement.
  UniqueFd folderFd = openRetrying(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
  if (folderFd.valid()) ::fsync(folderFd.get());
  return success();
}

Status PosixFileSystem::appendToFile(TextView path, std::string_view bytes) {
  Result<std::string> native = nativePath(path);
  if (!native) return native.error();
  struct stat old;
  if (::stat(native.value().c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) return posixError(EISDIR);
    if (hasNoWriteBits(old.st_mode)) return posixError(EACCES);
  }
  UniqueFd fd = openRetrying(native.value(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK, 0666);
  if (!fd.valid()) return lastError();
  struct stat status;
  if (::fstat(fd.get(), &status) != 0) return lastError();
  if (!S_ISREG(status.st_mode)) return posixError(EINVAL);
  // No fsync: the bytes only have to outlive this program, not the machine,
  // and a sync per line would slow a rebuild down to the disk's pace.
  if (Status written = writeAll(fd.get(), bytes); !written) return written;
  return fd.close();
}

std::unique_ptr<FileSystem> makeSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace vemdrol
