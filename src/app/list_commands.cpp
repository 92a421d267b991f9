#include "app/list_commands.h"

#include "app/list_status.h"

namespace vemdrol {

namespace {

void appendCell(Text& text, TextView cell) {
  for (wchar_t c : cell) text += c == L'\t' || c == L'\r' || c == L'\n' ? L' ' : c;
}

}  // namespace

std::vector<MenuEntry> rowMenu(const ListModel& list, const RowMenuState& state) {
  const bool any = list.selectedCount() > 0;
  const auto entry = [](ListCommand command, const wchar_t* caption, bool enabled,
                        bool checked = false) {
    return MenuEntry{static_cast<int>(command), caption, L"", enabled, checked};
  };
  return {
      {static_cast<int>(ListCommand::copyRows), L"コピー", L"Ctrl+C", any},
      entry(ListCommand::copyPaths, L"パスをコピー", any),
      {},
      entry(ListCommand::openFileLocation, L"ファイルの場所を開く", any),
      entry(ListCommand::openInRegistryEditor, L"レジストリ エディターで開く",
            any && state.fromRegistryKey),
      entry(ListCommand::showProperties, L"プロパティ", any),
      {},
      entry(ListCommand::compare, L"比較...", state.filesReady),
      entry(ListCommand::changedOnly, L"差分のみ表示", state.comparing, state.changedOnly),
      entry(ListCommand::endComparison, L"比較を終了", state.comparing),
      {},
      entry(ListCommand::hideMicrosoft, hideMicrosoftCaption.data(), state.filesReady,
            state.signatureFilter.hideMicrosoft),
      entry(ListCommand::unverifiedOnly, unverifiedOnlyCaption.data(), state.filesReady,
            state.signatureFilter.unverifiedOnly),
      {},
      entry(ListCommand::saveList, L"現在の一覧を保存...", state.filesReady),
  };
}

bool isRegistryKeySource(TextView source) {
  return startsWithNoCase(source, L"HKEY_") && source.find(L'\\') != TextView::npos;
}

std::vector<MenuEntry> columnMenu(std::span<const ColumnChoice> columns) {
  std::size_t shown = 0;
  for (const ColumnChoice& column : columns) shown += column.shown ? 1 : 0;
  std::vector<MenuEntry> entries;
  bool ownColumns = true;
  for (const ColumnChoice& column : columns) {
    if (ownColumns && column.column >= cellCount && !entries.empty()) entries.emplace_back();
    ownColumns = column.column < cellCount;
    entries.push_back({columnCommandBase + static_cast<int>(column.column), Text(column.name), L"",
                       !column.shown || shown > 1, column.shown});
  }
  return entries;
}

std::vector<MenuEntry> columnMenu(const ListModel& list) {
  std::vector<ColumnChoice> choices;
  for (std::size_t i = 0; i < list.columnCount(); ++i) {
    choices.push_back({i, list.column(i).name, list.column(i).shown});
  }
  return columnMenu(choices);
}

Text selectedRowsText(const ListModel& list) {
  std::vector<Text> names;
  std::vector<std::size_t> columns;
  for (std::size_t i = 0; i < list.columnCount(); ++i) {
    if (!list.column(i).shown) continue;
    names.push_back(list.column(i).name);
    columns.push_back(i);
  }
  return selectedRowsText(list, names, [&](std::size_t row, std::size_t place) -> TextView {
    return list.cell(row, columns[place]);
  });
}

Text selectedRowsText(const ListModel& list, std::span<const Text> names, const ShownCell& cell) {
  if (list.selectedCount() == 0) return Text();
  Text text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += L'\t';
    appendCell(text, names[i]);
  }
  text += L"\r\n";
  for (std::size_t row = 0; row < list.rowCount(); ++row) {
    if (!list.selected(row)) continue;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i > 0) text += L'\t';
      appendCell(text, cell(row, i));
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
