// One rebuild asks about the same program file many times: every type that a
// program opens names it again, a library's version number is followed by its
// texts, and the folder scan meets the file once more. Under Windows each
// question opens and maps the file, and on a machine with tens of thousands
// of types those repeats cost more than the whole registry walk. Within one
// rebuild a file's version number is taken as fixed, so it is read once; the
// next rebuild starts afresh with a new memo.
//
// The folder scan does not take a new file's texts from here: it reads them
// afresh after the file's path is in the trace log, so that a file whose
// reading kills the program is found at the end of the log.
#pragma once

#include <unordered_map>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "os/version_resource.h"
#include "version/version_strings.h"

namespace vemdrol {

class VersionMemo {
 public:
  // versions and skipList must outlive the memo.
  VersionMemo(VersionResourceReader& versions, const std::vector<Text>& skipList)
      : versions_(versions), skipList_(skipList) {}

  // WVerNumber of the file, read once per file: paths that differ only in
  // letter case name the same file. Only the number texts are kept, a few
  // dozen bytes a file. A failure is not kept: it reaches the caller as
  // WVerNumber's does.
  Result<Text> number(TextView path);

  // WVerINformation of the file with the skip list. For the file whose
  // number was read last, from that same read; otherwise read now.
  VersionStrings strings(TextView path);

 private:
  VersionResourceReader& versions_;
  const std::vector<Text>& skipList_;
  std::unordered_map<Text, Text> numbers_;
  // The folded path of the last file read, and its texts.
  Text lastPath_;
  VersionStrings lastStrings_;
};

}  // namespace vemdrol
