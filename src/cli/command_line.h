// The command line of vemdrol.exe. Without a switch the program starts as it
// always has: with its window, or rebuilding unattended when the argument
// text holds "作成". A switch (an argument starting with "/" or "-", letter
// case ignored) asks for a run without any window that writes the inventory
// to files:
//   /scomma FILE  /stab FILE  /shtml FILE  /sjson FILE   (any of them, each once or more)
//   /saved        export the saved inventory instead of rebuilding it
//   /sort COLUMN  by a column's name or its number from 1; "~" before it
//                 sorts descending; twice for a second key
//   /details      the facts and the signature of each row's file as well
//   /hidemicrosoft  without the rows whose file has a verified Microsoft signature
//   /unverified   only the rows whose file has no signature that verifies
//   /compare OLD  compared with an earlier inventory file: a 差分 column
//   /changed      with /compare: only the rows that are not 同じ
//   /apps         the installed applications instead of the program files
//   /all          with /apps: the entries Programs and Features hides too
//   /?            the usage
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "rows/row_order.h"
#include "trust/signature_filter.h"

namespace vemdrol {

enum class OutputFormat { csv, tabSeparated, html, json, inventoryFile };

struct OutputTarget {
  OutputFormat format;
  Text file;
};

// A sort column as given on the command line.
struct SortRequest {
  Text column;
  bool descending = false;
};

// The column among names (as the list shows them, letter case ignored) or
// by its number from 1; an error that names it when there is none.
Result<RowSortKey> resolveSortColumn(const SortRequest& request, std::span<const Text> names);

// "~名前" or "名前".
SortRequest sortRequestOf(TextView text);

struct CommandLineRequest {
  enum class Mode {
    window,          // no switch: the program as it always was
    usage,           // /?
    run,             // write the outputs
    badCommandLine,  // problem says why
  };
  Mode mode = Mode::window;
  std::vector<OutputTarget> outputs;
  bool saved = false;
  std::vector<SortRequest> sort;
  bool details = false;
  SignatureFilter signatureFilter;
  Text compareWith;  // empty: no comparison
  bool changedOnly = false;
  bool apps = false;
  bool allApps = false;
  Text problem;
};

// arguments: the argument text, without the program's own name.
CommandLineRequest parseCommandLine(TextView arguments);

// The usage, in Japanese, one text with "\n" between its lines.
Text usageText();

}  // namespace vemdrol
