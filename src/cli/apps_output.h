// The installed applications a run from the command line writes, from
// vemdrol.exe (/apps) or the scanner (--apps) alike: the list Programs and
// Features shows, or every entry with the hidden ones marked, compared
// with an earlier list when asked, sorted, in one of the export formats.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "apps/app_fields.h"
#include "cli/command_line.h"
#include "compare/app_comparison.h"
#include "export/export_table.h"
#include "os/filesystem.h"

namespace vemdrol {

class AppsOutput {
 public:
  // all: the hidden entries too, with a column that marks them.
  AppsOutput(const std::vector<InstalledApp>& apps, bool all);

  // The 差分 column comes first, removed entries last; with changedOnly
  // the entries that are 同じ go. Without all, the earlier list's hidden
  // entries are left out as the newer ones are.
  void compareWith(const std::vector<AppRecord>& older, bool changedOnly);

  std::vector<Text> columnNames() const { return columnNames(compared_, all_); }
  static std::vector<Text> columnNames(bool compared, bool all);
  std::size_t rowCount() const { return entries_.size(); }
  // Stable, by the first key, then the second: dates as dates, sizes as
  // numbers, versions as versions. An error names a column there is not.
  Status sortBy(std::span<const SortRequest> sort);

  // The whole file; the inventory file's format holds no applications and
  // gives nothing.
  std::string bytes(OutputFormat format, const ExportInfo& info) const;

 private:
  struct Entry {
    AppTexts texts;
    std::optional<AppTexts> old;
    Text change;
    bool hidden = false;
  };
  class Rows;

  static std::vector<ExportColumn> columns(bool compared, bool all);
  TextView cell(const Entry& entry, std::size_t column) const;

  std::vector<Entry> entries_;
  bool all_;
  bool compared_ = false;
};

// The entries of an earlier list for a comparison: a JSON export of the
// applications, or the list kept in the state file beside an inventory
// file (Vemdrol.state beside the Vemdrol.Cnt named). message is empty
// when all was well, else what to say: "比較する一覧 NAME を読めません: "
// and why.
struct OlderApps {
  std::optional<std::vector<AppRecord>> records;
  Text message;
};
OlderApps readOlderApps(FileSystem& files, TextView path, TextView shownAs);

// The records of the applications as a comparison takes them.
std::vector<AppRecord> appRecords(const std::vector<InstalledApp>& apps);

}  // namespace vemdrol
