#include "app/list_view_win32.h"

#include "app/list_commands.h"

namespace vemdrol {

void ListViewWin32::syncColumnWidths() {
  // The user drags the columns' edges in the control; the model keeps the
  // widths for the next rebuild and the next start.
  const HWND list = list_;
  if (!list) return;
  for (std::size_t j = 0; j < viewColumns_.size(); ++j) {
    const auto width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, j, 0));
    const std::size_t column = viewColumns_[j];
    if (width <= 0) continue;
    if (scale_.toPixelsX(core_.columnWidth(column)) != width) {
      core_.columnResized(column, scale_.toTwipsX(width));
    }
  }
}

void ListViewWin32::applyColumnWidths() {
  for (std::size_t j = 0; j < viewColumns_.size(); ++j) {
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, j,
                 scale_.toPixelsX(core_.columnWidth(viewColumns_[j])));
  }
}

void ListViewWin32::columnsChanged() {
  const HWND list = list_;
  syncColumnWidths();
  while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
  }
  viewColumns_.clear();
  for (const ShownColumn& column : core_.shownColumns()) {
    const Text name(column.name);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    // Sizes read better against the column's right edge.
    header.fmt =
        column.column == firstDetailColumn + factIndex(Fact::size) ? LVCFMT_RIGHT : LVCFMT_LEFT;
    if (viewColumns_.empty()) header.fmt = LVCFMT_LEFT;
    header.cx = scale_.toPixelsX(column.widthTwips);
    header.pszText = const_cast<wchar_t*>(name.c_str());
    header.iSubItem = static_cast<int>(viewColumns_.size());
    SendMessageW(list, LVM_INSERTCOLUMNW, viewColumns_.size(), reinterpret_cast<LPARAM>(&header));
    viewColumns_.push_back(column.column);
  }
  // A column shown or hidden leaves the rows in their order.
  showSortMark();
}

void ListViewWin32::sortChanged() {
  sortMarked_ = core_.shownList().sorted();
  showSortMark();
}

void ListViewWin32::showSortMark() {
  const HWND list = list_;
  const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (!header) return;
  const ListModel& model = core_.shownList();
  for (std::size_t j = 0; j < viewColumns_.size(); ++j) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(header, HDM_GETITEMW, j, reinterpret_cast<LPARAM>(&item))) continue;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (sortMarked_ && viewColumns_[j] == model.sortKey()) {
      item.fmt |= model.sortOrder() == 1 ? HDF_SORTDOWN : HDF_SORTUP;
    }
    SendMessageW(header, HDM_SETITEMW, j, reinterpret_cast<LPARAM>(&item));
  }
}

void ListViewWin32::rowsAdded() {
  SendMessageW(list_, LVM_SETITEMCOUNT, core_.shownList().rowCount(),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void ListViewWin32::rowsChanged() {
  const HWND list = list_;
  const ListModel& model = core_.shownList();
  // An emptied list is filled anew in the order rows come (a rebuild): it
  // is no longer in the sort's order, whatever the sort settings say.
  if (model.rowCount() == 0) sortMarked_ = false;
  SendMessageW(list, LVM_SETITEMCOUNT, model.rowCount(), LVSICF_NOSCROLL);
  // Rows now stand elsewhere: the view's selection follows the model's.
  syncingSelection_ = true;
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  syncingSelection_ = false;
  for (std::size_t i = 0; model.selectedCount() > 0 && i < model.rowCount(); ++i) {
    if (model.selected(i)) showSelection(i, true);
  }
  InvalidateRect(list, nullptr, TRUE);
}

void ListViewWin32::cellsChanged() {
  if (const HWND list = list_) InvalidateRect(list, nullptr, FALSE);
}

void ListViewWin32::cellChanged(std::size_t row) { SendMessageW(list_, LVM_REDRAWITEMS, row, row); }

void ListViewWin32::selectionChanged(std::size_t row) {
  if (!syncingSelection_) showSelection(row, core_.shownList().selected(row));
}

void ListViewWin32::showSelection(std::size_t row, bool selected) {
  syncingSelection_ = true;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  syncingSelection_ = false;
}

void ListViewWin32::bringIntoView(std::size_t row) {
  SendMessageW(list_, LVM_ENSUREVISIBLE, row, FALSE);
  // The search brings its hit here, selected. Unfocused, the list greys its
  // selection out, and a clicked ▼ or ▲ keeps the focus: the list takes
  // it, with the hit as its focused row, so that the hit stands out and the
  // arrow keys go on from it. Typing in the search box keeps its focus.
  if (row >= core_.shownList().rowCount() || !core_.shownList().selected(row)) return;
  LVITEMW state{};
  state.stateMask = LVIS_FOCUSED;
  state.state = LVIS_FOCUSED;
  syncingSelection_ = true;
  SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  syncingSelection_ = false;
  wchar_t focusedClass[16] = {};
  if (const HWND focused = GetFocus(); focused && GetClassNameW(focused, focusedClass, 16) > 0 &&
                                       equalNoCase(focusedClass, L"Button")) {
    SetFocus(list_);
  }
}

void ListViewWin32::takeSelectionFromView(int first, int last) {
  if (syncingSelection_) return;
  const HWND list = list_;
  syncingSelection_ = true;
  for (int i = first; i >= 0 && i <= last; ++i) {
    const LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED);
    (void)core_.shownList().setSelected(static_cast<std::size_t>(i), (state & LVIS_SELECTED) != 0);
  }
  syncingSelection_ = false;
}

LRESULT ListViewWin32::onNotify(const NMHDR& header) {
  if (header.hwndFrom != list_) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
      if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
        const std::optional<std::size_t> column = modelColumn(info.item.iSubItem);
        const TextView text =
            column ? core_.cellToShow(static_cast<std::size_t>(info.item.iItem), *column)
                   : TextView();
        // The control offers a buffer of its own size; what does not fit is
        // cut for drawing only, the model keeps the whole text.
        const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
        const std::size_t length = text.size() < room ? text.size() : room;
        text.copy(info.item.pszText, length);
        info.item.pszText[length] = L'\0';
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) &&
          ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
        if (change.iItem < 0) {
          takeSelectionFromView(0, static_cast<int>(core_.shownList().rowCount()) - 1);
        } else {
          takeSelectionFromView(change.iItem, change.iItem);
        }
      }
      return 0;
    }
    case LVN_COLUMNCLICK: {
      const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
      if (const std::optional<std::size_t> column = modelColumn(click.iSubItem)) {
        core_.columnClick(*column + 1);
      }
      return 0;
    }
    case LVN_ODSTATECHANGED: {
      const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
      takeSelectionFromView(change.iFrom, change.iTo);
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // A comparison's removed rows are drawn in grey, the rest as always.
      auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
        return core_.comparison() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
      }
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && core_.rowRemoved(draw.nmcd.dwItemSpec)) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
      }
      return CDRF_DODEFAULT;
    }
    case NM_DBLCLK: {
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
      if (click.iItem >= 0) {
        core_.listCommand(static_cast<int>(ListCommand::showProperties),
                          static_cast<std::size_t>(click.iItem));
      }
      return 0;
    }
  }
  return 0;
}

std::optional<std::size_t> ListViewWin32::focusedRow() const {
  const LRESULT row = SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

std::optional<std::size_t> ListViewWin32::modelColumn(int viewColumn) const {
  if (viewColumn < 0 || static_cast<std::size_t>(viewColumn) >= viewColumns_.size()) {
    return std::nullopt;
  }
  return viewColumns_[static_cast<std::size_t>(viewColumn)];
}

Text ListViewWin32::cutOffTextAt(POINT point) const {
  const HWND list = list_;
  LVHITTESTINFO hit{};
  hit.pt = point;
  if (SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 ||
      hit.iItem < 0) {
    return Text();
  }
  const std::optional<std::size_t> column = modelColumn(hit.iSubItem);
  if (!column) return Text();
  // A changed cell of a comparison shows what it was, however wide.
  Text changed = core_.changedCellTip(static_cast<std::size_t>(hit.iItem), *column);
  if (!changed.empty()) return changed;
  const Text text(core_.cellText(static_cast<std::size_t>(hit.iItem), *column));
  if (text.empty()) return Text();
  RECT cell{};
  cell.top = hit.iSubItem;
  cell.left = LVIR_LABEL;
  if (!SendMessageW(list, LVM_GETSUBITEMRECT, hit.iItem, reinterpret_cast<LPARAM>(&cell))) {
    return Text();
  }
  const auto width = static_cast<int>(
      SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
  // The list leaves a margin on either side of a cell's text; the control
  // also draws no more than its buffer of 260 characters.
  const bool cut = width + pixels(12) > cell.right - cell.left || text.size() >= 260;
  return cut ? text : Text();
}

long ListViewWin32::addExtendedStyle(unsigned long bits) {
  const HWND list = list_;
  const auto style =
      static_cast<unsigned long>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  return static_cast<long>(SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | bits));
}

}  // namespace vemdrol
