#include "formats/apps/export_json.h"

#include <optional>

#include "base/utf8.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class Parser {
 public:
  explicit Parser(std::string_view bytes) : bytes_(bytes) {
    if (bytes_.starts_with("\xEF\xBB\xBF")) at_ = 3;
  }

  Result<std::vector<ExportedRow>> file() {
    if (bytes_.size() > maxAppsJsonSize) return fail();
    blanks();
    if (!take('{')) return fail();
    bool sawRows = false;
    std::vector<ExportedRow> rows;
    if (!objectMembers([&](const std::string& key) {
          if (key != "rows") return skipValue(2);
          // Two lists of rows would leave which one is meant a guess.
          if (sawRows) return false;
          sawRows = true;
          return rowArray(rows);
        })) {
      return fail();
    }
    blanks();
    if (at_ != bytes_.size() || !sawRows) return fail();
    return rows;
  }

 private:
  Error fail() const { return faultError(Fault::notJsonExport, 22, std::to_wstring(at_)); }

  void blanks() {
    while (at_ < bytes_.size() && isBlank(bytes_[at_])) ++at_;
  }
  bool take(char c) {
    blanks();
    if (at_ >= bytes_.size() || bytes_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool peek(char c) {
    blanks();
    return at_ < bytes_.size() && bytes_[at_] == c;
  }

  // The members of an object whose "{" is taken, each key handed to member,
  // which reads its value.
  template <class Member>
  bool objectMembers(Member member) {
    if (take('}')) return true;
    do {
      std::string key;
      if (!peek('"') || !keyText(key) || !take(':') || !member(key)) return false;
    } while (take(','));
    return take('}');
  }

  bool rowArray(std::vector<ExportedRow>& rows) {
    if (!take('[')) return false;
    if (take(']')) return true;
    do {
      if (!take('{')) return false;
      ExportedRow row;
      if (!objectMembers([&](const std::string& key) {
            blanks();
            if (peek('{') || peek('[')) return skipValue(4);
            Text value;
            if (!scalar(value)) return false;
            row.fields.emplace_back(key, std::move(value));
            return true;
          })) {
        return false;
      }
      rows.push_back(std::move(row));
    } while (take(','));
    return take(']');
  }

  bool keyText(std::string& key) {
    Text text;
    if (!string(text)) return false;
    key = toUtf8(text);
    return true;
  }

  bool scalar(Text& value) {
    blanks();
    if (at_ >= bytes_.size()) return false;
    const char c = bytes_[at_];
    if (c == '"') return string(value);
    for (const auto& [word, text] : {std::pair<std::string_view, const wchar_t*>{"null", L""},
                                     {"true", L"true"},
                                     {"false", L"false"}}) {
      if (bytes_.substr(at_).starts_with(word)) {
        at_ += word.size();
        value = text;
        return true;
      }
    }
    const std::size_t start = at_;
    if (at_ < bytes_.size() && bytes_[at_] == '-') ++at_;
    while (at_ < bytes_.size() &&
           ((bytes_[at_] >= '0' && bytes_[at_] <= '9') || bytes_[at_] == '.' ||
            bytes_[at_] == 'e' || bytes_[at_] == 'E' || bytes_[at_] == '+' || bytes_[at_] == '-')) {
      ++at_;
    }
    if (at_ == start || (at_ == start + 1 && bytes_[start] == '-')) return false;
    value.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(start),
                 bytes_.begin() + static_cast<std::ptrdiff_t>(at_));
    return true;
  }

  // A value whose object or array would stand at that depth (the file's
  // object is 1).
  bool skipValue(std::size_t depth) {
    if ((peek('{') || peek('[')) && depth > maxAppsJsonDepth) return false;
    if (take('{')) {
      return objectMembers([&](const std::string&) { return skipValue(depth + 1); });
    }
    if (take('[')) {
      if (take(']')) return true;
      do {
        if (!skipValue(depth + 1)) return false;
      } while (take(','));
      return take(']');
    }
    Text ignored;
    return scalar(ignored);
  }

  static std::optional<unsigned> hex4(std::string_view digits) {
    if (digits.size() < 4) return std::nullopt;
    unsigned value = 0;
    for (char c : digits.substr(0, 4)) {
      value <<= 4;
      if (c >= '0' && c <= '9') {
        value |= static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<unsigned>(c - 'A' + 10);
      } else {
        return std::nullopt;
      }
    }
    return value;
  }

  void append(Text& text, char32_t code) {
    if constexpr (sizeof(wchar_t) == 2) {
      if (code > 0xFFFF) {
        const char32_t rest = code - 0x10000;
        text.push_back(static_cast<wchar_t>(0xD800 + (rest >> 10)));
        text.push_back(static_cast<wchar_t>(0xDC00 + (rest & 0x3FF)));
        return;
      }
    }
    text.push_back(static_cast<wchar_t>(code));
  }

  // A string whose opening quote is next; raw bytes are UTF-8, escapes as
  // JSON has them.
  bool string(Text& text) {
    if (!take('"')) return false;
    text.clear();
    std::size_t runStart = at_;
    const auto flush = [&]() -> bool {
      const std::optional<Text> run = decodeUtf8(bytes_.substr(runStart, at_ - runStart));
      if (!run) return false;
      text += *run;
      return true;
    };
    while (at_ < bytes_.size()) {
      const char c = bytes_[at_];
      if (c == '"') {
        if (!flush()) return false;
        ++at_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        ++at_;
        continue;
      }
      if (!flush()) return false;
      if (++at_ >= bytes_.size()) return false;
      const char escaped = bytes_[at_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          text.push_back(static_cast<wchar_t>(escaped));
          break;
        case 'b':
          text.push_back(L'\b');
          break;
        case 'f':
          text.push_back(L'\f');
          break;
        case 'n':
          text.push_back(L'\n');
          break;
        case 'r':
          text.push_back(L'\r');
          break;
        case 't':
          text.push_back(L'\t');
          break;
        case 'u': {
          const std::optional<unsigned> unit = hex4(bytes_.substr(at_));
          if (!unit) return false;
          at_ += 4;
          char32_t code = *unit;
          if (code >= 0xD800 && code <= 0xDBFF && bytes_.substr(at_).starts_with("\\u")) {
            const std::optional<unsigned> low = hex4(bytes_.substr(at_ + 2));
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
              at_ += 6;
              code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
            }
          }
          append(text, code);
          break;
        }
        default:
          return false;
      }
      runStart = at_;
    }
    return false;
  }

  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

TextView ExportedRow::field(std::string_view key) const {
  for (const auto& [name, value] : fields) {
    if (name == key) return value;
  }
  return {};
}

Result<std::vector<ExportedRow>> readExportedRows(std::string_view bytes) {
  return Parser(bytes).file();
}

bool looksLikeJson(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  while (!bytes.empty() && isBlank(bytes.front())) bytes.remove_prefix(1);
  return bytes.starts_with('{');
}

}  // namespace vemdrol
