// Reads arbitrary bytes as Vemdrol.ini: never a crash, and whatever reads
// writes back to bytes that read the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/view_settings.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vemdrol::Result<vemdrol::ViewSettings> read = vemdrol::parseViewSettings(bytes);
  if (!read) return 0;
  const vemdrol::ViewSettings& settings = read.value();
  check(settings.columns.size() <= vemdrol::viewSettingsMaxColumns);
  for (const vemdrol::ColumnView& column : settings.columns) {
    check(!column.name.empty() && column.name.size() <= vemdrol::viewSettingsMaxNameLength);
    check(column.widthTwips >= 0 && column.widthTwips <= vemdrol::viewSettingsMaxTwips);
  }
  if (settings.window) check(settings.window->width > 0 && settings.window->height > 0);
  const vemdrol::Result<vemdrol::ViewSettings> again =
      vemdrol::parseViewSettings(vemdrol::viewSettingsBytes(settings));
  check(again.ok() && again.value() == settings);
  return 0;
}
