#include "formats/apps/package_full_name.h"

#include <array>

#include "formats/limits.h"

namespace vemdrol {
namespace {

bool isAsciiAlnum(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// The name's characters: letters, digits, "." and "-".
bool validName(TextView name) {
  if (name.size() < 3 || name.size() > maxPackageNameLength) return false;
  for (wchar_t c : name) {
    if (!isAsciiAlnum(c) && c != L'.' && c != L'-') return false;
  }
  return true;
}

bool validVersion(TextView version) {
  int parts = 0;
  while (true) {
    const std::size_t dot = version.find(L'.');
    const TextView part = version.substr(0, dot);
    if (part.empty() || part.size() > 5) return false;
    unsigned number = 0;
    for (wchar_t c : part) {
      if (c < L'0' || c > L'9') return false;
      number = number * 10 + static_cast<unsigned>(c - L'0');
    }
    if (number > 65535) return false;
    ++parts;
    if (dot == TextView::npos) break;
    version.remove_prefix(dot + 1);
  }
  return parts == 4;
}

bool validArchitecture(TextView architecture) {
  for (TextView known : {L"x86", L"x64", L"arm", L"arm64", L"neutral", L"x86a64"}) {
    if (equalNoCase(architecture, known)) return true;
  }
  return false;
}

bool validResourceId(TextView resourceId) {
  if (resourceId.size() > maxPackageResourceIdLength) return false;
  for (wchar_t c : resourceId) {
    if (!isAsciiAlnum(c) && c != L'.' && c != L'-' && c != L'~') return false;
  }
  return true;
}

bool validPublisherId(TextView publisherId) {
  if (publisherId.size() != 13) return false;
  for (wchar_t c : publisherId) {
    if (!(c >= L'0' && c <= L'9') && !(c >= L'a' && c <= L'z')) return false;
  }
  return true;
}

}  // namespace

std::optional<PackageFullName> parsePackageFullName(TextView fullName) {
  if (fullName.size() > maxPackageFullNameLength) return std::nullopt;
  std::array<TextView, 5> parts;
  std::size_t count = 0;
  while (true) {
    const std::size_t separator = fullName.find(L'_');
    if (count == parts.size()) return std::nullopt;
    parts[count++] = fullName.substr(0, separator);
    if (separator == TextView::npos) break;
    fullName.remove_prefix(separator + 1);
  }
  if (count != parts.size() || !validName(parts[0]) || !validVersion(parts[1]) ||
      !validArchitecture(parts[2]) || !validResourceId(parts[3]) || !validPublisherId(parts[4])) {
    return std::nullopt;
  }
  return PackageFullName{Text(parts[0]), Text(parts[1]), Text(parts[2]), Text(parts[3]),
                         Text(parts[4])};
}

}  // namespace vemdrol
