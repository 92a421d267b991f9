#include "os/window.h"

namespace vemdrol {

Text argumentsOfCommandLine(TextView commandLine) {
  std::size_t i = 0;
  const auto at = [&](std::size_t position) {
    return position < commandLine.size() ? commandLine[position] : L'\0';
  };
  if (at(i) == L'"') {
    ++i;
    while (i < commandLine.size() && at(i) != L'"') ++i;
    if (at(i) == L'"') ++i;
  } else {
    while (i < commandLine.size() && at(i) != L' ' && at(i) != L'\t') ++i;
  }
  while (at(i) == L' ' || at(i) == L'\t') ++i;
  return Text(commandLine.substr(i < commandLine.size() ? i : commandLine.size()));
}

Text registryEditorLastKey(TextView key, TextView previous, TextView rootName) {
  const TextView first = previous.substr(0, previous.find(L'\\'));
  TextView root = rootName;
  if (startsWithNoCase(first, L"HKEY_")) {
    root = {};
  } else if (!first.empty()) {
    root = first;
  }
  if (root.empty()) return Text(key);
  Text lastKey(root);
  lastKey += L'\\';
  lastKey += key;
  return lastKey;
}

}  // namespace vemdrol
