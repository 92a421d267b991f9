// The main window's state and its procedures, apart from any window system:
// start-up with its run-mode decision, the resize layout and the timer that
// ends an unattended run. The Windows main window forwards its events here.
#pragma once

#include <functional>

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

  ListModel& list() { return list_; }
  const ColumnTable& columns() const { return columns_; }
  const ListSearch& search() const { return search_; }
  // True once start-up chose unattended mode.
  bool unattended() const { return unattended_; }

 private:
  Status startUp();
  void rebuild();

  Form& form_;
  WindowServices& services_;
  ListModel list_;
  ColumnTable columns_;
  InventoryLoader loader_;
  RebuildCommand rebuild_;
  ListSearch search_{form_, services_, list_};
  bool unattended_ = false;
  bool rebuilding_ = false;

  // What the window keeps for the whole run once a machine is connected.
  std::optional<ProgramFolder> folder_;
  Inventory inventory_;
  RegistryListing listing_;
  std::optional<SkipList> skipList_;
};

}  // namespace vemdrol
