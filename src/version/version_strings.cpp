#include "version/version_strings.h"

#include <cstdint>

#include "base/paths.h"
#include "files/error_message.h"

namespace vemdrol {
namespace {

Text hex4(std::uint16_t value) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  Text text(4, L'0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[i] = digits[value & 0xF];
  return text;
}

bool onSkipList(TextView path, const std::vector<Text>& skipList) {
  const TextView name = path.substr(directoryOf(path).size());
  for (const Text& entry : skipList) {
    // An empty entry is only the placeholder that the skip list's adding
    // rule leaves behind; it names no file.
    if (!entry.empty() && equalNoCase(name, entry)) return true;
  }
  return false;
}

VersionStrings fixedOutcome(VersionStringsOutcome outcome, TextView text) {
  return {outcome, Text(text), Text(), Text()};
}

}  // namespace

Text stringTablePrefix(const Translation& translation) {
  return L"\\StringFileInfo\\" + hex4(translation.language) + hex4(translation.codePage) + L"\\";
}

VersionStrings WVerINformation(VersionResourceReader& versions, TextView path,
                               const std::vector<Text>& skipList) {
  if (onSkipList(path, skipList)) return fixedOutcome(VersionStringsOutcome::skipped, skippedText);

  Result<std::optional<VersionResource>> resource = versions.versionResourceOf(path);
  if (!resource) {
    const Text message = errorMessage(failureLabel, resource.error());
    return {VersionStringsOutcome::failed, Text(failedText), message, message};
  }
  if (!resource.value()) {
    return fixedOutcome(VersionStringsOutcome::noInformation, noInformationText);
  }

  const VersionResource& block = *resource.value();
  const std::vector<Translation> translations = block.translations();
  const Text prefix = stringTablePrefix(translations.empty() ? Translation{} : translations[0]);
  VersionStrings strings;
  strings.outcome = VersionStringsOutcome::read;
  strings.description = block.stringValue(prefix + L"FileDescription").value_or(Text());
  strings.legalCopyright = block.stringValue(prefix + L"LegalCopyright").value_or(Text());
  return strings;
}

Text versionStringsText(const VersionStrings& strings) {
  return strings.description + L";" + strings.legalCopyright + L";";
}

}  // namespace vemdrol
