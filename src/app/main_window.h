// The main window's state and its procedures, apart from any window system:
// start-up with its run-mode decision, the resize layout and the timer that
// ends an unattended run. The Windows main window forwards its events here.
#pragma once

#include <functional>

#include "app/list_commands.h"
#include "app/view_settings.h"
#include "files/program_files.h"
#include "files/skip_list.h"
#include "inventory/inventory.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/version_resource.h"
#include "platform/window.h"
#include "registry/registry_listing.h"
#include "rows/column_table.h"
#include "rows/list_model.h"
#include "scan/scan.h"
#include "search/list_search.h"

namespace vemdrol {

// The argument text selects unattended mode when it contains "作成".
bool argumentAsksForRebuild(TextView argument);

class MainWindow {
 public:
  // Loads the saved inventory into the list; sets flag to "" on entry.
  using InventoryLoader = std::function<void(Text& flag)>;
  using RebuildCommand = std::function<void()>;

  MainWindow(Form& form, WindowServices& services);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The procedures that start-up and the rebuild button call. Until they are
  // set, loading adds nothing and the rebuild does nothing.
  void setInventoryLoader(InventoryLoader loader) { loader_ = std::move(loader); }
  void setRebuildCommand(RebuildCommand rebuild) { rebuild_ = std::move(rebuild); }

  // The machine the program works on. Connecting it makes start-up load the
  // inventory file and the rebuild build from the registry; the parts must
  // outlive the window.
  struct Machine {
    Registry& registry;
    FileSystem& files;
    VersionResourceReader& versions;
  };
  void connect(const Machine& machine);

  // Where the view is remembered (Vemdrol.ini); connect sets the program's
  // own folder. Without one, start-up uses the defaults and nothing is saved.
  void setSettingsFolder(const ProgramFolder& folder) { settingsFolder_.emplace(folder); }

  // Events of the window.
  void load();
  void resize();
  void timer();
  void command1Click();
  void command2Click() { search_.searchDown(); }
  void command3Click() { search_.searchUp(); }
  void text1Change() { search_.wordChanged(); }
  // header: the clicked column header's position, from 1.
  void columnClick(std::size_t header);
  // The window is closing: the view is remembered for the next start.
  void unload();

  // The list's menus and their commands (app/list_commands.h). focusedRow:
  // the row the view has the focus on, if any.
  std::vector<MenuEntry> rowMenu() const { return vemdrol::rowMenu(list_); }
  std::vector<MenuEntry> columnMenu() const { return vemdrol::columnMenu(list_); }
  void listCommand(int command, std::optional<std::size_t> focusedRow = std::nullopt);
  // The user dragged a column's edge.
  void columnResized(std::size_t column, long widthTwips);
  void showColumn(std::size_t column, bool shown);

  ListModel& list() { return list_; }
  const ListModel& list() const { return list_; }
  const ColumnTable& columns() const { return columns_; }
  const ListSearch& search() const { return search_; }
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

  Form& form_;
  WindowServices& services_;
  ListModel list_;
  ColumnTable columns_;
  InventoryLoader loader_;
  RebuildCommand rebuild_;
  ListSearch search_{form_, services_, list_};
  bool unattended_ = false;
  bool rebuilding_ = false;
  std::optional<ScanOutcome> lastRebuild_;
  std::optional<ProgramFolder> settingsFolder_;

  // What the window keeps for the whole run once a machine is connected.
  std::optional<ProgramFolder> folder_;
  Inventory inventory_;
  RegistryListing listing_;
  std::optional<SkipList> skipList_;
};

}  // namespace vemdrol
