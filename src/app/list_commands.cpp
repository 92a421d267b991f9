#include "app/list_commands.h"

#include "app/list_status.h"

namespace vemdrol {

namespace {

void appendCell(Text& text, TextView cell) {
  for (wchar_t c : cell) text += c == L'\t' || c == L'\r' || c == L'\n' ? L' ' : c;
}

}  // namespace

Text withAccessKey(TextView caption, wchar_t key) {
  const bool asks = caption.ends_with(L"...");
  Text text(asks ? caption.substr(0, caption.size() - 3) : caption);
  text += L"(&";
  text += key;
  text += L')';
  if (asks) text += L"...";
  return text;
}

std::vector<MenuEntry> rowMenu(const ListModel& list, const RowMenuState& state) {
  const bool any = list.selectedCount() > 0;
  const auto entry = [](ListCommand command, TextView caption, wchar_t key, bool enabled,
                        bool checked = false) {
    return MenuEntry{static_cast<int>(command), withAccessKey(caption, key), L"", enabled, checked};
  };
  MenuEntry copy = entry(ListCommand::copyRows, L"コピー", L'C', any);
  copy.shortcut = L"Ctrl+C";
  return {
      copy,
      entry(ListCommand::copyPaths, L"パスをコピー", L'A', any),
      {},
      entry(ListCommand::openFileLocation, L"ファイルの場所を開く", L'I', any),
      entry(ListCommand::openInRegistryEditor, L"レジストリ エディターで開く", L'G',
            any && state.fromRegistryKey),
      entry(ListCommand::showProperties, L"プロパティ", L'R', any),
      {},
      entry(ListCommand::compare, L"比較...", L'O', state.filesReady),
      entry(ListCommand::changedOnly, L"差分のみ表示", L'D', state.comparing, state.changedOnly),
      entry(ListCommand::endComparison, L"比較を終了", L'E', state.comparing),
      {},
      entry(ListCommand::hideMicrosoft, hideMicrosoftCaption, L'M', state.filesReady,
            state.signatureFilter.hideMicrosoft),
      entry(ListCommand::unverifiedOnly, unverifiedOnlyCaption, L'U', state.filesReady,
            state.signatureFilter.unverifiedOnly),
      {},
      entry(ListCommand::saveList, L"現在の一覧を保存...", L'S', state.filesReady),
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
  // The columns' keys by their place: 1 to 9, then the letters.
  constexpr TextView keys = L"123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::size_t place = 0;
  for (const ColumnChoice& column : columns) {
    if (ownColumns && column.column >= cellCount && !entries.empty()) entries.emplace_back();
    ownColumns = column.column < cellCount;
    const Text caption =
        place < keys.size() ? withAccessKey(column.name, keys[place]) : Text(column.name);
    ++place;
    entries.push_back({columnCommandBase + static_cast<int>(column.column), caption, L"",
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
