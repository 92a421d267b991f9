#include "details/facts_record.h"

#include "base/utf16.h"

namespace vemdrol {
namespace {

const wchar_t* stateName(FactState state) {
  switch (state) {
    case FactState::value:
      return L"value";
    case FactState::unavailable:
      return L"unavailable";
    case FactState::notAsked:
      return L"notAsked";
  }
  return L"?";
}

Text escape(TextView field) {
  Text text;
  for (const wchar_t c : field) {
    switch (c) {
      case L'\\':
        text += L"\\\\";
        break;
      case L'\t':
        text += L"\\t";
        break;
      case L'\n':
        text += L"\\n";
        break;
      case L'\r':
        text += L"\\r";
        break;
      default:
        text.push_back(c);
    }
  }
  return text;
}

Text unescape(TextView field) {
  Text text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != L'\\' || i + 1 == field.size()) {
      text.push_back(field[i]);
      continue;
    }
    const wchar_t next = field[++i];
    text.push_back(next == L't' ? L'\t' : next == L'n' ? L'\n' : next == L'r' ? L'\r' : next);
  }
  return text;
}

}  // namespace

std::vector<Text> factsFields(TextView path, const FileFacts& facts) {
  std::vector<Text> fields{Text(path)};
  for (const FactCell& cell : facts.cells) {
    fields.push_back(stateName(cell.state));
    fields.push_back(cell.text);
    fields.push_back(cell.json ? *cell.json : Text(L"null"));
  }
  return fields;
}

std::string encodeRecords(const std::vector<std::vector<Text>>& records) {
  Text text;
  for (const std::vector<Text>& record : records) {
    for (std::size_t i = 0; i < record.size(); ++i) {
      if (i > 0) text.push_back(L'\t');
      text += escape(record[i]);
    }
    text.push_back(L'\n');
  }
  return toUtf16Le(text);
}

std::vector<std::vector<Text>> decodeRecords(std::string_view bytes) {
  const Text text = fromUtf16Le(bytes);
  std::vector<std::vector<Text>> records;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == Text::npos) end = text.size();
    std::vector<Text> record;
    std::size_t field = start;
    while (true) {
      const std::size_t tab = text.find(L'\t', field);
      const std::size_t stop = tab == Text::npos || tab > end ? end : tab;
      record.push_back(unescape(TextView(text).substr(field, stop - field)));
      if (stop == end) break;
      field = stop + 1;
    }
    records.push_back(std::move(record));
    start = end + 1;
  }
  return records;
}

std::vector<Text> factsFolders(const Text& list) {
  std::vector<Text> folders;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(L';', start);
    if (end == Text::npos) end = list.size();
    if (end > start) folders.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

std::string factsFieldName(std::size_t i) {
  if (i == 0) return "path";
  const std::size_t fact = (i - 1) / 3;
  if (fact >= factCount) return "field " + std::to_string(i);
  static const char* const parts[] = {" state", " cell", " json"};
  return std::string(factColumns[fact].jsonKey) + parts[(i - 1) % 3];
}

}  // namespace vemdrol
