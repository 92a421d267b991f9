// Builds classes-root registries and program files for the builder's tests.
#pragma once

#include <vector>

#include "inventory/builder.h"
#include "inventory/recording_display.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"

namespace vemdrol::testing {

struct ClassesRoot {
  MemoryRegistry registry;
  MemoryFileSystem files;
  RecordingDisplay display;
  RegistryListing listing;
  Inventory inventory;

  // An extension key (".txt") whose default value names a type.
  void extension(TextView name, TextView typeName) {
    registry.setDefaultString(RegistryRoot::classesRoot, name, typeName);
  }
  // A type key with a description (none when null) and an open command (none
  // when null).
  void type(TextView name, const wchar_t* description, const wchar_t* command) {
    registry.addKey(RegistryRoot::classesRoot, name);
    if (description) registry.setDefaultString(RegistryRoot::classesRoot, name, description);
    if (command) {
      registry.setDefaultString(RegistryRoot::classesRoot, Text(name) + L"\\shell\\open\\command",
                                command);
    }
  }
  void library(TextView clsid, TextView path) {
    registry.setDefaultString(RegistryRoot::classesRoot,
                              L"CLSID\\" + Text(clsid) + L"\\InprocServer32", path);
  }
  void file(TextView path, FileAttributes attributes = {}) { files.addFile(path, "", attributes); }

  void build() {
    inventory.reset();
    BuilderParts parts{registry, files, display, listing};
    EXPECT_TRUE(buildInventory(inventory, parts).ok());
  }

  struct Row {
    Text fileType, definition, appName, fullPath;
    friend bool operator==(const Row&, const Row&) = default;
  };
  std::vector<Row> rows() const {
    std::vector<Row> result;
    for (std::size_t i = 0; i < inventory.size(); ++i) {
      result.push_back({inventory.fileType[i], inventory.definition[i], inventory.appName[i],
                        inventory.fullPath[i]});
    }
    return result;
  }
};

inline void PrintTo(const ClassesRoot::Row& row, std::ostream* out) {
  auto narrow = [](const Text& text) {
    std::string result;
    for (wchar_t c : text) result += c < 128 ? static_cast<char>(c) : '?';
    return result;
  };
  *out << "{" << narrow(row.fileType) << " | " << narrow(row.definition) << " | "
       << narrow(row.appName) << " | " << narrow(row.fullPath) << "}";
}

}  // namespace vemdrol::testing
