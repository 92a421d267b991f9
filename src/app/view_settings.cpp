#include "app/view_settings.h"

#include "base/utf8.h"

namespace vemdrol {

namespace {

Error damaged(TextView why) { return Error{13, Text(L"Vemdrol.ini: ") + Text(why)}; }

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

TextView trimmed(TextView text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A decimal number with an optional minus sign, within the limit either way.
std::optional<long> number(TextView text, long lowest, long highest) {
  bool negative = false;
  if (!text.empty() && text.front() == L'-') {
    negative = true;
    text.remove_prefix(1);
  }
  // Seven digits reach past every limit, and their value fits any long.
  if (text.empty() || text.size() > 7) return std::nullopt;
  long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  if (negative) value = -value;
  if (value < lowest || value > highest) return std::nullopt;
  return value;
}

std::optional<bool> flag(TextView text) {
  if (text == L"0") return false;
  if (text == L"1") return true;
  return std::nullopt;
}

bool writableName(TextView name) {
  if (name.empty() || name.size() > viewSettingsMaxNameLength) return false;
  if (isBlank(name.front()) || isBlank(name.back())) return false;
  return name.find_first_of(L"=\r\n") == TextView::npos;
}

enum class Section { other, window, columns, sort, filter };

struct WindowValues {
  std::optional<long> left, top, width, height;
};

Status readLine(TextView line, Section& section, WindowValues& window, ViewSettings& settings) {
  line = trimmed(line);
  if (line.empty()) return success();
  if (line.front() == L'[') {
    if (line.back() != L']') return damaged(L"section");
    const TextView name = trimmed(line.substr(1, line.size() - 2));
    section = equalNoCase(name, L"Window")    ? Section::window
              : equalNoCase(name, L"Columns") ? Section::columns
              : equalNoCase(name, L"Sort")    ? Section::sort
              : equalNoCase(name, L"Filter")  ? Section::filter
                                              : Section::other;
    return success();
  }
  const std::size_t equals = line.find(L'=');
  if (equals == TextView::npos) return damaged(L"line");
  const TextView key = trimmed(line.substr(0, equals));
  const TextView value = trimmed(line.substr(equals + 1));
  switch (section) {
    case Section::other:
      return success();
    case Section::window: {
      if (equalNoCase(key, L"Maximized")) {
        const auto maximized = flag(value);
        if (!maximized) return damaged(L"Maximized");
        settings.maximized = *maximized;
        return success();
      }
      const bool position = equalNoCase(key, L"Left") || equalNoCase(key, L"Top");
      const bool size = equalNoCase(key, L"Width") || equalNoCase(key, L"Height");
      if (!position && !size) return success();
      const auto twips = position ? number(value, -viewSettingsMaxTwips, viewSettingsMaxTwips)
                                  : number(value, 1, viewSettingsMaxTwips);
      if (!twips) return damaged(key);
      if (equalNoCase(key, L"Left")) window.left = twips;
      if (equalNoCase(key, L"Top")) window.top = twips;
      if (equalNoCase(key, L"Width")) window.width = twips;
      if (equalNoCase(key, L"Height")) window.height = twips;
      return success();
    }
    case Section::columns: {
      if (!writableName(key)) return damaged(L"column name");
      const std::size_t comma = value.find(L',');
      if (comma == TextView::npos) return damaged(L"column");
      const auto width = number(trimmed(value.substr(0, comma)), 0, viewSettingsMaxTwips);
      const auto shown = flag(trimmed(value.substr(comma + 1)));
      if (!width || !shown) return damaged(L"column");
      for (const ColumnView& known : settings.columns) {
        if (known.name == key) return success();
      }
      if (settings.columns.size() == viewSettingsMaxColumns) return damaged(L"columns");
      settings.columns.push_back({Text(key), *width, *shown});
      return success();
    }
    case Section::sort: {
      if (equalNoCase(key, L"Column")) {
        if (!writableName(value)) return damaged(L"sort column");
        if (!settings.sort) settings.sort.emplace();
        settings.sort->column = Text(value);
      } else if (equalNoCase(key, L"Descending")) {
        const auto descending = flag(value);
        if (!descending) return damaged(L"Descending");
        if (!settings.sort) settings.sort.emplace();
        settings.sort->descending = *descending;
      }
      return success();
    }
    case Section::filter: {
      bool* filter = equalNoCase(key, L"HideMicrosoft")    ? &settings.filter.hideMicrosoft
                     : equalNoCase(key, L"UnverifiedOnly") ? &settings.filter.unverifiedOnly
                                                           : nullptr;
      if (!filter) return success();
      const auto on = flag(value);
      if (!on) return damaged(key);
      *filter = *on;
      return success();
    }
  }
  return success();
}

void appendLine(std::string& bytes, TextView line) {
  bytes += toUtf8(line);
  bytes += "\r\n";
}

}  // namespace

Result<ViewSettings> parseViewSettings(std::string_view bytes) {
  if (bytes.size() > viewSettingsMaxBytes) return damaged(L"size");
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::optional<Text> text = decodeUtf8(bytes);
  if (!text) return damaged(L"UTF-8");

  ViewSettings settings;
  WindowValues window;
  Section section = Section::other;
  const TextView all(*text);
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(L'\n', start);
    if (end == TextView::npos) end = all.size();
    TextView line = all.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    if (Status read = readLine(line, section, window, settings); !read) return read.error();
    start = end + 1;
  }
  if (settings.sort && settings.sort->column.empty()) settings.sort.reset();
  if (window.left && window.top && window.width && window.height) {
    settings.window = TwipsRect{*window.left, *window.top, *window.width, *window.height};
  }
  return settings;
}

std::string viewSettingsBytes(const ViewSettings& settings) {
  std::string bytes = "\xEF\xBB\xBF";
  const auto text = [](long value) { return std::to_wstring(value); };
  if (settings.window || settings.maximized) {
    appendLine(bytes, L"[Window]");
    if (settings.window) {
      appendLine(bytes, L"Left=" + text(settings.window->left));
      appendLine(bytes, L"Top=" + text(settings.window->top));
      appendLine(bytes, L"Width=" + text(settings.window->width));
      appendLine(bytes, L"Height=" + text(settings.window->height));
    }
    appendLine(bytes, settings.maximized ? L"Maximized=1" : L"Maximized=0");
  }
  appendLine(bytes, L"[Columns]");
  std::size_t written = 0;
  for (const ColumnView& column : settings.columns) {
    if (!writableName(column.name) || written == viewSettingsMaxColumns) continue;
    appendLine(bytes,
               column.name + L"=" + text(column.widthTwips) + (column.shown ? L",1" : L",0"));
    ++written;
  }
  if (settings.sort && writableName(settings.sort->column)) {
    appendLine(bytes, L"[Sort]");
    appendLine(bytes, L"Column=" + settings.sort->column);
    appendLine(bytes, settings.sort->descending ? L"Descending=1" : L"Descending=0");
  }
  if (settings.filter.any()) {
    appendLine(bytes, L"[Filter]");
    appendLine(bytes, settings.filter.hideMicrosoft ? L"HideMicrosoft=1" : L"HideMicrosoft=0");
    appendLine(bytes, settings.filter.unverifiedOnly ? L"UnverifiedOnly=1" : L"UnverifiedOnly=0");
  }
  return bytes;
}

}  // namespace vemdrol
