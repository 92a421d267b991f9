#include "app/list_commands.h"

namespace vemdrol {

namespace {

void appendCell(Text& text, TextView cell) {
  for (wchar_t c : cell) text += c == L'\t' || c == L'\r' || c == L'\n' ? L' ' : c;
}

}  // namespace

std::vector<MenuEntry> rowMenu(const ListModel& list) {
  const bool any = list.selectedCount() > 0;
  return {
      {static_cast<int>(ListCommand::copyRows), L"コピー", L"Ctrl+C", any},
      {static_cast<int>(ListCommand::copyPaths), L"パスをコピー", L"", any},
      {},
      {static_cast<int>(ListCommand::openFileLocation), L"ファイルの場所を開く", L"", any},
      {static_cast<int>(ListCommand::showProperties), L"プロパティ", L"", any},
  };
}

std::vector<MenuEntry> columnMenu(const ListModel& list) {
  std::size_t shown = 0;
  for (std::size_t i = 0; i < list.columnCount(); ++i) shown += list.column(i).shown ? 1 : 0;
  std::vector<MenuEntry> entries;
  for (std::size_t i = 0; i < list.columnCount(); ++i) {
    const ListColumn& column = list.column(i);
    entries.push_back({columnCommandBase + static_cast<int>(i), column.name, L"",
                       !column.shown || shown > 1, column.shown});
  }
  return entries;
}

Text selectedRowsText(const ListModel& list) {
  if (list.selectedCount() == 0) return Text();
  std::vector<std::size_t> columns;
  for (std::size_t i = 0; i < list.columnCount(); ++i) {
    if (list.column(i).shown) columns.push_back(i);
  }
  Text text;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += L'\t';
    appendCell(text, list.column(columns[i]).name);
  }
  text += L"\r\n";
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    if (!list.selected(row)) continue;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) text += L'\t';
      appendCell(text, list.cell(row, columns[i]));
    }
    text += L"\r\n";
  }
  return text;
}

Text selectedPathsText(const ListModel& list) {
  Text text;
  for (std::size_t row = 0; list.selectedCount() > 0 && row < list.rowCount(); ++row) {
    if (!list.selected(row)) continue;
    appendCell(text, list.cell(row, pathCell));
    text += L"\r\n";
  }
  return text;
}

std::optional<std::size_t> commandRow(const ListModel& list, std::optional<std::size_t> focused) {
  if (focused && list.selected(*focused)) return focused;
  for (std::size_t row = 0; list.selectedCount() > 0 && row < list.rowCount(); ++row) {
    if (list.selected(row)) return row;
  }
  return std::nullopt;
}

}  // namespace vemdrol
