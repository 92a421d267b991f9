// HKEY_CLASSES_ROOT of a system that is not running, held in memory as the
// registry trees read from its files (formats/registry/registry_tree.h).
#pragma once

#include <memory>
#include <optional>

#include "formats/registry/registry_tree.h"
#include "os/registry.h"

namespace vemdrol {

// HKEY_CLASSES_ROOT of a system that is not running: the machine's classes
// (HKLM\Software\Classes) and, on Windows, the user's (the root of the
// user's UsrClass.dat, HKCU\Software\Classes) over them, merged as Windows
// merges them:
//
// - a key that only one of them has is that key;
// - a key both have lists the subkeys of both, each name once, in the
//   registry's order for Windows (RegistryNameOrder::windows): the two
//   listings are merged as sorted lists, as Windows merges them while it
//   enumerates; the user's spelling is listed where both have a name;
// - its default value is the user's where the user's key has one, the
//   machine's otherwise.
//
// Wine's HKEY_CLASSES_ROOT is HKLM\Software\Classes alone: under Wine 8 a key
// made in HKCU\Software\Classes is not seen there (neither opened nor
// listed), so a Wine prefix gives no user tree.
//
// Paths are opened as the running registry opens them (as MemoryRegistry
// does): a leading "\" or a NUL opens nothing, doubled and trailing
// separators are passed over. A symbolic link key met on the way or at the
// end is followed, up to 16 links deep as Wine does; one that leads nowhere
// opens nothing. Roots other than HKEY_CLASSES_ROOT open nothing.
class ClassesRegistry final : public Registry {
 public:
  explicit ClassesRegistry(RegistryTree machine, std::optional<RegistryTree> user = std::nullopt);
  ~ClassesRegistry() override;

  std::unique_ptr<RegistryKey> open(RegistryRoot root, TextView subKey) override;
  // Both views are in the trees, as in the files they were read from.
  std::unique_ptr<RegistryKey> openInView(RegistryRoot root, TextView subKey,
                                          RegistryView view) override {
    return open(root, view == RegistryView::bits32 ? wow64Path(root, subKey) : Text(subKey));
  }

  const RegistryTree& machine() const { return machine_; }
  const std::optional<RegistryTree>& user() const { return user_; }

 private:
  class Key;

  RegistryTree machine_;
  std::optional<RegistryTree> user_;
};

}  // namespace vemdrol
