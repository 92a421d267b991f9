// The アプリ tab of the window: rebuilt with the program files, kept in the
// state file for the next start, and its list searched, sorted, copied,
// saved and compared without touching the program files' list.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "apps/app_lister.h"
#include "base/utf16.h"
#include "base/utf8.h"
#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/memory/window.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

RegistryData text(TextView value) {
  return {registryTypeSz, toUtf16Le(value) + std::string(2, '\0')};
}
RegistryData dword(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return {registryTypeDword, bytes};
}

const Text machineKey = Text(uninstallKeyPath);

struct AppsTabTest : ::testing::Test {
  AppsTabTest() {
    registry.setDefaultString(RegistryRoot::classesRoot, L".txt", L"txtfile");
    registry.setDefaultString(RegistryRoot::classesRoot, L"txtfile\\shell\\open\\command",
                              L"C:\\w\\notepad.exe %1");
    ProgramVersion version = fileVersion(6, 0, 0, 1);
    version.description = L"メモ帳";
    files.addFile(L"C:\\w\\notepad.exe", peWithVersionBlock(versionBlock(version)));
    files.addFile(L"C:\\Vemdrol\\vemdrol.exe", peWithVersionBlock(versionBlock(version)));
    // Sizes whose order as texts is not their order as numbers.
    app(L"Editor", {{L"DisplayName", text(L"エディター ©")},
                    {L"DisplayVersion", text(L"10.2")},
                    {L"Publisher", text(L"Contoso")},
                    {L"InstallDate", text(L"20261207")},
                    {L"EstimatedSize", dword(9)},
                    {L"InstallLocation", text(L"C:\\Program Files\\Editor\\")},
                    {L"UninstallString", text(L"C:\\e\\un.exe")}});
    app(L"Viewer", {{L"DisplayName", text(L"Viewer")},
                    {L"DisplayVersion", text(L"9.8")},
                    {L"InstallDate", text(L"20250101")},
                    {L"EstimatedSize", dword(10)},
                    {L"UninstallString", text(L"C:\\v\\un.exe")}});
    app(L"Runtime", {{L"DisplayName", text(L"Runtime")},
                     {L"SystemComponent", dword(1)},
                     {L"UninstallString", text(L"C:\\r\\un.exe")}});
  }
  void app(TextView key, const std::map<Text, RegistryData>& values) {
    const Text path = machineKey + L"\\" + Text(key);
    ASSERT_TRUE(registry.addKey(RegistryRoot::localMachine, path));
    for (const auto& [name, data] : values) {
      ASSERT_TRUE(registry.setNamedValue(RegistryRoot::localMachine, path, name, data));
    }
  }
  // An entry without a display name is no application.
  void uninstall(TextView key) {
    ASSERT_TRUE(registry.setNamedValue(RegistryRoot::localMachine, machineKey + L"\\" + Text(key),
                                       L"DisplayName", text(L"")));
  }
  // A window on the machine, started as the program starts.
  std::unique_ptr<MainWindow> start(MemoryForm& form) {
    applyDesign(form);
    auto window = std::make_unique<MainWindow>(form, services);
    window->connect({registry, files, versions});
    window->load();
    return window;
  }
  static std::vector<Text> column(const MainWindow& window, AppField field) {
    std::vector<Text> cells;
    for (std::size_t row = 0; row < window.shownList().rowCount(); ++row) {
      cells.emplace_back(window.cellText(row, static_cast<std::size_t>(field)));
    }
    return cells;
  }
  static bool entryEnabled(const MainWindow& window, int command) {
    for (const MenuEntry& entry : window.rowMenu()) {
      if (entry.command == command) return entry.enabled;
    }
    ADD_FAILURE() << "no entry " << command;
    return false;
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
  MemoryWindowServices services;
};

TEST_F(AppsTabTest, RebuildListsTheAppsAndTheNextStartShowsThemFromTheStateFile) {
  MemoryForm first;
  // An empty folder: the first start rebuilds unattended.
  const auto rebuilt = start(first);
  ASSERT_TRUE(rebuilt->lastRebuild() && rebuilt->lastRebuild()->ok())
      << toUtf8(first.caption(Control::statusLabel));
  EXPECT_NE(rebuilt->list().rowCount(), 0u);
  EXPECT_EQ(rebuilt->appsTab().apps().size(), 3u);

  // The registry no longer has them: what the next start shows is kept.
  for (TextView key : {L"Editor", L"Viewer", L"Runtime"}) uninstall(key);
  MemoryForm second;
  const auto restarted = start(second);
  EXPECT_FALSE(restarted->unattended());
  EXPECT_EQ(restarted->appsTab().apps(), rebuilt->appsTab().apps());
  restarted->showTab(ListTab::apps);
  EXPECT_EQ(column(*restarted, AppField::name), (std::vector<Text>{L"Viewer", L"エディター ©"}));
  // A rebuild lists them afresh, and the tab shows the new list.
  restarted->rebuildClick();
  EXPECT_EQ(restarted->shownList().rowCount(), 0u);
  EXPECT_TRUE(restarted->appsTab().apps().empty());
}

TEST_F(AppsTabTest, TheTabShowsSortsSearchesCopiesAndOpensTheShownList) {
  MemoryForm form;
  const auto window = start(form);
  const std::vector<ShownColumn> programColumns = window->shownColumns();
  window->showTab(ListTab::apps);
  ASSERT_EQ(window->shownList().rowCount(), 2u);
  std::vector<Text> names;
  for (const ShownColumn& shown : window->shownColumns()) names.emplace_back(shown.name);
  EXPECT_EQ(names, (std::vector<Text>{L"名前", L"バージョン", L"発行元", L"インストール日",
                                      L"サイズ", L"場所", L"対象", L"種類"}));

  const struct {
    AppField field;
    std::vector<Text> ascending;
  } sorts[] = {
      {AppField::size, {L"9216", L"10240"}},
      {AppField::version, {L"9.8", L"10.2"}},
      {AppField::installDate, {L"2025-01-01", L"2026-12-07"}},
      {AppField::location, {L"", L"C:\\Program Files\\Editor\\"}},
  };
  for (const auto& sort : sorts) {
    const std::size_t header = static_cast<std::size_t>(sort.field) + 1;
    window->columnClick(header);
    if (column(*window, sort.field) != sort.ascending) window->columnClick(header);
    EXPECT_EQ(column(*window, sort.field), sort.ascending) << header;
    window->columnClick(header);
    EXPECT_EQ(column(*window, sort.field),
              (std::vector<Text>{sort.ascending.rbegin(), sort.ascending.rend()}))
        << header;
  }

  // The search finds a field no column shows.
  form.setCaption(Control::searchBox, L"e\\un.exe");
  window->searchTextChange();
  window->searchDownClick();
  ASSERT_EQ(window->shownList().selectedCount(), 1u);
  const std::size_t editor = window->shownList().selected(0) ? 0 : 1;
  EXPECT_EQ(window->cellText(editor, 0), L"エディター ©");

  window->listCommand(static_cast<int>(ListCommand::copyRows), editor);
  EXPECT_EQ(services.clipboard,
            L"名前\tバージョン\t発行元\tインストール日\tサイズ\t場所\t対象\t種類\r\n"
            L"エディター ©\t10.2\tContoso\t2026-12-07\t9216\tC:\\Program Files\\Editor\\\t"
            L"machine\tother\r\n");
  EXPECT_TRUE(entryEnabled(*window, static_cast<int>(AppsCommand::openLocation)));
  window->listCommand(static_cast<int>(AppsCommand::openLocation), editor);
  window->listCommand(static_cast<int>(ListCommand::openInRegistryEditor), editor);
  EXPECT_EQ(services.openedLocations, (std::vector<Text>{L"C:\\Program Files\\Editor"}));
  EXPECT_EQ(services.registryEditorKeys,
            (std::vector<Text>{L"HKEY_LOCAL_MACHINE\\" + machineKey + L"\\Editor"}));
  ASSERT_TRUE(window->shownList().selectOnly(1 - editor).ok());
  EXPECT_FALSE(entryEnabled(*window, static_cast<int>(AppsCommand::openLocation)));

  // The column chooser: a field shown, and the last one shown stays.
  window->listCommand(columnCommandBase + static_cast<int>(AppField::productCode));
  EXPECT_EQ(window->shownColumns().size(), 9u);
  for (std::size_t field = 0; field < appFieldCount; ++field) window->showColumn(field, false);
  EXPECT_EQ(window->shownColumns().size(), 1u);

  // すべて表示: the system component too, in grey.
  window->listCommand(static_cast<int>(AppsCommand::showAll));
  ASSERT_EQ(window->shownList().rowCount(), 3u);
  std::size_t grey = 0;
  for (std::size_t row = 0; row < 3; ++row) grey += window->rowRemoved(row) ? 1 : 0;
  EXPECT_EQ(grey, 1u);

  // Every entry of the tab's menus has a key of its own.
  for (const std::vector<MenuEntry>& menu : {window->rowMenu(), window->columnMenu()}) {
    std::set<wchar_t> keys;
    for (const MenuEntry& entry : menu) {
      if (entry.command == 0) continue;
      const std::size_t at = entry.caption.find(L'&');
      ASSERT_TRUE(at != Text::npos && at + 1 < entry.caption.size()) << toUtf8(entry.caption);
      EXPECT_TRUE(keys.insert(entry.caption[at + 1]).second) << toUtf8(entry.caption);
    }
  }

  // The program files' list is as it was.
  window->showTab(ListTab::programFiles);
  EXPECT_EQ(&window->shownList(), &window->list());
  EXPECT_EQ(window->shownColumns().size(), programColumns.size());
  EXPECT_EQ(window->cellText(0, pathCell), L"C:\\w\\notepad.exe");
}

TEST_F(AppsTabTest, SavedListComparedAfterAnUninstallShowsTheRemovedEntry) {
  MemoryForm form;
  const auto window = start(form);
  window->showTab(ListTab::apps);
  services.fileNames.push_back(Text(L"C:\\before.json"));
  window->listCommand(static_cast<int>(ListCommand::saveList));
  EXPECT_EQ(form.caption(Control::statusLabel), L"現在の一覧を保存しました");
  ASSERT_TRUE(files.readFile(L"C:\\before.json"));

  uninstall(L"Viewer");
  window->rebuildClick();
  services.fileNames.push_back(Text(L"C:\\before.json"));
  window->listCommand(static_cast<int>(ListCommand::compare));
  EXPECT_EQ(form.caption(Control::statusLabel), L"");
  ASSERT_EQ(window->shownList().rowCount(), 2u);
  EXPECT_EQ(window->shownColumns().front().name, L"差分");
  EXPECT_EQ(window->cellText(0, appsChangeColumn), L"同じ");
  EXPECT_EQ(window->cellText(1, appsChangeColumn), L"削除");
  EXPECT_TRUE(window->rowRemoved(1));
  window->listCommand(static_cast<int>(ListCommand::changedOnly));
  EXPECT_EQ(column(*window, AppField::name), (std::vector<Text>{L"Viewer"}));

  // A file that is no such export is named, and the comparison stays.
  files.addFile(L"C:\\other.txt", "not a list");
  window->appsTab().compareWith(L"C:\\other.txt");
  EXPECT_TRUE(
      form.caption(Control::statusLabel).starts_with(L"比較する一覧 C:\\other.txt を読めません"));
  EXPECT_TRUE(window->appsTab().comparing());
  window->listCommand(static_cast<int>(ListCommand::endComparison));
  EXPECT_EQ(column(*window, AppField::name), (std::vector<Text>{L"エディター ©"}));
}

}  // namespace
}  // namespace vemdrol
