#include "os/console.h"

#include <unistd.h>

#include <cerrno>

#include "base/utf8.h"

namespace vemdrol {

namespace {

class PosixConsole final : public Console {
 public:
  void writeLine(TextView line, bool error) override {
    std::string bytes = toUtf8(line);
    bytes += '\n';
    const int fd = error ? STDERR_FILENO : STDOUT_FILENO;
    std::string_view rest = bytes;
    while (!rest.empty()) {
      const ssize_t written = ::write(fd, rest.data(), rest.size());
      if (written < 0 && errno == EINTR) continue;
      // Nobody is listening; the message has nowhere else to go.
      if (written <= 0) return;
      rest.remove_prefix(static_cast<std::size_t>(written));
    }
  }
};

}  // namespace

std::unique_ptr<Console> attachConsole() { return std::make_unique<PosixConsole>(); }

}  // namespace vemdrol
