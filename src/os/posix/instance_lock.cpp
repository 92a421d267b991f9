#include "os/instance_lock.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "os/posix/errors.h"

namespace vemdrol {

namespace {

class FileLock final : public InstanceLock {
 public:
  explicit FileLock(int descriptor) : descriptor_(descriptor) {}
  ~FileLock() override { close(descriptor_); }
  // The holder is the lock file's content, read only while the lock is
  // held. Told as well as the file allows: a holder that cannot say who it
  // is holds the lock all the same.
  void announce(const LockHolder& holder) override {
    const std::string bytes = lockHolderBytes(holder);
    if (ftruncate(descriptor_, 0) == 0) {
      const ssize_t written = pwrite(descriptor_, bytes.data(), bytes.size(), 0);
      static_cast<void>(written);
    }
  }

 private:
  int descriptor_;
};

std::string lockPath(std::uint64_t key) {
  const char* temp = getenv("TMPDIR");
  std::string path = temp && *temp ? temp : "/tmp";
  char name[40];
  snprintf(name, sizeof(name), "/vemdrol-%016llx.lock", static_cast<unsigned long long>(key));
  return path + name;
}

class PosixInstanceLocks final : public InstanceLocks {
 public:
  Result<std::unique_ptr<InstanceLock>> lock(TextView folder,
                                             std::chrono::milliseconds wait) override {
    const std::string path = lockPath(instanceLockKey(folder));
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) return posixError(errno);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        return std::unique_ptr<InstanceLock>(std::make_unique<FileLock>(descriptor));
      }
      const int number = errno;
      if (number != EWOULDBLOCK && number != EINTR) {
        close(descriptor);
        return posixError(number);
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        close(descriptor);
        return std::unique_ptr<InstanceLock>();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  std::optional<LockHolder> holder(TextView folder) override {
    const std::string path = lockPath(instanceLockKey(folder));
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    std::optional<LockHolder> found;
    // A lock that can be had shared is held by nobody.
    if (flock(descriptor, LOCK_SH | LOCK_NB) != 0) {
      char bytes[32];
      const ssize_t read = pread(descriptor, bytes, sizeof(bytes), 0);
      if (read > 0) found = lockHolderFrom(std::string_view(bytes, static_cast<std::size_t>(read)));
    }
    close(descriptor);
    return found;
  }
};

}  // namespace

std::uint64_t instanceLockKey(TextView folder) { return foldedPathKey(folder); }

std::unique_ptr<InstanceLocks> makeSystemInstanceLocks() {
  return std::make_unique<PosixInstanceLocks>();
}

}  // namespace vemdrol
