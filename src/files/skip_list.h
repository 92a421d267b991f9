// The skip list: names of program files whose version resource is never
// read. Three built-in names, replaced by the skip-list file once it exists,
// and every file during whose reading a rebuild was cut off.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

using SkipList = std::vector<Text>;

SkipList builtInSkipList();

// If the last entry is not empty, an empty one is added first; the text then
// goes into the last entry. A list holding one empty entry takes its first
// text in that entry.
void addToSkipList(SkipList& list, TextView entry);

// The skip-list file's fields, each a name; empty fields are passed over.
// The list is replaced by one empty entry first.
void readSkipListFile(std::string_view bytes, SkipList& list);

// The file name a trace log leaves as its last candidate: the text after the
// last "\" of the last line that is not "開始", "終了" or a folder line, and
// nothing when "終了" came after it. Every field counts as a line.
Text traceLogCandidate(std::string_view bytes);

// The skip-list file: one double-quoted line per entry that is not empty.
std::string skipListFileBytes(const SkipList& list);

}  // namespace vemdrol
