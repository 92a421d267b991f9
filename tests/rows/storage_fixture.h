// A program folder on an in-memory disk with a list and a status line, for
// the tests of the program's own files.
#pragma once

#include <string>

#include "app/form_design.h"
#include "app/memory_form.h"
#include "app/progress.h"
#include "os/memory/filesystem.h"
#include "rows/column_table.h"
#include "state/saved_rows.h"

namespace vemdrol::testing {

struct ProgramFolderFixture {
  ProgramFolderFixture() {
    applyDesign(form);
    files.addFolder(L"C:\\Vemdrol");
    freshList();
  }
  void freshList() {
    list = ListModel();
    ColumnTable table;
    table.fill();
    rebuildColumns(table, list);
  }
  void addRow(std::initializer_list<const wchar_t*> cells) {
    const std::size_t row = list.addRow(*cells.begin());
    std::size_t k = 0;
    for (const wchar_t* cell : cells) EXPECT_TRUE(list.setCell(row, k++, cell).ok());
  }
  std::string fileBytes(const wchar_t* name) {
    Result<std::string> bytes = files.readFile(folder.path(name));
    return bytes ? bytes.value() : std::string("<missing>");
  }
  // A start-up's load: a fresh list filled from the files.
  void load() {
    freshList();
    kept.clear();
    lastLoad = loadInventory(folder, list, skipList, kept, versionNumber, statusLine);
  }
  Text status() const { return form.caption(Control::statusLabel); }

  MemoryFileSystem files;
  ProgramFolder folder{files, L"C:\\Vemdrol"};
  MemoryForm form;
  FormFailureReport statusLine{form};
  ListModel list;
  std::optional<SkipList> skipList;
  KeptTables kept;
  InventoryLoad lastLoad;
  VersionNumberReader versionNumber = [](TextView path) -> Result<Text> {
    return path == L"C:\\app\\versioned.exe" ? Text(L"6.0.5512") : Text();
  };
};

}  // namespace vemdrol::testing
