#include "files/skip_list.h"

#include "base/paths.h"
#include "files/field_reader.h"
#include "files/trace_log.h"
#include "os/codepage.h"

namespace vemdrol {

SkipList builtInSkipList() { return {L"msir2jp.dll", L"Tablet.exe", L"VB5.EXE"}; }

void addToSkipList(SkipList& list, TextView entry) {
  if (list.empty() || !list.back().empty()) list.emplace_back();
  list.back() = entry;
}

void readSkipListFile(std::string_view bytes, SkipList& list) {
  list.assign(1, Text());
  FieldReader reader(bytes);
  while (!reader.atEnd()) {
    Result<std::string_view> field = reader.readField();
    if (!field) break;
    if (!field.value().empty()) addToSkipList(list, fromAnsi(field.value()));
  }
}

Text traceLogCandidate(std::string_view bytes) {
  Text candidate;
  FieldReader reader(bytes);
  while (!reader.atEnd()) {
    Result<std::string_view> read = reader.readField();
    if (!read) break;
    const Text field = fromAnsi(read.value());
    if (equalNoCase(field, traceEndLine)) candidate.clear();
    if (!equalNoCase(field, traceStartLine) && !equalNoCase(field, traceEndLine) &&
        !endsWithNoCase(field, folderLineSuffix)) {
      candidate = field.substr(directoryOf(field).size());
    }
  }
  return candidate;
}

std::string skipListFileBytes(const SkipList& list) {
  std::string bytes;
  for (const Text& entry : list) {
    if (entry.empty()) continue;
    bytes += '"';
    bytes += toAnsi(entry);
    bytes += "\"\r\n";
  }
  return bytes;
}

}  // namespace vemdrol
