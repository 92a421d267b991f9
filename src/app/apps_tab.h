// The アプリ tab: the installed applications as the window shows them,
// beside the program files' list. Its rows are the list Programs and
// Features shows (すべて表示: every entry, the hidden ones in grey), or a
// comparison with an earlier JSON export of the list; its columns are the
// applications' fields (apps/app_fields.h), chosen as the program files'
// columns are. The main window hands it the list's events while the tab is
// shown, so that search, sort, copy, the column chooser, saving and
// comparing work on the shown list.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/list_commands.h"
#include "apps/app_fields.h"
#include "compare/app_comparison.h"
#include "os/filesystem.h"
#include "os/window.h"
#include "rows/list_model.h"
#include "search/list_search.h"

namespace vemdrol {

// A column the view shows: its number (app/row_facts.h, or the apps
// list's: its AppField, and appsChangeColumn), name and width.
struct ShownColumn {
  std::size_t column;
  TextView name;
  long widthTwips;
};

// The tabs above the list, in their order.
enum class ListTab { programFiles, apps };
inline constexpr std::array<TextView, 2> listTabCaptions{L"プログラム ファイル", L"アプリ"};

// The apps list's 差分 column, after the fields.
inline constexpr std::size_t appsChangeColumn = appFieldCount;

// The apps list's commands, beside the program files' (app/list_commands.h).
enum class AppsCommand : int {
  openLocation = 100,
  showAll,
};

inline constexpr TextView appsSaveTitle = L"現在のアプリの一覧を保存";
inline constexpr TextView appsFilterName = L"JSON (*.json)";

// What the tab needs of the window: the services it asks files and the
// shell of, and the status line it tells how a command went.
class AppsTabWindow {
 public:
  virtual ~AppsTabWindow() = default;
  virtual WindowServices& services() = 0;
  // nullptr until a machine is connected, and during a rebuild.
  virtual FileSystem* files() = 0;
  virtual void showStatus(TextView text) = 0;
};

class AppsTab final : private ExtraCells {
 public:
  AppsTab(AppsTabWindow& window, SearchWindow& searchWindow);
  ~AppsTab() override;
  AppsTab(const AppsTab&) = delete;
  AppsTab& operator=(const AppsTab&) = delete;

  // The list made anew: at start from the state file, after each rebuild.
  // A comparison under way compares the new list with the same earlier one.
  void setApps(std::vector<InstalledApp> apps);
  const std::vector<InstalledApp>& apps() const { return apps_; }
  // すべて表示: the hidden entries too.
  void setShowAll(bool all);
  bool showAll() const { return all_; }

  ListModel& rows() { return rows_; }
  const ListModel& rows() const { return rows_; }
  ListSearch& search() { return *search_; }

  // As MainWindow's of the same names, for the apps list. A column's
  // number is its AppField, 差分 the one after the last field.
  std::vector<ShownColumn> shownColumns() const;
  long columnWidth(std::size_t column) const;
  TextView cellText(std::size_t row, std::size_t column) const;
  Text changedCellTip(std::size_t row, std::size_t column) const;
  // Grey: a comparison's removed entry, or one Programs and Features hides.
  bool rowGrey(std::size_t row) const;
  void columnClick(std::size_t header);
  void columnResized(std::size_t column, long widthTwips);
  void showColumn(std::size_t column, bool shown);
  std::vector<MenuEntry> rowMenu(std::optional<std::size_t> focusedRow) const;
  std::vector<MenuEntry> columnMenu() const;
  void listCommand(int command, std::optional<std::size_t> focusedRow);

  // Compares the list with an earlier JSON export of it (or the state file
  // beside an inventory file); the status line says why it cannot.
  void compareWith(TextView path);
  void setChangedOnly(bool changedOnly);
  void endComparison();
  bool comparing() const { return comparison_.has_value(); }
  // Writes the shown entries (never a comparison's removed ones) as the
  // JSON export /apps writes; the status line tells how it went.
  void saveListAs(TextView path);

  // Whoever draws the list: told when the rows or columns are made anew.
  void setObserver(ListObserver* observer);

 private:
  struct Entry {
    AppTexts texts;
    std::optional<AppTexts> old;
    std::uint32_t changedFields = 0;
    Text change;
    bool hidden = false;
    bool removed = false;
  };

  void refill();
  const Entry* entryOf(std::size_t row) const;
  void copyRows();

  std::optional<CellOrder> extraOrder(std::size_t column) const override;
  TextView extraCell(const std::array<Text, cellCount>& cells, std::size_t tag, TextView source,
                     std::size_t column) const override;

  AppsTabWindow& window_;
  std::vector<InstalledApp> apps_;
  bool all_ = false;
  // The earlier list being compared with, and whether only changes show.
  std::optional<std::vector<AppRecord>> comparison_;
  bool changedOnly_ = false;
  std::vector<Entry> entries_;
  ListModel rows_;
  std::optional<ListSearch> search_;
  ListObserver* observer_ = nullptr;
  // The fields past the list's own five cells: shown or not, and widths.
  std::array<bool, appFieldCount> shown_{};
  std::array<long, appFieldCount + 1> widths_{};
};

}  // namespace vemdrol
