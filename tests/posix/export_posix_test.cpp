// The exported files read back by Python's own CSV, JSON and HTML readers,
// and the writes that must fail, on this machine's file system.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/exporter.h"
#include "os/posix/filesystem.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

// A cell, and what a reader of each kind of file gets back where that is
// not the text itself.
struct Cell {
  Text text;
  std::optional<Text> delimited = std::nullopt;
  std::optional<Text> json = std::nullopt;
  std::optional<Text> html = std::nullopt;
};

const Text lone = Text(L"a") + wchar_t(0xD800) + L"b" + wchar_t(0xDC00);
const Text loneReplaced = L"a\uFFFDb\uFFFD";
// A pair as Windows holds it, then as this platform holds it.
const Text pair = Text{wchar_t(0xD83D), wchar_t(0xDE00)} + L"\U0001F600𠮷";
const Text pairJoined = L"\U0001F600\U0001F600𠮷";

const std::vector<std::array<Cell, 5>> cells = {{
    {{{L"a,b"}, {L"say \"hi\""}, {L"tab\there"}, {L"CR\rLF\nCRLF\r\n"}, {L"©"}}},
    {{{L"日本語のアプリ"},
      {.text = Text(L"x\0y", 3), .html = L"x\uFFFDy"},
      {L"\x01\x08\x0b\x0c\x1b\x7f\x85"},
      {.text = pair, .delimited = pairJoined, .json = pairJoined, .html = pairJoined},
      {.text = lone, .delimited = loneReplaced, .html = loneReplaced}}},
    {{{L"<script>alert(1)</script>"},
      {L"\"><img src=x onerror=alert(1)>"},
      {L"'single' & <b>bold</b> &amp;"},
      {L""},
      {L" spaced "}}},
    {{{L"=1+2"}, {L"\\\\server\\share\\"}, {L"\u2028\u2029"}, {L"©"}, {L"CR\ronly"}}},
}};

class Rows final : public ExportRows {
 public:
  std::size_t rowCount() const override { return cells.size(); }
  TextView cell(std::size_t row, std::size_t column) const override {
    return cells[row][column].text;
  }
};

std::string hex(TextView text) {
  std::string line;
  for (const wchar_t c : text) {
    char code[16];
    ::snprintf(code, sizeof code, "%s%x", line.empty() ? "" : " ", static_cast<unsigned>(c));
    line += code;
  }
  return line;
}

class ExportPosix : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-export-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    files_ = PosixFileSystem({{L'C', root_.string()}});
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  ExportTable table() const {
    ExportInfo info{L"Vemdrol", L"1.2.3", sys_days{2026y / December / 7} + 11h + 28min + 15s,
                    L"PC-01 ©", L"一覧 <&> \"x\""};
    return {std::move(info), inventoryColumns(), rows_};
  }

  // Writes the file, has Python read it back and returns what Python said.
  std::string readBack(ExportFormat format, const char* kind) {
    const Text name = Text(L"C:\\out.") + Text(kind, kind + std::strlen(kind));
    EXPECT_TRUE(writeExport(files_, name, table(), format).ok());

    std::ofstream expected(root_ / "expected.txt", std::ios::binary);
    expected << 5 << "\n";
    for (const ExportColumn& column : inventoryColumns()) expected << hex(column.name) << "\n";
    for (const auto& row : cells) {
      for (const Cell& cell : row) {
        const std::optional<Text>& readBack = format == ExportFormat::json   ? cell.json
                                              : format == ExportFormat::html ? cell.html
                                                                             : cell.delimited;
        const Text& text = readBack ? *readBack : cell.text;
        expected << hex(text) << "\n";
      }
    }
    expected.close();

    const std::string command = std::string(VEMDROL_PYTHON3) + " '" + VEMDROL_TESTS_DIR +
                                "/posix/export_reader.py' " + kind + " '" +
                                (root_ / ("out." + std::string(kind))).string() + "' '" +
                                (root_ / "expected.txt").string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "(cannot start python3)";
    std::string output;
    char buffer[4096];
    while (const std::size_t got = ::fread(buffer, 1, sizeof buffer, pipe))
      output.append(buffer, got);
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << output;
    return output;
  }

  fs::path root_;
  Rows rows_;
  PosixFileSystem files_;
};

TEST_F(ExportPosix, EveryFormatReadsBackWithEveryText) {
  EXPECT_EQ(readBack(ExportFormat::csv, "csv"), "{\"bom\": true}\n");
  EXPECT_EQ(readBack(ExportFormat::tabSeparated, "tsv"), "{\"bom\": true}\n");
  EXPECT_EQ(readBack(ExportFormat::json, "json"),
            "{\"computer\": \"PC-01 \\u00a9\", \"created\": \"2026-12-07T11:28:15Z\", "
            "\"generator\": {\"name\": \"Vemdrol\", \"version\": \"1.2.3\"}, "
            "\"title\": \"\\u4e00\\u89a7 <&> \\\"x\\\"\"}\n");
  EXPECT_EQ(readBack(ExportFormat::html, "html"),
            "{\"count\": \"4\", \"events\": [], \"h1\": \"\\u4e00\\u89a7 <&> \\\"x\\\"\", "
            "\"only_own_script\": true, \"tags\": [\"body\", \"br\", \"h1\", \"head\", "
            "\"html\", \"input\", \"label\", \"meta\", \"p\", \"script\", \"span\", \"style\", "
            "\"table\", \"tbody\", \"td\", \"th\", \"thead\", \"time\", \"title\", \"tr\"], "
            "\"title\": \"\\u4e00\\u89a7 <&> \\\"x\\\"\", \"writes_markup\": false}\n");
}

TEST_F(ExportPosix, UnwritableDestinationsFailAndKeepTheOldFile) {
  const auto message = [this](TextView path) {
    const Status written = writeExport(files_, path, table(), ExportFormat::csv);
    return written ? Text(L"(written)") : written.error().description;
  };
  EXPECT_EQ(message(L"C:\\missing\\a.csv"),
            L"ファイル C:\\missing\\a.csv に書き込めません: No such file or directory");

  std::ofstream(root_ / "locked.csv") << "old";
  fs::permissions(root_ / "locked.csv", fs::perms::owner_read);
  EXPECT_EQ(message(L"C:\\locked.csv"),
            L"ファイル C:\\locked.csv に書き込めません: Permission denied");

  fs::create_directory(root_ / "folder.csv");
  std::ofstream(root_ / "folder.csv" / "inside.txt") << "inside";
  EXPECT_EQ(message(L"C:\\folder.csv"),
            L"ファイル C:\\folder.csv に書き込めません: Is a directory");

  // A name holds at most 255 bytes here.
  const Text inside = L"C:\\" + Text(251, L'x') + L".csv";
  const Text past = L"C:\\" + Text(252, L'x') + L".csv";
  EXPECT_EQ(message(inside), L"(written)");
  EXPECT_EQ(message(past), L"ファイル " + past + L" に書き込めません: File name too long");

  std::ifstream locked(root_ / "locked.csv");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(locked), {}), "old");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(root_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"folder.csv", "locked.csv", std::string(251, 'x') + ".csv"}));
}

}  // namespace
}  // namespace vemdrol
