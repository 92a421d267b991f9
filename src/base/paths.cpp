#include "base/paths.h"

namespace vemdrol {

Text directoryOf(TextView path) {
  std::size_t last = path.rfind(L'\\');
  if (last == TextView::npos) return {};
  return Text(path.substr(0, last + 1));
}

Text exePathOf(TextView command) {
  static constexpr TextView extension = L".exe";
  const std::size_t at = findNoCase(command, extension);
  if (at == notFound) return {};
  // The path ends with the extension; at + 4 <= command.size() holds.
  const std::size_t end = at + extension.size();
  auto driveAt = [&](std::size_t i) {
    return command.size() > i + 2 && command[i + 1] == L':' && command[i + 2] == L'\\';
  };
  if (!command.empty() && command[0] == L'"' && driveAt(1)) {
    return Text(command.substr(1, end - 1));
  }
  if (driveAt(0)) return Text(command.substr(0, end));
  return {};
}

}  // namespace vemdrol
