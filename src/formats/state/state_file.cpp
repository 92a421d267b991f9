#include "formats/state/state_file.h"

#include <charconv>

#include "base/utf8.h"

namespace vemdrol {
namespace {

constexpr std::string_view hexDigits = "0123456789ABCDEF";

using Fault = StateFileFault::Kind;

void appendHex(std::string& bytes, char32_t code, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    bytes.push_back(hexDigits[(code >> shift) & 0xF]);
  }
}

std::optional<char32_t> hexValue(std::wstring_view digits) {
  char32_t value = 0;
  for (const wchar_t digit : digits) {
    value <<= 4;
    if (digit >= L'0' && digit <= L'9') {
      value |= static_cast<char32_t>(digit - L'0');
    } else if (digit >= L'A' && digit <= L'F') {
      value |= static_cast<char32_t>(digit - L'A' + 10);
    } else if (digit >= L'a' && digit <= L'f') {
      value |= static_cast<char32_t>(digit - L'a' + 10);
    } else {
      return std::nullopt;
    }
  }
  return value;
}

// The text of one field: strict UTF-8, then the escapes. nullopt for bytes
// that are no UTF-8, an escape the writer never writes, or a character that
// should have been escaped and was not.
std::optional<Text> fieldText(std::string_view bytes) {
  if (bytes.size() > maxStateFieldBytes) return std::nullopt;
  const std::optional<Text> decoded = decodeUtf8(bytes);
  if (!decoded) return std::nullopt;
  const Text& raw = *decoded;
  if (raw.find(L'\\') == Text::npos) {
    for (const wchar_t c : raw) {
      if (c < 0x20 || c == 0x7F) return std::nullopt;
    }
    return decoded;
  }
  Text text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const wchar_t c = raw[i];
    if (c < 0x20 || c == 0x7F) return std::nullopt;
    if (c != L'\\') {
      text.push_back(c);
      continue;
    }
    if (++i >= raw.size()) return std::nullopt;
    switch (raw[i]) {
      case L'\\':
        text.push_back(L'\\');
        break;
      case L't':
        text.push_back(L'\t');
        break;
      case L'r':
        text.push_back(L'\r');
        break;
      case L'n':
        text.push_back(L'\n');
        break;
      case L'x':
      case L'u': {
        const std::size_t digits = raw[i] == L'x' ? 2 : 4;
        if (raw.size() - (i + 1) < digits) return std::nullopt;
        const std::optional<char32_t> code = hexValue(TextView(raw).substr(i + 1, digits));
        if (!code) return std::nullopt;
        // Only what the writer escapes: controls as \x, lone surrogates as \u.
        if (digits == 2 ? !(*code < 0x20 || *code == 0x7F) : !isSurrogate(*code)) {
          return std::nullopt;
        }
        text.push_back(static_cast<wchar_t>(*code));
        i += digits;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return text;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

std::optional<std::size_t> StateTable::column(TextView columnName) const {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == columnName) return i;
  }
  return std::nullopt;
}

const Text* StateFile::value(TextView name) const {
  for (const auto& [key, text] : values) {
    if (key == name) return &text;
  }
  return nullptr;
}

const StateTable* StateFile::table(TextView name) const {
  for (const StateTable& table : tables) {
    if (table.name == name) return &table;
  }
  return nullptr;
}

StateFileWriter::StateFileWriter() {
  bytes_ = stateFileHeader;
  bytes_ += std::to_string(stateFileVersion);
  endLine();
}

void StateFileWriter::field(TextView text) {
  bytes_.push_back('\t');
  for (std::size_t i = 0; i < text.size();) {
    const char32_t code = nextCodePoint(text, i);
    switch (code) {
      case U'\\':
        bytes_ += "\\\\";
        continue;
      case U'\t':
        bytes_ += "\\t";
        continue;
      case U'\r':
        bytes_ += "\\r";
        continue;
      case U'\n':
        bytes_ += "\\n";
        continue;
      default:
        break;
    }
    if (code < 0x20 || code == 0x7F) {
      bytes_ += "\\x";
      appendHex(bytes_, code, 2);
    } else if (isSurrogate(code)) {
      bytes_ += "\\u";
      appendHex(bytes_, code, 4);
    } else {
      appendUtf8(bytes_, code);
    }
  }
}

void StateFileWriter::endLine() {
  bytes_.push_back('\n');
  ++lines_;
}

void StateFileWriter::value(TextView name, TextView text) {
  bytes_ += "value";
  field(name);
  field(text);
  endLine();
}

void StateFileWriter::table(TextView name, const std::vector<Text>& columns) {
  bytes_ += "table";
  field(name);
  for (const Text& column : columns) field(column);
  columns_ = columns.size();
  endLine();
}

void StateFileWriter::record(const std::vector<TextView>& fields) {
  bytes_ += "row";
  for (std::size_t i = 0; i < columns_; ++i) field(i < fields.size() ? fields[i] : TextView());
  endLine();
}

std::string StateFileWriter::finish() && {
  bytes_ += "end\t";
  bytes_ += std::to_string(lines_);
  bytes_.push_back('\n');
  return std::move(bytes_);
}

std::variant<StateFile, StateFileFault> readStateFile(std::string_view bytes) {
  const auto fault = [](Fault kind, std::size_t line) { return StateFileFault{kind, line}; };

  StateFile file;
  std::size_t lineNumber = 0;
  bool ended = false;
  StateTable* table = nullptr;
  while (!bytes.empty()) {
    const std::size_t newline = bytes.find('\n');
    // A line without its LF is a file cut short, whatever it holds.
    if (newline == std::string_view::npos) return fault(Fault::damaged, lineNumber + 1);
    std::string_view line = bytes.substr(0, newline);
    bytes.remove_prefix(newline + 1);
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (lineNumber == 1) {
      if (!line.starts_with(stateFileHeader)) return fault(Fault::notStateFile, 1);
      const std::string_view number = line.substr(stateFileHeader.size());
      int version = 0;
      const auto [end, error] =
          std::from_chars(number.data(), number.data() + number.size(), version);
      if (error != std::errc() || end != number.data() + number.size() || version < 1 ||
          number.size() > 6) {
        return fault(Fault::notStateFile, 1);
      }
      if (version > stateFileVersion) {
        return fault(Fault::newerVersion, static_cast<std::size_t>(version));
      }
      file.version = version;
      continue;
    }
    if (ended) return fault(Fault::damaged, lineNumber);

    const std::vector<std::string_view> fields = splitFields(line);
    const std::string_view kind = fields.front();
    const auto texts = [&](std::size_t first) -> std::optional<std::vector<Text>> {
      std::vector<Text> out;
      out.reserve(fields.size() - first);
      for (std::size_t i = first; i < fields.size(); ++i) {
        std::optional<Text> text = fieldText(fields[i]);
        if (!text) return std::nullopt;
        out.push_back(std::move(*text));
      }
      return out;
    };

    if (kind == "row") {
      if (!table || fields.size() - 1 != table->columns.size()) {
        return fault(Fault::damaged, lineNumber);
      }
      std::optional<std::vector<Text>> record = texts(1);
      if (!record) return fault(Fault::damaged, lineNumber);
      table->records.push_back(std::move(*record));
    } else if (kind == "table") {
      if (fields.size() < 2 || fields.size() - 2 > maxStateColumns) {
        return fault(Fault::damaged, lineNumber);
      }
      std::optional<std::vector<Text>> names = texts(1);
      if (!names) return fault(Fault::damaged, lineNumber);
      StateTable next;
      next.name = std::move(names->front());
      next.columns.assign(std::make_move_iterator(names->begin() + 1),
                          std::make_move_iterator(names->end()));
      file.tables.push_back(std::move(next));
      table = &file.tables.back();
    } else if (kind == "value") {
      std::optional<std::vector<Text>> pair = texts(1);
      if (fields.size() != 3 || !pair) return fault(Fault::damaged, lineNumber);
      file.values.emplace_back(std::move((*pair)[0]), std::move((*pair)[1]));
    } else if (kind == "end") {
      std::size_t counted = 0;
      const std::string_view number = fields.size() == 2 ? fields[1] : std::string_view();
      const auto [end, error] =
          std::from_chars(number.data(), number.data() + number.size(), counted);
      if (number.empty() || error != std::errc() || end != number.data() + number.size() ||
          counted != lineNumber - 1) {
        return fault(Fault::damaged, lineNumber);
      }
      ended = true;
    } else {
      return fault(Fault::damaged, lineNumber);
    }
  }
  if (lineNumber == 0) return fault(Fault::notStateFile, 1);
  if (!ended) return fault(Fault::damaged, lineNumber + 1);
  return file;
}

}  // namespace vemdrol
