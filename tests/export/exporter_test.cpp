#include "export/exporter.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "os/memory/filesystem.h"

namespace vemdrol {
namespace {

using namespace std::chrono;

// Rows with older texts for some of their cells.
class ComparedRows final : public ExportRows {
 public:
  std::vector<std::vector<Text>> cells;
  std::map<std::size_t, std::map<std::size_t, Text>> old;

  std::size_t rowCount() const override { return cells.size(); }
  TextView cell(std::size_t row, std::size_t column) const override { return cells[row][column]; }
  std::optional<TextView> oldCell(std::size_t row, std::size_t column) const override {
    const auto texts = old.find(row);
    if (texts == old.end()) return std::nullopt;
    const auto text = texts->second.find(column);
    if (text == texts->second.end()) return std::nullopt;
    return TextView(text->second);
  }
};

ExportInfo info() {
  return {L"Vemdrol", L"1.2.3", sys_days{2026y / December / 7} + 11h + 28min + 15s,
          L"PC-01",   L"一覧",  540};
}

const std::vector<std::array<Text, 5>> trickyRows = {
    {L"a,b", L"say \"hi\"", L"tab\there", L"line\r\nend", L"©"},
    {L"日本語", L"", L"x", L"C:\\p\\a.exe", L"1.0"},
};

TEST(Exporter, DelimitedFilesQuoteWhatTheirSeparatorNeeds) {
  const SpanRows<std::array<Text, 5>> rows(trickyRows);
  const ExportTable table{info(), inventoryColumns(), rows};
  EXPECT_EQ(exportBytes(table, ExportFormat::csv),
            "\xEF\xBB\xBF種類,定義,アプリケーション,パス,バージョン\r\n"
            "\"a,b\",\"say \"\"hi\"\"\",tab\there,\"line\r\nend\",©\r\n"
            "日本語,,x,C:\\p\\a.exe,1.0\r\n");
  EXPECT_EQ(exportBytes(table, ExportFormat::tabSeparated),
            "\xEF\xBB\xBF種類\t定義\tアプリケーション\tパス\tバージョン\r\n"
            "a,b\t\"say \"\"hi\"\"\"\t\"tab\there\"\t\"line\r\nend\"\t©\r\n"
            "日本語\t\tx\tC:\\p\\a.exe\t1.0\r\n");
}

TEST(Exporter, JsonEscapesEveryControlAndTypesNumbersAndChanges) {
  ComparedRows rows;
  rows.cells = {
      {L"C:\\a\\\"q\".exe", L"1,234", L"変更"},
      {Text(L"\0\x1f\x7f", 3) + wchar_t(0xD800) + L"\x2028\U0001F600", L"", L"追加"},
      {L"x", L"1,23", L"同じ"},
      {L"y", L"0123", L"不明"},
      {L"z", L"-12,345,678", L"削除"},
  };
  rows.old[0] = {{0, L"C:\\old.exe"}, {1, L"12"}};
  rows.old[4] = {{0, L"w"}};
  const ExportTable table{
      info(), {{L"パス", "path"}, {L"サイズ", "size", JsonValue::number}, changeColumn()}, rows};
  EXPECT_EQ(exportBytes(table, ExportFormat::json),
            R"({
  "generator": {"name": "Vemdrol", "version": "1.2.3"},
  "created": "2026-12-07T11:28:15Z",
  "createdLocal": "2026-12-07T20:28:15+09:00",
  "computer": "PC-01",
  "title": "一覧",
  "columns": [
    {"key": "path", "name": "パス"},
    {"key": "size", "name": "サイズ"},
    {"key": "change", "name": "差分"}
  ],
  "rows": [
    {"path": "C:\\a\\\"q\".exe", "size": 1234, "change": "changed", "old": {"path": "C:\\old.exe", "size": 12}},
    {"path": "\u0000\u001f)"
            "\x7F"
            R"(\ud800\u2028😀", "size": null, "change": "added"},
    {"path": "x", "size": "1,23", "change": "same"},
    {"path": "y", "size": "0123", "change": "不明"},
    {"path": "z", "size": -12345678, "change": "removed", "old": {"path": "w"}}
  ]
}
)");

  const ComparedRows none;
  const std::string empty = exportBytes({info(), {}, none}, ExportFormat::json);
  EXPECT_EQ(empty.substr(empty.find("\"columns\"")),
            R"("columns": [],
  "rows": []
}
)");
}

TEST(Exporter, HtmlShowsMarkupInTextsAsText) {
  ComparedRows rows;
  rows.cells = {{L"<script>alert(1)</script>", L"\"><img src=x onerror=alert(1)>"},
                {L"it's & CR\r", Text(L"NUL\0", 4)}};
  ExportInfo page = info();
  page.title = L"</title><script>alert(2)</script>";
  page.computer = L"<b>PC</b>";
  page.generatorName = L"Vemdrol\" onload=\"alert(3)";
  const ExportTable table{page, {{L"種類", "type"}, {L"定義", "definition"}}, rows};
  const std::string html = exportBytes(table, ExportFormat::html);

  for (const char* text :
       {"<title>&lt;/title&gt;&lt;script&gt;alert(2)&lt;/script&gt;</title>",
        "<meta name=\"generator\" content=\"Vemdrol&quot; onload=&quot;alert(3) 1.2.3\">",
        "コンピューター: &lt;b&gt;PC&lt;/b&gt;<br>",
        "作成日時: <time datetime=\"2026-12-07T20:28:15+09:00\">2026-12-07 20:28:15 (+09:00)</time>"
        " / <time datetime=\"2026-12-07T11:28:15Z\">2026-12-07 11:28:15 UTC</time>",
        "<span id=\"count\">2</span> 件", "<th>種類</th><th>定義</th>",
        "<tr><td>&lt;script&gt;alert(1)&lt;/script&gt;</td>"
        "<td>&quot;&gt;&lt;img src=x onerror=alert(1)&gt;</td></tr>",
        "<tr><td>it&#39;s &amp; CR&#13;</td><td>NUL\xEF\xBF\xBD</td></tr>"}) {
    EXPECT_NE(html.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(html.find("<script"), html.rfind("<script"));
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_EQ(html.find('\r'), std::string::npos);
  EXPECT_EQ(html.find('\0'), std::string::npos);

  // Thousands are grouped from 1,000 on.
  std::vector<std::array<Text, 1>> many(999);
  const auto count = [&many] {
    const SpanRows<std::array<Text, 1>> rows(many);
    const std::string html = exportBytes({info(), {{L"種類", "type"}}, rows}, ExportFormat::html);
    const std::size_t at = html.find("<span id=\"count\">") + 17;
    return html.substr(at, html.find('<', at) - at);
  };
  EXPECT_EQ(count(), "999");
  many.resize(1000);
  EXPECT_EQ(count(), "1,000");
}

TEST(Exporter, TimesAreWrittenInUtc) {
  EXPECT_EQ(isoUtc(sys_seconds{}), L"1970-01-01T00:00:00Z");
  EXPECT_EQ(isoUtc(sys_days{2024y / February / 29} + 23h + 59min + 59s), L"2024-02-29T23:59:59Z");
  EXPECT_EQ(isoUtc(sys_days{2024y / February / 29} + 24h), L"2024-03-01T00:00:00Z");
}

TEST(Exporter, LocalTimesCarryTheirOffset) {
  struct Case {
    sys_seconds time;
    int offsetMinutes;
    const wchar_t* text;
  };
  const sys_seconds newYear = sys_days{2027y / January / 1};
  const Case cases[] = {
      {newYear - 4h, 540, L"2027-01-01T05:00:00+09:00"},
      {newYear + 1h, -150, L"2026-12-31T22:30:00-02:30"},
      {newYear, 0, L"2027-01-01T00:00:00+00:00"},
      {newYear, 345, L"2027-01-01T05:45:00+05:45"},
  };
  for (const Case& c : cases) EXPECT_EQ(isoLocal(c.time, c.offsetMinutes), c.text);

  // Where the caller does not say, the machine's clock does.
  ExportInfo unsaid = info();
  unsaid.createdOffsetMinutes.reset();
  const ComparedRows none;
  const std::string json = exportBytes({unsaid, {}, none}, ExportFormat::json);
  const std::size_t at = json.find("\"createdLocal\": \"2026-12-07T");
  ASSERT_NE(at, std::string::npos) << json;
  const char sign = json.at(at + 36);
  EXPECT_TRUE(sign == '+' || sign == '-') << json;
}

TEST(Exporter, FailedWriteNamesTheFileAndKeepsTheOldOne) {
  MemoryFileSystem files;
  files.addFile(L"C:\\x\\a.csv", "old", {.readOnly = true});
  const SpanRows<std::array<Text, 5>> rows(trickyRows);
  const ExportTable table{info(), inventoryColumns(), rows};

  const Status locked = writeExport(files, L"C:\\x\\a.csv", table, ExportFormat::csv);
  ASSERT_FALSE(locked.ok());
  EXPECT_EQ(locked.error().number, 5);
  EXPECT_EQ(locked.error().description,
            L"ファイル C:\\x\\a.csv に書き込めません: Access is denied.");
  EXPECT_EQ(files.readFile(L"C:\\x\\a.csv").value(), "old");

  ASSERT_TRUE(writeExport(files, L"C:\\x\\b.json", table, ExportFormat::json).ok());
  EXPECT_EQ(files.readFile(L"C:\\x\\b.json").value(), exportBytes(table, ExportFormat::json));
}

}  // namespace
}  // namespace vemdrol
