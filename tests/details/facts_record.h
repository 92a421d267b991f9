// The facts of a file as one line of text, for comparing what the Windows
// build and the Linux build find for the same files (scripts/facts-agree):
// the path, then for each fact its state, its cell and its JSON value.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "details/file_facts.h"

namespace vemdrol {

// The fields of a record: the path, then three per fact in the order of
// factColumns (state "value", "unavailable" or "notAsked"; cell; JSON value
// or "null").
std::vector<Text> factsFields(TextView path, const FileFacts& facts);

// Records, one a line, as UTF-16LE, so that no code page stands between the
// two builds; tabs, line breaks and backslashes inside fields are escaped.
std::string encodeRecords(const std::vector<std::vector<Text>>& records);
std::vector<std::vector<Text>> decodeRecords(std::string_view bytes);

// The folders whose program files both builds read, from the list
// scripts/facts-agree passes (VEMDROL_FACTS_FOLDERS, separated by ';').
std::vector<Text> factsFolders(const Text& list);

// The name of field i of a record, for messages: "path", "会社名 state", ...
std::string factsFieldName(std::size_t i);

}  // namespace vemdrol
