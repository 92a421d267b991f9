// The rows of a JSON file that Vemdrol exported (export/exporter.h), read
// back for a comparison with the list as it is now: each row's keys with
// their values as texts. A string is its text, a number its digits as
// written, null and a missing key empty, true and false "true" and
// "false"; an object or array inside a row (the "old" texts of a compared
// export) is passed over.
//
// The file must be one JSON object holding "rows", an array of objects;
// anything else, text after the object, a file larger than maxAppsJsonSize
// or nesting deeper than maxAppsJsonDepth is refused with
// Fault::notJsonExport and the byte where reading stopped. UTF-8, with or
// without a byte order mark; an escaped unpaired surrogate is kept as it
// is, as the exporter writes one.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

struct ExportedRow {
  std::vector<std::pair<std::string, Text>> fields;

  // The value of the key; empty when the row has none.
  TextView field(std::string_view key) const;
};

Result<std::vector<ExportedRow>> readExportedRows(std::string_view bytes);

// Whether the bytes look like JSON at all (a "{" after blanks and a byte
// order mark), as against an inventory file.
bool looksLikeJson(std::string_view bytes);

}  // namespace vemdrol
