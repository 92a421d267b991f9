// The fields of an installed application as columns: the names the list
// and the exports show, the JSON keys, and each field's text, in one order
// for the window, the exports, the comparison and the state file.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "apps/installed_app.h"

namespace vemdrol {

enum class AppField : std::size_t {
  name,
  version,
  publisher,
  installDate,
  size,
  location,
  uninstall,
  scope,
  view,
  kind,
  productCode,
  source,
};
inline constexpr std::size_t appFieldCount = 12;

// How a field sorts and how JSON writes it.
enum class AppFieldKind { text, version, date, bytes };

struct AppFieldColumn {
  TextView name;         // 名前, バージョン, ...
  std::string_view key;  // name, version, ...
  AppFieldKind kind;
  long widthTwips;
};

const std::array<AppFieldColumn, appFieldCount>& appFieldColumns();

// The JSON key of the mark of hidden entries, which exports carry when
// they list everything.
inline constexpr std::string_view hiddenKey = "hidden";

using AppTexts = std::array<Text, appFieldCount>;

// Every field as its text: the size as a number of bytes ("" when
// unknown), the scope as "machine" or the user's name.
AppTexts appTexts(const InstalledApp& app);
Text appField(const InstalledApp& app, AppField field);

}  // namespace vemdrol
