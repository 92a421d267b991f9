// Where each row came from, as the command lines' exports give it: the
// 登録場所 detail column, JSON key "source".
#include <gtest/gtest.h>

#include "base/utf8.h"
#include "cli/inventory_output.h"
#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

TEST(InventoryOutputSource, IsTheRowsOwnAndNullWhereThereIsNone) {
  const std::vector<InventoryRecord> rows = {
      {L"*.txt", L"txtfile", L"", L"C:\\a.exe", L"1.0"},
      {L"b.dll", L"", L"", L"C:\\b.dll", L"2.0"},
      {L"c.exe", L"", L"", L"C:\\c.exe", L"3.0"},
  };
  const std::vector<Text> sources = {L"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command",
                                     L"C:\\内の調査"};
  MemoryFileSystem files;
  PeVersionResourceReader versions(files);
  DetailReader reader(files, versions, nullptr);
  const ExportInfo info{L"Vemdrol", L"1", {}, L"PC", L"一覧"};

  InventoryOutput plain(rows, sources);
  EXPECT_EQ(plain.bytes(OutputFormat::json, info).find("\"source\""), std::string::npos);

  InventoryOutput output(rows, sources);
  // A removed row is the older inventory's, which keeps no sources.
  output.compareWith({rows[1], {L"gone.dll", L"", L"", L"C:\\gone.dll", L"1.0"}}, false);
  output.addDetails(reader);
  ASSERT_EQ(output.columnNames().back(), L"登録場所");
  const std::string json = output.bytes(OutputFormat::json, info);
  const auto sourceAfter = [&](const std::string& path) {
    const std::size_t row = json.find("\"path\": \"" + path + "\"");
    const std::size_t key = json.find("\"source\": ", row);
    if (row == std::string::npos || key == std::string::npos) return std::string("<none>");
    const std::size_t end = json.find_first_of(",}", key);
    return json.substr(key + 10, end - key - 10);
  };
  EXPECT_EQ(sourceAfter("C:\\\\a.exe"),
            "\"HKEY_CLASSES_ROOT\\\\txtfile\\\\shell\\\\open\\\\command\"");
  EXPECT_EQ(sourceAfter("C:\\\\b.dll"), toUtf8(L"\"C:\\\\内の調査\""));
  EXPECT_EQ(sourceAfter("C:\\\\c.exe"), "null");
  EXPECT_EQ(sourceAfter("C:\\\\gone.dll"), "null");

  // Sorted by it, as by any column.
  ASSERT_TRUE(output.sortBy(std::vector<SortRequest>{{L"登録場所", true}}).ok());
  const std::string csv = output.bytes(OutputFormat::csv, info);
  EXPECT_LT(csv.find("txtfile\\shell"), csv.find(toUtf8(L"内の調査")));
}

}  // namespace
}  // namespace vemdrol
