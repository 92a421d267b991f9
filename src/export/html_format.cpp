// The HTML page: one file that works offline, without anything from outside.
#include <string_view>

#include "base/utf8.h"
#include "export/exporter.h"
#include "export/formats.h"

namespace vemdrol {

namespace {

// Reads the cells' texts once, filters the rows by a word and sorts them by a
// clicked column. It only reads texts and moves whole rows: it never turns a
// text into markup.
constexpr std::string_view script = R"script(
"use strict";
(() => {
  const body = document.querySelector("#list tbody");
  const rows = Array.from(body.rows);
  const texts = rows.map((row) => Array.from(row.cells, (cell) => cell.textContent));
  const haystacks = texts.map((cells) => cells.join("\t").toLowerCase());
  const count = document.getElementById("count");
  const total = count.textContent;
  const filter = document.getElementById("filter");
  filter.addEventListener("input", () => {
    const word = filter.value.toLowerCase();
    let shown = 0;
    rows.forEach((row, i) => {
      row.hidden = !haystacks[i].includes(word);
      if (!row.hidden) shown++;
    });
    count.textContent = word ? shown.toLocaleString() + " / " + total : total;
  });
  const collator = new Intl.Collator("ja", { numeric: true });
  const headers = Array.from(document.querySelectorAll("#list th"));
  let sortColumn = -1;
  let ascending = true;
  headers.forEach((header, column) => {
    header.addEventListener("click", () => {
      ascending = column === sortColumn ? !ascending : true;
      sortColumn = column;
      const sign = ascending ? 1 : -1;
      const order = rows.map((row, i) => i);
      order.sort((a, b) => sign * collator.compare(texts[a][column], texts[b][column]) || a - b);
      const sorted = document.createDocumentFragment();
      order.forEach((i) => sorted.appendChild(rows[i]));
      body.appendChild(sorted);
      headers.forEach((other) => other.removeAttribute("aria-sort"));
      header.setAttribute("aria-sort", ascending ? "ascending" : "descending");
    });
  });
})();
)script";

// The SHA-256 of the script, base64: the page's policy runs that script and
// no other, so that even a text that slipped through the escaping could run
// nothing. The tests recompute it.
constexpr std::string_view scriptHash = "Qu+rNlknUBl9bY/O0GQBzfB/uGwVhToU1ZMVe7MS0XY=";

constexpr std::string_view style = R"style(
body { font-family: sans-serif; margin: 1em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 2px 6px; text-align: left; vertical-align: top; white-space: pre-wrap; }
th { background: #eee; cursor: pointer; position: sticky; top: 0; }
th[aria-sort=ascending]::after { content: " \25B2"; }
th[aria-sort=descending]::after { content: " \25BC"; }
)style";

// For text and for attribute values alike. A CR would come back as LF from
// a browser's reading of the page, so it is written as a reference; a NUL
// comes back as U+FFFD whichever way it is written.
void appendEscaped(std::string& out, TextView text) {
  for (std::size_t i = 0; i < text.size();) {
    // Most characters are ASCII letters, digits, blanks and punctuation that
    // stand for themselves.
    const wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F && c != L'&' && c != L'<' && c != L'>' && c != L'"' && c != L'\'') {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const char32_t code = nextCodePoint(text, i);
    switch (code) {
      case U'&':
        out += "&amp;";
        break;
      case U'<':
        out += "&lt;";
        break;
      case U'>':
        out += "&gt;";
        break;
      case U'"':
        out += "&quot;";
        break;
      case U'\'':
        out += "&#39;";
        break;
      case U'\r':
        out += "&#13;";
        break;
      case 0:
        appendUtf8(out, U'\uFFFD');
        break;
      default:
        appendUtf8(out, code);
    }
  }
}

std::string grouped(std::size_t number) {
  std::string digits = std::to_string(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

}  // namespace

void appendHtml(std::string& out, const ExportTable& table) {
  const ExportInfo& info = table.info;
  const Text created = isoUtc(info.created);
  // "2026-12-07 11:28:15 UTC" for the eye.
  Text shown = created.substr(0, 10) + L' ' + created.substr(11, 8) + L" UTC";

  out += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; ";
  out += "style-src 'unsafe-inline'; script-src 'sha256-";
  out += scriptHash;
  out += "'\">\n<meta name=\"generator\" content=\"";
  appendEscaped(out, info.generatorName + L' ' + info.generatorVersion);
  out += "\">\n<title>";
  appendEscaped(out, info.title);
  out += "</title>\n<style>";
  out += style;
  out += "</style>\n</head>\n<body>\n<h1>";
  appendEscaped(out, info.title);
  out += "</h1>\n<p>コンピューター: ";
  appendEscaped(out, info.computer);
  out += "<br>\n作成日時: ";
  if (info.createdOffsetMinutes) {
    // "2026-12-07 20:28:15 (+09:00)" on the clock where it was made.
    const Text local = isoLocal(info.created, *info.createdOffsetMinutes);
    out += "<time datetime=\"";
    appendEscaped(out, local);
    out += "\">";
    appendEscaped(
        out, local.substr(0, 10) + L' ' + local.substr(11, 8) + L" (" + local.substr(19) + L")");
    out += "</time> / ";
  }
  out += "<time datetime=\"";
  appendEscaped(out, created);
  out += "\">";
  appendEscaped(out, shown);
  out += "</time><br>\n<span id=\"count\">";
  out += grouped(table.rows.rowCount());
  out += "</span> 件</p>\n";
  out += "<p><label>絞り込み <input id=\"filter\" type=\"search\"></label></p>\n";
  out += "<table id=\"list\">\n<thead><tr>";
  for (const ExportColumn& column : table.columns) {
    out += "<th>";
    appendEscaped(out, column.name);
    out += "</th>";
  }
  out += "</tr></thead>\n<tbody>\n";
  const std::size_t rows = table.rows.rowCount();
  for (std::size_t row = 0; row < rows; ++row) {
    out += "<tr>";
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
      out += "<td>";
      appendEscaped(out, table.rows.cell(row, column));
      out += "</td>";
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n<script>";
  out += script;
  out += "</script>\n</body>\n</html>\n";
}

}  // namespace vemdrol
