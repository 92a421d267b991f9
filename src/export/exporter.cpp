#include "export/exporter.h"

#include <algorithm>

#include "export/formats.h"
#include "os/local_time.h"

namespace vemdrol {

namespace {

void appendPadded(Text& text, long long value, std::size_t width) {
  const std::wstring digits = std::to_wstring(value);
  if (digits.size() < width) text.append(width - digits.size(), L'0');
  text += digits;
}

// About the size of the file, from up to 64 rows spread over the table, so
// that the bytes of a large table are neither copied again and again as the
// string grows nor given far more memory than they take.
std::size_t expectedSize(const ExportTable& table, ExportFormat format) {
  const std::size_t rows = table.rows.rowCount();
  const std::size_t columns = table.columns.size();
  const std::size_t samples = std::min<std::size_t>(rows, 64);
  std::size_t sampleBytes = 0;
  for (std::size_t k = 0; k < samples; ++k) {
    const std::size_t row = k * rows / samples;
    for (std::size_t column = 0; column < columns; ++column) {
      for (const wchar_t c : table.rows.cell(row, column)) sampleBytes += c < 0x80 ? 1 : 3;
    }
  }
  // What each cell adds: a separator; a key, quotes and separators; or the
  // cell's tags.
  std::size_t perCell = 1;
  if (format == ExportFormat::json) perCell = 8;
  if (format == ExportFormat::html) perCell = 9;
  for (std::size_t column = 0; format == ExportFormat::json && column < columns; ++column) {
    perCell += table.columns[column].key.size() / columns;
  }
  const std::size_t perRow = (samples > 0 ? sampleBytes / samples : 0) + columns * perCell + 16;
  return 8192 + rows * perRow / 16 * 17;
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

namespace {

// "2026-12-07T11:28:15", without a zone.
Text isoClock(std::chrono::sys_seconds time) {
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
  return text;
}

// The offset in force at time on this machine's clock.
std::optional<int> localOffsetAt(std::chrono::sys_seconds time) {
  const long long seconds = time.time_since_epoch().count();
  if (seconds < 0) return std::nullopt;
  const FileTime fileTime =
      fileTimeUnixEpoch + static_cast<FileTime>(seconds) * fileTimeTicksPerSecond;
  const std::optional<LocalTime> local = localTimeOf(fileTime);
  if (!local) return std::nullopt;
  return local->offsetMinutes;
}

}  // namespace

Text isoUtc(std::chrono::sys_seconds time) { return isoClock(time) + L'Z'; }

Text isoLocal(std::chrono::sys_seconds time, int offsetMinutes) {
  Text text = isoClock(time + std::chrono::minutes(offsetMinutes));
  const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  text += offsetMinutes < 0 ? L'-' : L'+';
  appendPadded(text, magnitude / 60, 2);
  text += L':';
  appendPadded(text, magnitude % 60, 2);
  return text;
}

std::string exportBytes(const ExportTable& given, ExportFormat format) {
  const bool timed = format == ExportFormat::json || format == ExportFormat::html;
  std::optional<ExportTable> dated;
  if (timed && !given.info.createdOffsetMinutes) {
    dated.emplace(given);
    dated->info.createdOffsetMinutes = localOffsetAt(given.info.created);
  }
  const ExportTable& table = dated ? *dated : given;
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
  return writeWholeFile(files, path, exportBytes(table, format));
}

Status writeWholeFile(FileSystem& files, TextView path, std::string_view bytes) {
  const Status written = files.replaceFile(path, bytes);
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
