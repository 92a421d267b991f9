// The registry of a system that is not running as the subtrees read of its
// files (formats/registry/registry_tree.h, named values kept): each tree
// stands at a place of a root, as a hive is loaded there. A Windows
// installation's SOFTWARE hive stands at HKEY_LOCAL_MACHINE\Software, a
// user's NTUSER.DAT at HKEY_CURRENT_USER and the user's UsrClass.dat at
// HKEY_CURRENT_USER\Software\Classes; a Wine prefix's system.reg at
// HKEY_LOCAL_MACHINE and user.reg at HKEY_CURRENT_USER.
//
// Paths are opened as the running registry opens them: a leading "\" or a
// NUL opens nothing, doubled and trailing separators are passed over, and
// a key opens in the tree placed deepest above it. Both views are in the
// trees, as in the files they were read from (wow64Path).
#pragma once

#include <memory>
#include <vector>

#include "formats/registry/registry_tree.h"
#include "os/registry.h"

namespace vemdrol {

class SubtreeRegistry final : public Registry {
 public:
  // Places the tree's top at root\path ("" the root itself).
  void place(RegistryRoot root, TextView path, std::shared_ptr<const RegistryTree> tree);

  std::unique_ptr<RegistryKey> open(RegistryRoot root, TextView subKey) override;
  std::unique_ptr<RegistryKey> openInView(RegistryRoot root, TextView subKey,
                                          RegistryView view) override {
    return open(root, view == RegistryView::bits32 ? wow64Path(root, subKey) : Text(subKey));
  }

 private:
  class Key;
  struct Place {
    RegistryRoot root;
    std::vector<Text> names;
    std::shared_ptr<const RegistryTree> tree;
  };
  std::vector<Place> places_;
};

}  // namespace vemdrol
