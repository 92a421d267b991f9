#include "state/kept_inventory.h"

#include <gtest/gtest.h>

#include <variant>

namespace vemdrol {
namespace {

TEST(KeptInventory, TheStateFileBelongsBesideItsInventoryFile) {
  const std::pair<TextView, TextView> cases[] = {
      {L"C:\\Vemdrol\\Vemdrol.Cnt", L"C:\\Vemdrol\\Vemdrol.state"},
      {L"C:\\Inventory\\before.cnt", L"C:\\Inventory\\before.state"},
      {L"C:\\v.1\\list", L"C:\\v.1\\list.state"},
      {L"C:\\v\\.hidden", L"C:\\v\\.hidden.state"},
      {L"/srv/kept/a.b.cnt", L"/srv/kept/a.b.state"},
  };
  for (const auto& [inventory, state] : cases) EXPECT_EQ(stateFilePathFor(inventory), state);
}

TEST(KeptInventory, RowsComeBackWholeOnlyWithTheInventoryFileTheyWereWrittenWith) {
  ListModel list;
  list.addRow(
      {L"*.txt;*.log", L"テキスト \"文書\"", L"메모장 © 2026", L"C:\\Café\\한글.exe", L"10.0"}, 0,
      L"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command");
  list.addRow({L"x.dll", L"tab\there", L"\U00020BB7", L"C:\\x.dll", L""}, 0,
              L"C:\\Program Files\\Tools\\");
  const StateTable apps{L"apps", {L"name"}, {{L"ツール"}}};
  const std::string inventory = "\"*.txt;*.log\",\"...\"\r\n";
  Result<std::string> bytes = stateFileBytes(list, inventory, std::span(&apps, 1));
  ASSERT_TRUE(bytes);

  auto kept = readKeptState(bytes.value(), inventory);
  ASSERT_TRUE(std::holds_alternative<KeptState>(kept));
  const KeptState& state = std::get<KeptState>(kept);
  ASSERT_EQ(state.rows.size(), 2u);
  for (std::size_t row = 0; row < 2; ++row) {
    for (std::size_t i = 0; i < inventoryFieldCount; ++i) {
      EXPECT_EQ(state.rows[row].cells[i], list.cell(row, i));
    }
    EXPECT_EQ(state.rows[row].source, list.source(row));
  }
  ASSERT_EQ(state.tables.size(), 1u);
  EXPECT_EQ(state.tables[0].records, apps.records);

  const std::string& whole = bytes.value();
  const std::pair<std::optional<std::string>, StateUnavailable> unavailable[] = {
      {std::nullopt, StateUnavailable::missing},
      {"\"*.txt\",\"\",\"\",\"C:\\a.exe\",\"\"\r\n", StateUnavailable::notStateFile},
      {whole.substr(0, whole.size() - 3), StateUnavailable::damaged},
      {"Vemdrol state 9\n", StateUnavailable::newerVersion},
  };
  for (const auto& [state, why] : unavailable) {
    auto read = readKeptState(state, inventory);
    ASSERT_TRUE(std::holds_alternative<StateUnavailable>(read));
    EXPECT_EQ(std::get<StateUnavailable>(read), why);
  }
  // The inventory file replaced by hand, or saved by another rebuild.
  auto other = readKeptState(whole, inventory + "\"new\",\"\",\"\",\"C:\\n.exe\",\"\"\r\n");
  ASSERT_TRUE(std::holds_alternative<StateUnavailable>(other));
  EXPECT_EQ(std::get<StateUnavailable>(other), StateUnavailable::otherInventory);
}

}  // namespace
}  // namespace vemdrol
