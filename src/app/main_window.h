// The main window's state and its procedures, apart from any window system:
// start-up with its run-mode decision, the resize layout, the timer that
// ends an unattended run, the detail columns the list can show and the
// comparison with an earlier inventory. The Windows main window forwards its
// events here.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>

#include "app/apps_tab.h"
#include "app/compared_list.h"
#include "app/detail_worker.h"
#include "app/filtered_list.h"
#include "app/form.h"
#include "app/list_commands.h"
#include "app/rebuild_tray.h"
#include "app/row_facts.h"
#include "app/search_window.h"
#include "app/view_settings.h"
#include "files/program_files.h"
#include "files/skip_list.h"
#include "inventory/inventory.h"
#include "inventory/registry_listing.h"
#include "os/filesystem.h"
#include "os/registry.h"
#include "os/version_resource.h"
#include "rows/column_table.h"
#include "rows/list_model.h"
#include "scan/scan.h"
#include "search/list_search.h"
#include "trust/remembered_signatures.h"
#include "trust/signature_filter.h"

namespace vemdrol {

// The argument text selects unattended mode when it contains "作成".
bool argumentAsksForRebuild(TextView argument);

// The texts of the window's own that are not the form's design.
inline constexpr TextView compareTitle = L"比較する一覧を開く";
inline constexpr TextView saveListTitle = L"現在の一覧を保存";
inline constexpr TextView inventoryFilterName = L"一覧ファイル (*.cnt)";
// What 比較... offers: the inventory files the program names (Vemdrol.Cnt
// and the saved Vemdrol*.cnt) and state files, never the skip list
// AppSkip.cnt, which a file dialog's pattern cannot leave out of "*.cnt".
// The default extension comes from the last pattern.
inline constexpr TextView comparedFilterName = L"一覧ファイル (Vemdrol*.cnt, *.state)";
inline constexpr TextView comparedFilterPattern = L"*.state;Vemdrol*.cnt";
inline constexpr TextView listSavedMessage = L"現在の一覧を保存しました";
inline constexpr TextView listNotSavedMessage = L"現在の一覧を保存できませんでした: ";
// How many damaged lines of a compared file the status line names.
inline constexpr std::size_t damagedLinesNamed = 5;

class MainWindow final : private ExtraCells, private AppsTabWindow {
 public:
  // Loads the saved inventory into the list; sets flag to "" on entry.
  using InventoryLoader = std::function<void(Text& flag)>;
  using RebuildCommand = std::function<void()>;

  MainWindow(Form& form, WindowServices& services);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The procedures that start-up and the rebuild button call. Until they are
  // set, loading adds nothing and the rebuild does nothing.
  void setInventoryLoader(InventoryLoader loader) { loader_ = std::move(loader); }
  void setRebuildCommand(RebuildCommand rebuild) { rebuild_ = std::move(rebuild); }

  // The machine the program works on. Connecting it makes start-up load the
  // inventory file, the rebuild build from the registry, and 比較... and
  // 現在の一覧を保存... read and write files; the parts must outlive the
  // window.
  struct Machine {
    Registry& registry;
    FileSystem& files;
    VersionResourceReader& versions;
    // Where a 32-bit server's System32 files lie in SysWOW64.
    Text windowsFolder = {};
  };
  void connect(const Machine& machine);

  // The folder's lock, which the window tells when it turns unattended and
  // lets go of once an unattended rebuild is saved, so that a start waiting
  // for it opens its window while the notification still shows. self: who
  // took it.
  void holdFolderLock(std::unique_ptr<InstanceLock> lock, const LockHolder& self) {
    lock_ = std::move(lock);
    self_ = self;
  }

  // Where the view is remembered (Vemdrol.ini); connect sets the program's
  // own folder. Without one, start-up uses the defaults and nothing is saved.
  void setSettingsFolder(const ProgramFolder& folder) { settingsFolder_.emplace(folder); }

  // Who reads the details of the list's files. Until one is set, the detail
  // columns stay empty and a sort by one of them sorts at once.
  void setDetailWorker(std::unique_ptr<DetailWorker> worker);
  // The view, which hears of the list it shows: the inventory's list, or
  // the compared list while comparing.
  void setListObserver(ListObserver* observer);

  // Events of the window.
  void load();
  void resize();
  void endTimerTick();
  void rebuildClick();
  void searchDownClick() { appsShown_ ? apps_->search().searchDown() : shownSearch().searchDown(); }
  void searchUpClick() { appsShown_ ? apps_->search().searchUp() : shownSearch().searchUp(); }
  void searchTextChange();
  // header: the clicked column's number (app/row_facts.h) plus one; for the
  // list's own columns, the header's position from 1. A column whose
  // details are not all known sorts once they are.
  void columnClick(std::size_t header);
  // The window is closing: the view is remembered for the next start.
  void unload();
  // The detail worker has results.
  void detailsArrived();

  // The list's menus and their commands (app/list_commands.h). focusedRow:
  // the row the view has the focus on, if any.
  std::vector<MenuEntry> rowMenu(std::optional<std::size_t> focusedRow = std::nullopt) const;
  std::vector<MenuEntry> columnMenu() const;
  void listCommand(int command, std::optional<std::size_t> focusedRow = std::nullopt);
  // The user dragged a column's edge.
  void columnResized(std::size_t column, long widthTwips);
  // column: a column's number (app/row_facts.h).
  void showColumn(std::size_t column, bool shown);

  // Compares the list with the earlier inventory file at path, or says in
  // the status line why it cannot. A damaged line is named there, and the
  // lines that could be read are compared.
  void compareWith(TextView path);
  void setChangedOnly(bool changedOnly);
  void endComparison();
  // Writes the inventory's own rows (never the compared list's) in the
  // inventory file's format to path, those the signature filter keeps; the
  // status line tells how it went.
  void saveListAs(TextView path);

  // The filter by signature (Microsoft の項目を隠す, 検証できない項目だけ
  // 表示): the shown list leaves out the rows it hides, each as soon as its
  // file's signature is known, while the worker verifies every row's file;
  // the status line tells how many rows of how many are shown, and how far
  // the verification is.
  void setSignatureFilter(const SignatureFilter& filter);
  const SignatureFilter& signatureFilter() const { return signatureFilter_; }
  // The signatures verified in this run and earlier ones, kept in the state
  // file: the detail worker's reading remembers into it and answers from it
  // for unchanged files (makeSystemDetailReading).
  const std::shared_ptr<RememberedSignatures>& rememberedSignatures() const { return remembered_; }

  // The columns the view shows, in their order: 差分 while comparing, the
  // list's shown columns, the shown detail columns.
  std::vector<ShownColumn> shownColumns() const;
  long columnWidth(std::size_t column) const;
  // A cell of the shown list. cellToShow asks for a detail not yet known,
  // which shows empty until it comes; cellText only looks.
  TextView cellToShow(std::size_t row, std::size_t column);
  TextView cellText(std::size_t row, std::size_t column) const;
  // The tip of a changed cell of a comparison's 変更 row: the older text
  // beside the newer one ("以前: … / 現在: …"); "" for every other cell.
  Text changedCellTip(std::size_t row, std::size_t column) const;
  // Whether a row of the shown list is a comparison's removed row.
  bool rowRemoved(std::size_t row) const;

  ListModel& list() { return list_; }
  const ListModel& list() const { return list_; }
  // The list the view shows: the inventory's, or the compared list.
  ListModel& shownList() {
    return appsShown_ ? apps_->rows() : filtered_ ? filtered_->rows() : baseList();
  }
  const ListModel& shownList() const {
    return appsShown_ ? apps_->rows() : filtered_ ? filtered_->rows() : baseList();
  }
  // The tab above the list: the program files (the list above) or the
  // installed applications (app/apps_tab.h), which then takes the list's
  // events. Each tab keeps its own rows, columns, sort and comparison.
  void showTab(ListTab tab);
  ListTab shownTab() const { return appsShown_ ? ListTab::apps : ListTab::programFiles; }
  AppsTab& appsTab() { return *apps_; }
  const AppsTab& appsTab() const { return *apps_; }
  // The list the signature filter takes its rows from: the inventory's, or
  // the compared list.
  ListModel& baseList() { return comparison_ ? comparison_->rows() : list_; }
  const ListModel& baseList() const { return comparison_ ? comparison_->rows() : list_; }
  const ComparedList* comparison() const { return comparison_.get(); }
  const ColumnTable& columns() const { return columns_; }
  bool detailShown(std::size_t detail) const { return detailShown_.at(detail); }
  const ListSearch& search() const { return search_; }
  const FactsCache& facts() const { return facts_; }
  // True once start-up chose unattended mode.
  bool unattended() const { return unattended_; }
  // How the last rebuild through the connected machine ended.
  const std::optional<ScanOutcome>& lastRebuild() const { return lastRebuild_; }

 private:
  Status startUp();
  void rebuild();
  ViewSettings readViewSettings() const;
  void applyColumnSettings(const ViewSettings& settings);
  void placeWindow(const ViewSettings& settings);
  void applySortSetting(const ViewSettings& settings);
  void showFailure(const Error& error);
  ListSearch& shownSearch() {
    return filteredSearch_ ? *filteredSearch_ : comparedSearch_ ? *comparedSearch_ : search_;
  }
  void startComparison(std::vector<InventoryRecord> older, bool olderWhole);
  // The view now shows shownList() in place of the list it showed.
  void showShownList();
  // The list the filter takes its rows from is another one now (a
  // comparison began or ended): the filtered list is made anew from it.
  void baseListChanged();
  void makeFilteredList();
  void refillFilteredList();
  // Asks the worker for the signature of every file of the base list not
  // verified in this run yet, counting them for the status line.
  void startVerification();
  // The signatures came: the rows the filter now hides go, at most a few
  // times a second, and every time once all are known.
  void signaturesArrived();
  // The status line's words for the shown list (how many rows of how many,
  // and what leaves rows out); force: even where it says something else.
  void showListStatus(bool force);
  void saveRememberedSignatures();
  // Whether the signature filter keeps a row of list: shown until its
  // file's signature is known.
  bool keepsRow(const ListModel& list, std::size_t row) const;
  void sortShownList(std::size_t column, int order);
  // The parts of the details that the shown columns (or one column) need.
  unsigned shownParts() const;
  static unsigned partsOfColumn(std::size_t column);
  void askFor(const Text& path, const Text& key, unsigned parts, bool urgent);
  // Waits for the details of the shown list's rows (the selected ones for a
  // copy), then sorts or copies; false when nothing needs to wait.
  enum class AfterFacts { sort, copy };
  bool waitForFacts(unsigned parts, AfterFacts then, std::size_t sortColumn = 0, int order = 0);
  void clearWaitProgress();
  void finishWait();
  void showWaitProgress();
  // Drops the wait and every reading not yet done.
  void cancelDetails();
  void copyShownRows();

  // ExtraCells, for sorting by the detail and 差分 columns.
  std::optional<CellOrder> extraOrder(std::size_t column) const override;
  TextView extraCell(const std::array<Text, cellCount>& cells, std::size_t tag, TextView source,
                     std::size_t column) const override;

  // AppsTabWindow.
  WindowServices& services() override { return services_; }
  FileSystem* files() override { return rebuilding_ ? nullptr : files_; }
  void showStatus(TextView text) override { form_.setCaption(Control::statusLabel, text); }

  Form& form_;
  WindowServices& services_;
  ListModel list_;
  ColumnTable columns_;
  InventoryLoader loader_;
  RebuildCommand rebuild_;
  FormSearchWindow searchWindow_{form_, services_};
  RebuildTray tray_{services_};
  std::unique_ptr<InstanceLock> lock_;
  LockHolder self_;
  ListSearch search_{searchWindow_, list_};
  bool unattended_ = false;
  bool rebuilding_ = false;
  std::optional<ScanOutcome> lastRebuild_;
  std::optional<ProgramFolder> settingsFolder_;
  ListObserver* observer_ = nullptr;

  // The detail columns: shown or not, and their widths.
  std::array<bool, detailCount> detailShown_{};
  std::array<long, detailCount> detailWidths_ = detailWidthsTwips;
  long changeWidth_ = changeWidthTwips;
  std::unique_ptr<DetailWorker> worker_;
  FactsCache facts_;
  struct Wait {
    FactsWait rows;
    AfterFacts then;
    std::size_t sortColumn;
    int order;
    // The last progress shown, in percent, so that the status line changes
    // a hundred times at most.
    int shownPercent = -1;
  };
  std::optional<Wait> wait_;

  std::unique_ptr<ComparedList> comparison_;
  std::optional<ListSearch> comparedSearch_;

  SignatureFilter signatureFilter_;
  std::unique_ptr<FilteredList> filtered_;
  std::optional<ListSearch> filteredSearch_;
  std::shared_ptr<RememberedSignatures> remembered_ = std::make_shared<RememberedSignatures>();
  // The files whose signatures the filter waits for; nullopt when it waits
  // for none.
  std::optional<FactsWait> verifying_;
  std::chrono::steady_clock::time_point lastRefill_;
  // What the status line said of the shown list last.
  Text listStatus_;

  // What the window keeps for the whole run once a machine is connected.
  std::optional<ProgramFolder> folder_;
  FileSystem* files_ = nullptr;
  Inventory inventory_;
  RegistryListing listing_;
  std::optional<SkipList> skipList_;
  // The state file's further tables, loaded with the rows and saved with
  // them.
  KeptTables kept_;

  std::unique_ptr<AppsTab> apps_ =
      std::make_unique<AppsTab>(static_cast<AppsTabWindow&>(*this), searchWindow_);
  bool appsShown_ = false;
};

}  // namespace vemdrol
