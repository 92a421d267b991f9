#include "formats/state/state_file.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace vemdrol {
namespace {

// Texts the inventory file cannot keep: the code page loses them, or its
// filter replaces them.
const std::vector<Text> hardTexts = {
    L"",
    L"C:\\Program Files\\Café\\café.exe",
    L"© 2026 Contoso® Tools™ 〜 – \"quoted\"",
    L"한글 프로그램",
    L"\U00020BB7野家",  // outside the Basic Multilingual Plane
    L"tab\there, line\nbreak, cr\r, nul\0 and \x7F end",
    L"back\\slash \\t not an escape",
    Text(1, static_cast<wchar_t>(0xD800)) + L" lone surrogate",
};

StateFile fileWith(std::vector<std::vector<Text>> records) {
  StateFile file;
  file.values = {{L"inventory-sha256", L"00FF"}};
  file.tables.push_back(StateTable{L"rows", {L"type", L"path"}, std::move(records)});
  return file;
}

std::string written(const StateFile& file) {
  StateFileWriter writer;
  for (const auto& [name, text] : file.values) writer.value(name, text);
  for (const StateTable& table : file.tables) {
    writer.table(table.name, table.columns);
    for (const auto& record : table.records) {
      writer.record(std::vector<TextView>(record.begin(), record.end()));
    }
  }
  return std::move(writer).finish();
}

TEST(StateFile, KeepsEveryTextWhole) {
  std::vector<std::vector<Text>> records;
  for (const Text& text : hardTexts) records.push_back({text, L"x" + text});
  const StateFile file = fileWith(records);
  const std::string bytes = written(file);

  // One line per record: no character of a field ends a line or a field.
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), static_cast<long>(records.size() + 4));

  auto read = readStateFile(bytes);
  ASSERT_TRUE(std::holds_alternative<StateFile>(read));
  const StateFile& back = std::get<StateFile>(read);
  ASSERT_NE(back.table(L"rows"), nullptr);
  EXPECT_EQ(back.table(L"rows")->records, records);
  EXPECT_EQ(back.table(L"rows")->column(L"path"), 1u);
  EXPECT_EQ(*back.value(L"inventory-sha256"), L"00FF");
}

TEST(StateFile, TellsEveryDamagedOrForeignFileFromAWholeOne) {
  const std::string whole = written(fileWith({{L"*.txt", L"C:\\a.exe"}, {L"b", L"C:\\b.exe"}}));
  // Cut anywhere before its end, a file is never taken for a whole one.
  for (std::size_t length = 0; length < whole.size(); ++length) {
    EXPECT_FALSE(std::holds_alternative<StateFile>(readStateFile(whole.substr(0, length))))
        << length;
  }
  ASSERT_TRUE(std::holds_alternative<StateFile>(readStateFile(whole)));

  using Kind = StateFileFault::Kind;
  const std::string head = "Vemdrol state 1\n";
  const std::string table = "table\trows\ta\tb\n";
  const std::string maxColumns = "table\tt" + [] {
    std::string columns;
    for (std::size_t i = 0; i < maxStateColumns; ++i) columns += "\tc";
    return columns;
  }() + "\n";
  struct Case {
    std::string bytes;
    std::optional<Kind> fault;  // nullopt: read whole
    std::size_t line = 0;
  };
  const Case cases[] = {
      {"", Kind::notStateFile, 1},
      {"Vemdrol.Cnt\n", Kind::notStateFile, 1},
      {"Vemdrol state x\nend\t1\n", Kind::notStateFile, 1},
      {"Vemdrol state 2\nend\t1\n", Kind::newerVersion, 2},
      {head + "end\t1\n", std::nullopt},
      {head + "end\t1\r\n", std::nullopt},
      {head + "end\t2\n", Kind::damaged, 2},
      {head + "end\t1\nrow\n", Kind::damaged, 3},
      {head + "row\ta\tb\nend\t2\n", Kind::damaged, 2},
      {head + table + "row\ta\nend\t3\n", Kind::damaged, 3},
      {head + table + "row\ta\tb\tc\nend\t3\n", Kind::damaged, 3},
      {head + table + "row\ta\\q\tb\nend\t3\n", Kind::damaged, 3},
      {head + table + "row\ta\\x41\tb\nend\t3\n", Kind::damaged, 3},
      {head + table + "row\ta\\uD800\tb\\x09\nend\t3\n", std::nullopt},
      {head + table + "row\t\xC3\tb\nend\t3\n", Kind::damaged, 3},
      {head + table + "row\ta\x01\tb\nend\t3\n", Kind::damaged, 3},
      {head + "value\tx\nend\t2\n", Kind::damaged, 2},
      {head + "later\tkind\nend\t2\n", Kind::damaged, 2},
      {head + maxColumns + "end\t2\n", std::nullopt},
      {head + "table\tt\tc" + maxColumns.substr(7) + "end\t2\n", Kind::damaged, 2},
  };
  for (const Case& c : cases) {
    auto read = readStateFile(c.bytes);
    if (!c.fault) {
      EXPECT_TRUE(std::holds_alternative<StateFile>(read)) << c.bytes;
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<StateFileFault>(read)) << c.bytes;
    EXPECT_EQ(std::get<StateFileFault>(read).kind, *c.fault) << c.bytes;
    EXPECT_EQ(std::get<StateFileFault>(read).line, c.line) << c.bytes;
  }
}

TEST(StateFile, AnEarlierReaderPassesOverLaterTablesAndColumns) {
  const std::string bytes =
      "Vemdrol state 1\n"
      "table\trows\ttype\tpath\tlater\n"
      "row\t*.txt\tC:\\\\a.exe\tx\n"
      "table\tlater-table\tz\n"
      "row\t1\n"
      "end\t5\n";
  auto read = readStateFile(bytes);
  ASSERT_TRUE(std::holds_alternative<StateFile>(read));
  const StateTable* rows = std::get<StateFile>(read).table(L"rows");
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->records.at(0).at(*rows->column(L"path")), L"C:\\a.exe");
  EXPECT_FALSE(rows->column(L"source"));
}

}  // namespace
}  // namespace vemdrol
