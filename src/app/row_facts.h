// The details of the list's program files as the window shows them
// (details/row_details.h): the columns they fill beside the list's own, the
// parts a file is read in, and what is known of each file for the whole run.
//
// The window never reads a detail while it builds or loads the list. It asks
// for those of the rows it draws, and for every row when a sort or a copy
// needs them; a worker reads them (app/detail_worker.h) and they are kept
// here by the file's path, letter case ignored.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <unordered_map>

#include "details/row_details.h"
#include "rows/list_model.h"

namespace vemdrol {

// The columns a view can show, by one number each: the list's own columns
// first (0 to 4), then the detail columns in the order of detailColumns,
// then a comparison's 差分 column.
inline constexpr std::size_t firstDetailColumn = cellCount;
inline constexpr std::size_t changeColumn = firstDetailColumn + detailCount;
inline constexpr TextView changeColumnName = L"差分";

inline constexpr bool isDetailColumn(std::size_t column) {
  return column >= firstDetailColumn && column < changeColumn;
}
inline constexpr std::size_t detailOf(std::size_t column) { return column - firstDetailColumn; }

// The widths the detail columns and the 差分 column start with, in twips:
// each wide enough for its usual texts (a SHA-256 shows its start; its
// tooltip shows the rest).
inline constexpr std::array<long, detailCount> detailWidthsTwips{
    2500, 2500, 1800, 1800, 1800, 1300, 2800, 2800, 1200, 3000, 2500, 1800, 5000};
inline constexpr long changeWidthTwips = 2200;

// The parts a file's details are read in, as bits: the facts but the hash,
// the hash, the signature. Each costs more than the one before.
enum DetailPart : unsigned {
  factsPart = 1u,
  hashPart = 2u,
  signaturePart = 4u,
};

// The part that fills a detail column (0 to detailCount - 1); none for
// 登録場所, which is the row's own.
unsigned detailPartOf(std::size_t detail);
// The parts to read for the wanted ones: the hash comes with the facts.
DetailParts detailPartsToRead(unsigned parts);
unsigned readParts(unsigned parts);

// What is known of each file, by its folded path, and what has been asked
// for and not yet come.
class FactsCache {
 public:
  // The key of a path: the path folded, so that letter case does not count.
  static Text keyOf(TextView path) { return foldCase(path); }

  // The cell of a detail column, nullopt while its part is not known.
  std::optional<TextView> cell(const Text& key, std::size_t detail) const;
  bool knows(const Text& key, unsigned parts) const;
  // Known, and not only remembered from an earlier run.
  bool confirmed(const Text& key, unsigned parts) const;
  // The file's signature, once its part is known; nullopt before, and when
  // the file could not be read.
  std::optional<SignatureFacts> signature(const Text& key) const;
  // A signature remembered from an earlier run: known at once, and still
  // asked for (ask) until a reading confirms it.
  void remember(const Text& key, const SignatureFacts& facts);
  // Of the parts wanted, those to ask the worker for: neither known nor
  // asked for yet, or, for a row on screen (urgent), not asked for urgently
  // yet, so that it goes before a sort's long queue. They count as asked
  // for from now on.
  unsigned ask(const Text& key, unsigned parts, bool urgent);
  // A reading came: its parts are known, and no longer asked for.
  void store(const Text& key, unsigned parts, const RowDetails& details);
  // What was asked for will not come (the reading was cancelled).
  void forgetAsked();
  std::size_t size() const { return files_.size(); }

 private:
  struct File {
    RowDetails details;
    unsigned known = 0;
    unsigned remembered = 0;  // of known, the parts not read in this run
    unsigned asked = 0;
    unsigned askedUrgently = 0;
  };
  std::unordered_map<Text, File> files_;
};

// Rows waiting for details before a sort or a copy can go on: how many rows
// of each file wait, and how many have had theirs.
class FactsWait {
 public:
  explicit FactsWait(unsigned parts) : parts_(parts) {}

  unsigned parts() const { return parts_; }
  // A row whose file's details are not all known.
  void addRow(const Text& key);
  // The file's details are all known now: its rows wait no longer.
  void arrived(const Text& key);
  bool done() const { return rowsDone_ == rowsTotal_; }
  std::size_t rowsDone() const { return rowsDone_; }
  std::size_t rowsTotal() const { return rowsTotal_; }

 private:
  unsigned parts_;
  std::unordered_map<Text, std::size_t> rowsOfFile_;
  std::size_t rowsDone_ = 0;
  std::size_t rowsTotal_ = 0;
};

// "詳細を取得中 1,234 / 15,000", what the status line shows while rows wait.
Text factsProgressText(std::size_t done, std::size_t total);
inline constexpr TextView factsProgressStart = L"詳細を取得中";

}  // namespace vemdrol
