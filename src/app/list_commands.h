// The list's context menus and what their entries and the list's keys do:
// copying rows or paths, the file's folder and its properties, the registry
// key a row came from in Registry Editor, selecting
// every row, comparing with an earlier inventory, saving the current list,
// and choosing the shown columns. The window layer shows the entries as
// listed here; a feature with entries of its own adds them here, with its
// commands.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "base/text.h"
#include "rows/list_model.h"
#include "trust/signature_filter.h"

namespace vemdrol {

enum class ListCommand : int {
  copyRows = 1,
  copyPaths,
  openFileLocation,
  showProperties,
  selectAll,
  compare,
  changedOnly,
  endComparison,
  saveList,
  openInRegistryEditor,
  hideMicrosoft,
  unverifiedOnly,
};

// Commands from this number on show or hide a column: the number less this
// one is the column's number (app/row_facts.h: the list's columns, then the
// detail columns).
inline constexpr int columnCommandBase = 1000;

// プロパティ where the shell has no properties dialog.
inline constexpr TextView noPropertiesDialogMessage =
    L"このシステムにはファイルのプロパティを表示する画面がありません";

struct MenuEntry {
  // 0 for a separator.
  int command = 0;
  // With its access key after "&" ("コピー(&C)", "比較(&O)...").
  Text caption;
  // The key that does the same, shown at the entry's right ("Ctrl+C").
  Text shortcut;
  bool enabled = true;
  bool checked = false;
};

// What the row menu's entries depend on besides the selection.
struct RowMenuState {
  bool comparing = false;
  bool changedOnly = false;
  // Whether files can be chosen and read (a machine is connected and no
  // rebuild runs).
  bool filesReady = true;
  // Whether the row a command is for came from a registry key (and not
  // from the folder scan, or from nowhere known).
  bool fromRegistryKey = false;
  // The filter by signature that is on (Microsoft の項目を隠す, 検証できない
  // 項目だけ表示).
  SignatureFilter signatureFilter;
};

// Whether a row's source (ListModel::source) is a registry key that
// Registry Editor can open.
bool isRegistryKeySource(TextView source);

// A Japanese caption with its access key after it, in brackets, before any
// "..." ("比較(&O)..."), as Windows' own menus do.
Text withAccessKey(TextView caption, wchar_t key);

// The menu of the list's rows.
std::vector<MenuEntry> rowMenu(const ListModel& list, const RowMenuState& state = {});

struct ColumnChoice {
  std::size_t column;
  TextView name;
  bool shown;
};

// The menu of the column headers: every column, checked when shown, the
// detail columns after a separator. The last column shown cannot be hidden.
std::vector<MenuEntry> columnMenu(std::span<const ColumnChoice> columns);
// The same for the list's own columns.
std::vector<MenuEntry> columnMenu(const ListModel& list);

// The selected rows as the list shows them: a line of the shown columns'
// names, then a line per selected row, the cells separated by tabs, every
// line ended by CR LF. A tab or line break inside a cell becomes a blank, so
// that each row stays one line of the same number of fields. "" when no row
// is selected.
Text selectedRowsText(const ListModel& list);
// The same with the columns a view shows: their names, and the cell of a row
// for the column at a place among them.
using ShownCell = std::function<TextView(std::size_t row, std::size_t place)>;
Text selectedRowsText(const ListModel& list, std::span<const Text> names, const ShownCell& cell);

// The program files' paths of the selected rows, one a line, each ended by
// CR LF; "" when no row is selected.
Text selectedPathsText(const ListModel& list);

// The row a command about one file is for: the focused row when it is
// selected, else the first selected row; nothing when no row is selected.
std::optional<std::size_t> commandRow(const ListModel& list, std::optional<std::size_t> focused);

}  // namespace vemdrol
