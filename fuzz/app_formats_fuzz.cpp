// Feeds arbitrary bytes to the readers of an installed application's
// values, a package's full name, an AppxManifest.xml and an earlier JSON
// export: nothing may crash or hang, and what comes back must keep within
// its limits and the input. The first byte chooses the reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/utf16.h"
#include "formats/apps/app_values.h"
#include "formats/apps/appx_manifest.h"
#include "formats/apps/export_json.h"
#include "formats/apps/package_full_name.h"
#include "formats/limits.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0: {
      // A value of each type the fields are read from.
      for (std::uint32_t type : {vemdrol::registryTypeSz, vemdrol::registryTypeDword,
                                 vemdrol::registryTypeQword, vemdrol::registryTypeBinary}) {
        const vemdrol::RegistryData value{type, std::string(bytes)};
        if (const auto text = vemdrol::appText(value)) {
          check(vemdrol::toUtf16(*text).size() <= vemdrol::maxAppTextLength);
          if (const auto date = vemdrol::installDateOf(*text)) check(date->size() == 10);
        }
        if (const auto size = vemdrol::estimatedSizeBytes(value)) check(*size % 1024 == 0);
        vemdrol::appDword(value);
      }
      break;
    }
    case 1: {
      const vemdrol::Text name = vemdrol::fromUtf16Le(bytes);
      if (const auto parts = vemdrol::parsePackageFullName(name)) {
        check(name.size() <= vemdrol::maxPackageFullNameLength);
        check(parts->name.size() + parts->version.size() + parts->architecture.size() +
                  parts->resourceId.size() + parts->publisherId.size() + 4 ==
              name.size());
      }
      break;
    }
    case 2: {
      const auto facts = vemdrol::readAppxManifest(bytes);
      if (facts) {
        for (const auto& text : {facts.value().displayName, facts.value().publisherName}) {
          if (text)
            check(!text->empty() &&
                  vemdrol::toUtf16(*text).size() <= vemdrol::maxAppxDisplayNameLength);
        }
      } else {
        check(facts.error().fault == vemdrol::Fault::badAppxManifest);
      }
      break;
    }
    default: {
      const auto rows = vemdrol::readExportedRows(bytes);
      if (rows) {
        std::size_t fields = 0;
        for (const auto& row : rows.value()) fields += row.fields.size();
        // Every field takes at least a key, a colon and a value.
        check(fields * 4 <= bytes.size());
      } else {
        check(rows.error().fault == vemdrol::Fault::notJsonExport);
        check(std::stoul(rows.error().subject) <= bytes.size());
      }
      break;
    }
  }
  return 0;
}
