// The trace log: the lines of the latest rebuild, each on disk before the
// step it announces runs, so that the next start can tell which program file
// a rebuild that died was reading.
#pragma once

#include "files/program_files.h"

namespace vemdrol {

inline constexpr const wchar_t* traceStartLine = L"開始";
inline constexpr const wchar_t* traceEndLine = L"終了";
inline constexpr const wchar_t* folderLineSuffix = L"内の調査";

class TraceLog {
 public:
  explicit TraceLog(const ProgramFolder& folder) : folder_(folder) {}

  // Creates the log, or empties it, with "開始" as its first line.
  Status start();
  // Opens, writes one line and closes; the line is complete on return.
  Status append(TextView line);

 private:
  const ProgramFolder& folder_;
};

}  // namespace vemdrol
