#include "os/registry.h"

#include <initializer_list>

namespace vemdrol {
namespace {

// The first n "\"-separated names of path match these, letter case ignored;
// where they do, rest is what follows them (without its separator).
bool startsWithNames(TextView path, std::initializer_list<TextView> names, TextView& rest) {
  TextView left = path;
  for (const TextView name : names) {
    if (!startsWithNoCase(left, name)) return false;
    left.remove_prefix(name.size());
    if (left.empty()) {
      rest = left;
      return true;
    }
    if (left.front() != L'\\') return false;
    left.remove_prefix(1);
  }
  rest = left;
  return true;
}

bool isWow64Node(TextView rest) {
  const std::size_t end = rest.find(L'\\');
  return equalNoCase(rest.substr(0, end), L"Wow6432Node");
}

Text joined(TextView head, TextView node, TextView rest) {
  Text path(head);
  path += L'\\';
  path += node;
  path += L'\\';
  path += rest;
  return path;
}

}  // namespace

Text wow64Path(RegistryRoot root, TextView subKey) {
  TextView rest;
  switch (root) {
    case RegistryRoot::localMachine:
      if (startsWithNames(subKey, {L"Software", L"Classes"}, rest)) {
        if (rest.empty() || isWow64Node(rest)) break;
        return joined(subKey.substr(0, subKey.size() - rest.size() - 1), L"Wow6432Node", rest);
      }
      if (startsWithNames(subKey, {L"Software"}, rest)) {
        if (rest.empty() || isWow64Node(rest)) break;
        return joined(subKey.substr(0, subKey.size() - rest.size() - 1), L"WOW6432Node", rest);
      }
      break;
    case RegistryRoot::currentUser:
      if (startsWithNames(subKey, {L"Software", L"Classes"}, rest)) {
        if (rest.empty() || isWow64Node(rest)) break;
        return joined(subKey.substr(0, subKey.size() - rest.size() - 1), L"Wow6432Node", rest);
      }
      break;
    case RegistryRoot::classesRoot:
      if (subKey.empty() || isWow64Node(subKey)) break;
      return L"Wow6432Node\\" + Text(subKey);
    default:
      break;
  }
  return Text(subKey);
}

}  // namespace vemdrol
