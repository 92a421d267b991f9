#include "cli/arguments.h"

namespace vemdrol {

std::vector<Text> splitArguments(TextView arguments) {
  std::vector<Text> split;
  std::size_t i = 0;
  const std::size_t size = arguments.size();
  for (;;) {
    while (i < size && (arguments[i] == L' ' || arguments[i] == L'\t')) ++i;
    if (i >= size) break;
    Text argument;
    bool quoted = false;
    while (i < size && (quoted || (arguments[i] != L' ' && arguments[i] != L'\t'))) {
      std::size_t backslashes = 0;
      while (i < size && arguments[i] == L'\\') {
        ++backslashes;
        ++i;
      }
      if (i < size && arguments[i] == L'"') {
        argument.append(backslashes / 2, L'\\');
        if (backslashes % 2 == 1) {
          argument += L'"';
          ++i;
        } else if (quoted && i + 1 < size && arguments[i + 1] == L'"') {
          argument += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument.append(backslashes, L'\\');
        if (i < size && (quoted || (arguments[i] != L' ' && arguments[i] != L'\t'))) {
          argument += arguments[i];
          ++i;
        }
      }
    }
    split.push_back(std::move(argument));
  }
  return split;
}

}  // namespace vemdrol
