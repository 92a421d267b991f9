// Feeds arbitrary bytes to the version resource parsers, as a whole program
// file and as a raw version block, and checks that nothing crashes or hangs
// and that every answer stays within the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "formats/pe/version_resource.h"
#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"
#include "version/version_number.h"
#include "version/version_strings.h"

namespace {

using vemdrol::Text;

void check(bool condition) {
  if (!condition) std::abort();
}

void checkResource(const std::optional<vemdrol::VersionResource>& resource, std::size_t size) {
  if (!resource) return;
  const std::size_t length = resource->bytes().size();
  check(length >= 6 && length <= size && length <= 0xFFFF);

  const auto translations = resource->translations();
  check(translations.size() * 4 <= length);
  if (const auto fixed = resource->fixedFileVersion()) check(length >= 52);

  const Text prefix = vemdrol::stringTablePrefix(translations.empty() ? vemdrol::Translation{}
                                                                      : translations.front());
  for (const Text& path : {prefix + L"FileDescription", prefix + L"LegalCopyright", Text(L"\\"),
                           Text(L"\\\\VarFileInfo\\\\Translation\\")}) {
    const std::optional<Text> text = resource->stringValue(path);
    if (!text) continue;
    check(text->size() * 2 <= length);
    check(text->find(L'\0') == Text::npos);
  }
}

bool isVersionNumber(const Text& text) {
  int dots = 0;
  for (wchar_t c : text) {
    if (c == L'.') {
      ++dots;
    } else if (c < L'0' || c > L'9') {
      return false;
    }
  }
  return text.empty() || (dots == 2 && text.size() <= 17);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As a program file.
  const std::optional<std::string_view> block = vemdrol::findVersionBlock(bytes);
  if (block) {
    check(block->data() >= bytes.data() && block->size() <= size &&
          block->data() + block->size() <= bytes.data() + size);
    checkResource(vemdrol::VersionResource::fromBlock(*block), block->size());
  }

  // As the block GetFileVersionInfoW would hand out.
  checkResource(vemdrol::VersionResource::fromBlock(bytes), size);

  // And as a file on disk, through the two functions the rebuild calls.
  vemdrol::MemoryFileSystem files;
  files.addFile(L"C:\\App\\app.exe", bytes);
  vemdrol::PeVersionResourceReader reader(files);
  const auto number = vemdrol::WVerNumber(reader, L"C:\\App\\app.exe");
  check(number.ok() && isVersionNumber(number.value()));
  const vemdrol::VersionStrings strings = vemdrol::WVerINformation(reader, L"C:\\App\\app.exe", {});
  check(strings.outcome ==
        (block ? strings.outcome : vemdrol::VersionStringsOutcome::noInformation));
  check(strings.outcome == vemdrol::VersionStringsOutcome::read ||
        strings.outcome == vemdrol::VersionStringsOutcome::noInformation);
  check(strings.description.find(L'\0') == Text::npos);
  check(strings.legalCopyright.find(L'\0') == Text::npos);
  if (strings.outcome == vemdrol::VersionStringsOutcome::read) {
    // Each text is one string value: two bytes a character at least.
    check(strings.description.size() * 2 <= size && strings.legalCopyright.size() * 2 <= size);
  }
  return 0;
}
