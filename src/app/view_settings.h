// The view the user left, kept for the next start in Vemdrol.ini beside the
// program: the window's place, each column's width and whether it is shown,
// and the last sort. The file is UTF-8 text (a byte order mark is written and
// accepted) in lines ending in CR LF or LF:
//
//   [Window]
//   Left=1200              outer window, screen twips
//   Top=900
//   Width=15480
//   Height=9945
//   Maximized=0            0 or 1
//   [Columns]
//   種類=2500,1            column name = width in twips, shown (0 or 1)
//   [Sort]
//   Column=パス
//   Descending=1
//   [Filter]
//   HideMicrosoft=1        Microsoft の項目を隠す (0 or 1)
//   UnverifiedOnly=0       検証できない項目だけ表示 (0 or 1)
//
// It is read like any file from outside: a file longer than
// viewSettingsMaxBytes, bytes that are not UTF-8, a line that is neither a
// section, nor "key=value", nor blank, a known key with a value out of its
// range, or more columns than viewSettingsMaxColumns make the whole file
// count as damaged. Unknown sections and keys are passed over, so that a
// later program's file still reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "os/window.h"
#include "trust/signature_filter.h"

namespace vemdrol {

inline constexpr const wchar_t* viewSettingsName = L"Vemdrol.ini";
inline constexpr std::size_t viewSettingsMaxBytes = 65536;
inline constexpr std::size_t viewSettingsMaxColumns = 256;
inline constexpr std::size_t viewSettingsMaxNameLength = 256;
// Positions lie within this many twips of the screen's origin, sizes up to it.
inline constexpr long viewSettingsMaxTwips = 1000000;

struct ColumnView {
  Text name;
  long widthTwips = 0;
  bool shown = true;
  friend bool operator==(const ColumnView&, const ColumnView&) = default;
};

struct SortView {
  Text column;
  bool descending = false;
  friend bool operator==(const SortView&, const SortView&) = default;
};

struct ViewSettings {
  // Only when all four of its values are there.
  std::optional<TwipsRect> window;
  bool maximized = false;
  // Each name once, in the file's order; a repeated name's later lines are
  // passed over.
  std::vector<ColumnView> columns;
  std::optional<SortView> sort;
  SignatureFilter filter;
  friend bool operator==(const ViewSettings&, const ViewSettings&) = default;
};

Result<ViewSettings> parseViewSettings(std::string_view bytes);

// The file's bytes. A column or sort name that the file cannot hold as it is
// (empty, too long, with "=", a line break or blanks at either end) is left
// out.
std::string viewSettingsBytes(const ViewSettings& settings);

}  // namespace vemdrol
