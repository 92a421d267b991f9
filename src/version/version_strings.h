// The description ("FileDescription") and legal-notice ("LegalCopyright")
// texts of a program file's version resource, as the list's two text columns
// show them.
#pragma once

#include <vector>

#include "base/text.h"
#include "os/version_resource.h"

namespace vemdrol {

enum class VersionStringsOutcome {
  skipped,        // the file's name is on the skip list; the file was not touched
  noInformation,  // no file, no program file, or no version resource
  read,           // the resource was read (its strings may still be empty)
  failed,         // reading failed; see statusMessage
};

// The first column's text for the outcomes that read no strings.
inline constexpr TextView skippedText = L"処理回避";
inline constexpr TextView noInformationText = L"情報なし";
inline constexpr TextView failedText = L"エラー発生";
// Starts the status-line message of a failure.
inline constexpr TextView failureLabel = L"WVerINformationExit ";

struct VersionStrings {
  VersionStringsOutcome outcome = VersionStringsOutcome::noInformation;
  // The two columns. For a resource that was read, the two texts; for the
  // other outcomes, the outcome's text above and "" (for a failure: the
  // status-line message).
  Text description;
  Text legalCopyright;
  // For a failure, the text to show in the status line: failureLabel, the
  // error number, " 内容=" and the error's description. "" otherwise.
  Text statusMessage;
};

// "\StringFileInfo\" with language and code page as four upper-case hex
// digits each, and "\": the string table of that translation.
Text stringTablePrefix(const Translation& translation);

// The two texts of the file at path, taken from the string table of the
// resource's first translation (language 0, code page 0 when the resource
// has no translation table). A file whose name (the text after the last
// "\") equals an entry of skipList, ignoring case, is not read at all. Empty
// entries match no name.
//
// The texts keep every character the resource holds; only the inventory
// file, saved in the ANSI code page, writes "?" for those it cannot hold.
VersionStrings WVerINformation(VersionResourceReader& versions, TextView path,
                               const std::vector<Text>& skipList);

// The one-text form of the result: the two columns, each followed by ";",
// such as "メモ帳;;" or "処理回避;;". The fields are not escaped, so a ";"
// inside a description moves the rest into the second field for anyone who
// splits the text again; callers that can, take the two fields instead.
Text versionStringsText(const VersionStrings& strings);

}  // namespace vemdrol
