#include "os/process.h"

#include <limits.h>
#include <unistd.h>

#include <string>

#include "base/utf8.h"

namespace vemdrol {

Text programFolder() {
  std::string path(PATH_MAX, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return Text();
  path.resize(static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return Text();
  return decodeUtf8(path.substr(0, slash == 0 ? 1 : slash)).value_or(Text());
}

std::uint32_t currentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

Text computerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return Text();
  return decodeUtf8(name).value_or(Text());
}

Text windowsFolder() { return Text(); }

}  // namespace vemdrol
