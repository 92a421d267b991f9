// The program's own files: the trace log, the inventory file and the skip
// list all lie in the program's folder. Also the one test of whether a
// program file is there.
#pragma once

#include "base/error.h"
#include "base/text.h"
#include "os/filesystem.h"

namespace vemdrol {

inline constexpr const wchar_t* traceLogName = L"AppTrace.TXT";
// Read as "Vemdrol.cnt" and written as "Vemdrol.Cnt"; the file system seam
// makes both one file on every file system.
inline constexpr const wchar_t* inventoryFileReadName = L"Vemdrol.cnt";
inline constexpr const wchar_t* inventoryFileWriteName = L"Vemdrol.Cnt";
inline constexpr const wchar_t* skipListName = L"AppSkip.cnt";

struct ProgramFolder {
  FileSystem& files;
  // Without a final "\" (except a drive root).
  Text folder;

  // The folder, "\" and the name.
  Text path(TextView name) const;
};

// Whether path names a file that counts as present: ordinary and hidden files
// do, folders and system files do not. The path is taken literally, wildcard
// characters included. The same rule serves the builder, which lists hidden
// programs, and the loading of saved rows, so a row the builder listed is not
// dropped at the next start. An error means the answer is unknown.
Result<bool> filePresent(FileSystem& files, TextView path);

}  // namespace vemdrol
