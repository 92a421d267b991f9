#include "export/exporter.h"

#include "export/formats.h"

namespace vemdrol {

namespace {

void appendPadded(Text& text, long long value, std::size_t width) {
  const std::wstring digits = std::to_wstring(value);
  if (digits.size() < width) text.append(width - digits.size(), L'0');
  text += digits;
}

// A rough size of the file, so that the bytes of a large table are not
// copied again and again as the string grows.
std::size_t expectedSize(const ExportTable& table, ExportFormat format) {
  const std::size_t rows = table.rows.rowCount();
  if (rows == 0) return 4096;
  std::size_t sample = 0;
  for (std::size_t column = 0; column < table.columns.size(); ++column) {
    sample += table.rows.cell(0, column).size() + table.rows.cell(rows - 1, column).size();
  }
  // Japanese characters take three bytes; the markup about as much again.
  std::size_t perRow = sample * 3 / 2 + table.columns.size() * 4;
  if (format == ExportFormat::json || format == ExportFormat::html) {
    perRow += table.columns.size() * 16;
  }
  return 8192 + rows * perRow;
}

}  // namespace

std::vector<ExportColumn> inventoryColumns() {
  return {{L"種類", "type"},
          {L"定義", "definition"},
          {L"アプリケーション", "application"},
          {L"パス", "path"},
          {L"バージョン", "version"}};
}

ExportColumn changeColumn() { return {L"差分", "change", JsonValue::change}; }

Text isoUtc(std::chrono::sys_seconds time) {
  using namespace std::chrono;
  const sys_days day = floor<days>(time);
  const year_month_day date(day);
  const hh_mm_ss<seconds> clock(time - day);
  Text text;
  appendPadded(text, static_cast<int>(date.year()), 4);
  text += L'-';
  appendPadded(text, static_cast<unsigned>(date.month()), 2);
  text += L'-';
  appendPadded(text, static_cast<unsigned>(date.day()), 2);
  text += L'T';
  appendPadded(text, clock.hours().count(), 2);
  text += L':';
  appendPadded(text, clock.minutes().count(), 2);
  text += L':';
  appendPadded(text, clock.seconds().count(), 2);
  text += L'Z';
  return text;
}

std::string exportBytes(const ExportTable& table, ExportFormat format) {
  std::string out;
  out.reserve(expectedSize(table, format));
  switch (format) {
    case ExportFormat::csv:
      appendDelimited(out, table, L',');
      break;
    case ExportFormat::tabSeparated:
      appendDelimited(out, table, L'\t');
      break;
    case ExportFormat::json:
      appendJson(out, table);
      break;
    case ExportFormat::html:
      appendHtml(out, table);
      break;
  }
  return out;
}

Status writeExport(FileSystem& files, TextView path, const ExportTable& table,
                   ExportFormat format) {
  const Status written = files.replaceFile(path, exportBytes(table, format));
  if (written) return written;
  const Error& error = written.error();
  Text message = L"ファイル ";
  message += path;
  message += L" に書き込めません: ";
  message +=
      error.description.empty() ? L"エラー " + std::to_wstring(error.number) : error.description;
  return Error{error.number, std::move(message)};
}

}  // namespace vemdrol
