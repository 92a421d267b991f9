#include "files/program_files.h"

namespace vemdrol {

Text ProgramFolder::path(TextView name) const {
  Text joined = folder;
  if (joined.empty() || joined.back() != L'\\') joined += L'\\';
  joined += name;
  return joined;
}

Result<bool> filePresent(FileSystem& files, TextView path) {
  Result<std::optional<FileAttributes>> found = files.attributesOf(path);
  if (!found) return found.error();
  if (!found.value()) return false;
  return !found.value()->directory && !found.value()->system;
}

}  // namespace vemdrol
