// CSV, tab-separated text and JSON.
#include <optional>
#include <vector>

#include "base/utf8.h"
#include "export/exporter.h"
#include "export/formats.h"

namespace vemdrol {

namespace {

void appendField(std::string& out, TextView text, wchar_t separator) {
  bool quoted = false;
  for (const wchar_t c : text) {
    if (c == separator || c == L'"' || c == L'\r' || c == L'\n') {
      quoted = true;
      break;
    }
  }
  if (!quoted) {
    appendUtf8(out, text);
    return;
  }
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const char32_t code = nextCodePoint(text, i);
    if (code == U'"') out += '"';
    appendUtf8(out, code);
  }
  out += '"';
}

void appendHex4(std::string& out, char32_t code) {
  static const char hex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += hex[(code >> shift) & 0xF];
}

void appendJsonString(std::string& out, TextView text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    // Most characters are printable ASCII and stand for themselves.
    const wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\') {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const char32_t code = nextCodePoint(text, i);
    switch (code) {
      case U'"':
        out += "\\\"";
        break;
      case U'\\':
        out += "\\\\";
        break;
      case U'\b':
        out += "\\b";
        break;
      case U'\f':
        out += "\\f";
        break;
      case U'\n':
        out += "\\n";
        break;
      case U'\r':
        out += "\\r";
        break;
      case U'\t':
        out += "\\t";
        break;
      default:
        // An unpaired surrogate cannot be UTF-8 but can be an escape, which
        // keeps it for a reader that takes texts as UTF-16. U+2028 and
        // U+2029 are line ends to older JavaScript.
        if (code < 0x20 || isSurrogate(code) || code == 0x2028 || code == 0x2029) {
          appendHex4(out, code);
        } else {
          appendUtf8(out, code);
        }
    }
  }
  out += '"';
}

// '"key": ' for each column, made once; keys are the program's own ASCII
// names.
std::vector<std::string> keyPrefixes(const std::vector<ExportColumn>& columns) {
  std::vector<std::string> prefixes;
  for (const ExportColumn& column : columns) {
    std::string prefix;
    appendJsonString(prefix, Text(column.key.begin(), column.key.end()));
    prefix += ": ";
    prefixes.push_back(std::move(prefix));
  }
  return prefixes;
}

// The digits of a decimal integer, without the commas that may group its
// digits in threes; nullopt for any other text.
std::optional<std::string> integerDigits(TextView text) {
  std::string digits;
  std::size_t i = 0;
  if (!text.empty() && text[0] == L'-') {
    digits += '-';
    i = 1;
  }
  const std::size_t first = digits.size();
  std::size_t run = 0;  // digits since the start or the last comma
  bool grouped = false;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      digits += static_cast<char>(c);
      ++run;
      if (grouped && run > 3) return std::nullopt;
    } else if (c == L',') {
      if (run == 0 || run > 3 || (grouped && run != 3)) return std::nullopt;
      grouped = true;
      run = 0;
    } else {
      return std::nullopt;
    }
  }
  if (run == 0 || (grouped && run != 3)) return std::nullopt;
  // JSON numbers have no leading zeros.
  if (digits.size() - first > 1 && digits[first] == '0') return std::nullopt;
  return digits;
}

const char* changeName(TextView text) {
  if (text == L"追加") return "added";
  if (text == L"削除") return "removed";
  if (text.starts_with(L"変更")) return "changed";
  if (text == L"同じ") return "same";
  return nullptr;
}

void appendJsonValue(std::string& out, TextView text, JsonValue kind) {
  switch (kind) {
    case JsonValue::text:
      break;
    case JsonValue::number:
      if (text.empty()) {
        out += "null";
        return;
      }
      if (std::optional<std::string> digits = integerDigits(text)) {
        out += *digits;
        return;
      }
      break;
    case JsonValue::boolean:
      out += text.empty() ? "false" : "true";
      return;
    case JsonValue::change:
      if (const char* name = changeName(text)) {
        out += '"';
        out += name;
        out += '"';
        return;
      }
      break;
  }
  appendJsonString(out, text);
}

void appendRow(std::string& out, const ExportTable& table, const std::vector<std::string>& keys,
               std::size_t row) {
  const std::vector<ExportColumn>& columns = table.columns;
  out += '{';
  for (std::size_t column = 0; column < columns.size(); ++column) {
    if (column > 0) out += ", ";
    out += keys[column];
    if (const std::optional<ExportRows::JsonCell> json = table.rows.jsonCell(row, column)) {
      if (json->null) {
        out += "null";
      } else {
        appendJsonValue(out, json->text, columns[column].json);
      }
    } else {
      appendJsonValue(out, table.rows.cell(row, column), columns[column].json);
    }
  }
  bool old = false;
  for (std::size_t column = 0; column < columns.size(); ++column) {
    const std::optional<TextView> text = table.rows.oldCell(row, column);
    if (!text) continue;
    out += old ? ", " : ", \"old\": {";
    old = true;
    out += keys[column];
    appendJsonValue(out, *text, columns[column].json);
  }
  if (old) out += '}';
  out += '}';
}

}  // namespace

void appendDelimited(std::string& out, const ExportTable& table, wchar_t separator) {
  const char separatorByte = static_cast<char>(separator);
  out += "\xEF\xBB\xBF";
  const std::size_t columns = table.columns.size();
  for (std::size_t column = 0; column < columns; ++column) {
    if (column > 0) out += separatorByte;
    appendField(out, table.columns[column].name, separator);
  }
  out += "\r\n";
  const std::size_t rows = table.rows.rowCount();
  for (std::size_t row = 0; row < rows; ++row) {
    for (std::size_t column = 0; column < columns; ++column) {
      if (column > 0) out += separatorByte;
      appendField(out, table.rows.cell(row, column), separator);
    }
    out += "\r\n";
  }
}

void appendJson(std::string& out, const ExportTable& table) {
  const ExportInfo& info = table.info;
  out += "{\n  \"generator\": {\"name\": ";
  appendJsonString(out, info.generatorName);
  out += ", \"version\": ";
  appendJsonString(out, info.generatorVersion);
  out += "},\n  \"created\": ";
  appendJsonString(out, isoUtc(info.created));
  out += ",\n  \"createdLocal\": ";
  if (info.createdOffsetMinutes) {
    appendJsonString(out, isoLocal(info.created, *info.createdOffsetMinutes));
  } else {
    out += "null";
  }
  out += ",\n  \"computer\": ";
  appendJsonString(out, info.computer);
  out += ",\n  \"title\": ";
  appendJsonString(out, info.title);
  out += ",\n  \"columns\": [";
  for (std::size_t column = 0; column < table.columns.size(); ++column) {
    const ExportColumn& described = table.columns[column];
    out += column > 0 ? ",\n    {\"key\": " : "\n    {\"key\": ";
    appendJsonString(out, Text(described.key.begin(), described.key.end()));
    out += ", \"name\": ";
    appendJsonString(out, described.name);
    out += '}';
  }
  out += table.columns.empty() ? "],\n  \"rows\": [" : "\n  ],\n  \"rows\": [";
  const std::vector<std::string> keys = keyPrefixes(table.columns);
  const std::size_t rows = table.rows.rowCount();
  for (std::size_t row = 0; row < rows; ++row) {
    out += row > 0 ? ",\n    " : "\n    ";
    appendRow(out, table, keys, row);
  }
  out += rows > 0 ? "\n  ]\n}\n" : "]\n}\n";
}

}  // namespace vemdrol
