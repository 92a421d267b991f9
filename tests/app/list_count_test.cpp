// What the status line says of the list at rest: how many rows it holds
// after the load, a rebuild and a search, and how many of them show while a
// comparison leaves some out.
#include <gtest/gtest.h>

#include <functional>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "app/progress.h"
#include "files/inventory_file.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

struct ListCount : ::testing::Test {
  ListCount() {
    applyDesign(form);
    window.connect({registry, files, versions});
    window.setInventoryLoader([this](Text&) { addRows(3); });
    window.setRebuildCommand([this] {
      window.list().clearRows();
      addRows(4);
      form.setCaption(Control::statusLabel, scanLastWord);
    });
    std::string older;
    appendInventoryLine(older, InventoryRecord{L"r0.dll", L"", L"", L"C:\\w\\r0.dll", L"1"});
    appendInventoryLine(older, InventoryRecord{L"r1.dll", L"", L"", L"C:\\w\\r1.dll", L"0"});
    appendInventoryLine(older, InventoryRecord{L"gone.dll", L"", L"", L"C:\\w\\gone.dll", L"1"});
    files.addFile(L"C:\\old\\before.cnt", older);
  }
  void addRows(int count) {
    for (int i = 0; i < count; ++i) {
      const Text name = L"r" + std::to_wstring(i) + L".dll";
      window.list().addRow({name, L"", L"", L"C:\\w\\" + name, L"1"});
    }
  }
  void command(ListCommand which) { window.listCommand(static_cast<int>(which)); }
  void search(const wchar_t* word) {
    form.setCaption(Control::searchBox, word);
    window.searchTextChange();
    window.searchDownClick();
  }

  MemoryFileSystem files;
  MemoryRegistry registry;
  PeVersionResourceReader versions{files};
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
  Text scanLastWord{rebuildFinishedText};
};

TEST_F(ListCount, TheStatusLineCountsTheRowsThereAreAndThoseShown) {
  struct Step {
    const char* what;
    std::function<void()> act;
    Text status;
  };
  const Step steps[] = {
      {"load", [&] { window.load(); }, L"3 行"},
      {"no search word", [&] { search(L""); }, L"検索キーの指定がありません"},
      {"search", [&] { search(L"r1"); }, L"3 行"},
      {"compare",
       [&] {
         services.fileNames = {L"C:\\old\\before.cnt"};
         command(ListCommand::compare);
       },
       L"比較: 4 行"},
      {"changed only", [&] { command(ListCommand::changedOnly); },
       L"比較: 4 行中 3 行を表示 (差分のみ表示)"},
      {"every row again", [&] { command(ListCommand::changedOnly); }, L"比較: 4 行"},
      {"end comparison", [&] { command(ListCommand::endComparison); }, L"3 行"},
      {"アプリ tab", [&] { window.showTab(ListTab::apps); }, L"0 行"},
      {"program files tab", [&] { window.showTab(ListTab::programFiles); }, L"3 行"},
      {"rebuild", [&] { window.rebuildClick(); }, L"再作成終了、4 行"},
      {"failed rebuild",
       [&] {
         scanLastWord = L"5 内容=アクセスが拒否されました。";
         window.rebuildClick();
       },
       L"5 内容=アクセスが拒否されました。"},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(form.caption(Control::statusLabel), step.status) << step.what;
  }
}

}  // namespace
}  // namespace vemdrol
