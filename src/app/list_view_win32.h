// The main window's list control: a virtual list-view that draws the rows of
// the list the window shows (MainWindow::shownList), its columns as the core
// says, the selection kept in step both ways and the sort's mark on the
// header. Widths are the core's twips, converted at the window's resolution.
#pragma once

#include <optional>
#include <vector>

#include "app/main_window.h"
#include "os/win32/gdi.h"
#include "os/win32/windows.h"

namespace vemdrol {

class ListViewWin32 final : public ListObserver {
 public:
  // scale is the main window's, which follows the monitor it is on.
  ListViewWin32(MainWindow& core, const TwipsScale& scale) : core_(core), scale_(scale) {}
  ListViewWin32(const ListViewWin32&) = delete;
  ListViewWin32& operator=(const ListViewWin32&) = delete;

  // The control, once the main window has made it.
  void attach(HWND list) { list_ = list; }
  HWND handle() const { return list_; }

  // A notification the main window received; 0 for those of other controls.
  LRESULT onNotify(const NMHDR& header);
  // Adds style bits to the control's extended style; the control's answer.
  long addExtendedStyle(unsigned long bits);
  // The widths the user dragged go to the core, for the next rebuild and the
  // next start.
  void syncColumnWidths();
  // Every column at its width at the scale's resolution, after a change of
  // resolution.
  void applyColumnWidths();

  std::optional<std::size_t> focusedRow() const;
  // The model's column that the control shows at a place, from 0.
  std::optional<std::size_t> modelColumn(int viewColumn) const;
  // The whole text of the cell at a point of the control's client area when
  // its column is too narrow for it, or a changed cell's older and newer
  // texts while comparing; "" otherwise.
  Text cutOffTextAt(POINT point) const;

  // ListObserver: keeps the control in step with the model.
  void columnsChanged() override;
  void rowsAdded() override;
  void rowsChanged() override;
  void cellChanged(std::size_t row) override;
  void cellsChanged() override;
  void selectionChanged(std::size_t row) override;
  void bringIntoView(std::size_t row) override;
  void sortChanged() override;

 private:
  void showSortMark();
  void showSelection(std::size_t row, bool selected);
  void takeSelectionFromView(int first, int last);
  int pixels(int pixelsAt96) const { return MulDiv(pixelsAt96, scale_.dpiY(), 96); }

  MainWindow& core_;
  const TwipsScale& scale_;
  HWND list_ = nullptr;
  // The model's column shown at each place of the control.
  std::vector<std::size_t> viewColumns_;
  // Whether the rows stand in the sort's order, so that the header shows its
  // direction.
  bool sortMarked_ = false;
  // While the control is being told about the model's selection, its change
  // notifications are echoes and must not flow back.
  bool syncingSelection_ = false;
};

}  // namespace vemdrol
