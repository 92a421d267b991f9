// Writes a table of texts as CSV, tab-separated text, JSON or one
// self-contained HTML page, for the command line and the scanner alike.
//
// Every file is UTF-8 and keeps every character of every text, apart from
// what the format cannot hold: an unpaired UTF-16 surrogate (the registry
// and version resources can hold them) is written as a \uXXXX escape in
// JSON and as U+FFFD elsewhere, and a NUL character as U+FFFD in HTML.
//
// - CSV: a byte order mark (so that Excel on a Japanese system takes the
//   file for UTF-8), a header row with the column names, then the rows; CR LF
//   after each line. A field holding a comma, double quote, CR or LF is
//   enclosed in double quotes, its double quotes doubled (RFC 4180).
// - Tab-separated: the same with a tab between the fields, and the same
//   quoting for a field holding a tab, double quote, CR or LF, so that a
//   reader of the CSV kind given the tab as separator gets every text back.
// - JSON: one object with "generator" ({"name", "version"}), "created" (UTC,
//   ISO 8601), "createdLocal" (the same instant on the local clock with its
//   offset, "2026-12-07T20:28:15+09:00"; null where the clock cannot
//   tell), "computer", "title", "columns" ([{"key", "name"}]) and
//   "rows", one object per row keyed by the columns' keys, with an "old"
//   object for a row that has older texts. Control characters, U+2028 and
//   U+2029 are escaped; LF after each row.
// - HTML: the title, the computer, the date (local with its offset, and
//   UTC) and the row count, a filter box
//   and the table, whose headers sort it when clicked. Every text is
//   escaped, in attributes too; the page's one script reads the texts and
//   never writes markup, and the page's content security policy lets no
//   other script run and nothing load from anywhere.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "export/export_table.h"
#include "os/filesystem.h"

namespace vemdrol {

enum class ExportFormat { csv, tabSeparated, json, html };

// "2026-12-07T11:28:15Z".
Text isoUtc(std::chrono::sys_seconds time);
// "2026-12-07T20:28:15+09:00": the instant on a clock offsetMinutes ahead
// of UTC.
Text isoLocal(std::chrono::sys_seconds time, int offsetMinutes);

std::string exportBytes(const ExportTable& table, ExportFormat format);

// Replaces the file at path with bytes, whole or not at all: a failure leaves
// an existing file as it was. The error's description is the message for
// the user: "ファイル <path> に書き込めません: <reason>".
Status writeWholeFile(FileSystem& files, TextView path, std::string_view bytes);

// Replaces the file at path with the table, whole or not at all: a failure
// leaves an existing file as it was. The error's description is the message
// for the user: "ファイル <path> に書き込めません: <reason>".
Status writeExport(FileSystem& files, TextView path, const ExportTable& table, ExportFormat format);

}  // namespace vemdrol
