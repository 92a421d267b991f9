#include "compare/comparison.h"

#include <algorithm>
#include <unordered_map>

#include "files/error_message.h"
#include "state/kept_inventory.h"

namespace vemdrol {

namespace {

constexpr std::size_t typeColumn = 0;
constexpr std::size_t pathColumn = 3;
// The columns that tell whether a matched file changed; type and path are
// what matched it.
constexpr std::size_t comparedColumns[] = {1, 2, 4};

Text matchKey(const InventoryRecord& record) {
  Text key = foldCase(record[pathColumn]);
  key += L'\0';
  key += foldCase(record[typeColumn]);
  return key;
}

bool sameTexts(const InventoryRecord& a, const InventoryRecord& b) {
  return std::all_of(std::begin(comparedColumns), std::end(comparedColumns),
                     [&](std::size_t k) { return a[k] == b[k]; });
}

// An order of the compared texts, for pairing what is left of a group.
bool textsBefore(const InventoryRecord& a, const InventoryRecord& b) {
  for (const std::size_t k : comparedColumns) {
    if (a[k] != b[k]) return a[k] < b[k];
  }
  return false;
}

constexpr std::size_t none = static_cast<std::size_t>(-1);

Text olderName(TextView path) {
  return path.empty() ? Text(L"比較する一覧") : L"比較する一覧 " + Text(path) + L" ";
}

// The rows of one side that share a match key, as a list threaded through an
// array: no allocation per group.
struct Side {
  explicit Side(std::span<const InventoryRecord> records)
      : records(records), next(records.size(), none) {}
  std::span<const InventoryRecord> records;
  std::vector<std::size_t> next;
  std::vector<std::size_t> members(std::size_t first) const {
    std::vector<std::size_t> all;
    for (std::size_t i = first; i != none; i = next[i]) all.push_back(i);
    return all;
  }
};

struct Group {
  std::size_t firstNewer = none;
  std::size_t firstOlder = none;
  std::size_t newerCount = 0;
  std::size_t olderCount = 0;
};

// Pairs the rows of a group that has more than one row on a side: equal rows
// first, walking both sorted lists like a merge, then what is left in the
// order of its texts.
void pairGroup(const Group& group, const Side& newer, const Side& older,
               std::vector<std::size_t>& partnerOfNewer, std::vector<bool>& olderMatched) {
  std::vector<std::size_t> n = newer.members(group.firstNewer);
  std::vector<std::size_t> o = older.members(group.firstOlder);
  const auto byTexts = [](std::span<const InventoryRecord> records) {
    return [records](std::size_t a, std::size_t b) {
      return textsBefore(records[a], records[b]) || (!textsBefore(records[b], records[a]) && a < b);
    };
  };
  std::sort(n.begin(), n.end(), byTexts(newer.records));
  std::sort(o.begin(), o.end(), byTexts(older.records));
  std::vector<std::size_t> newerLeft;
  std::vector<std::size_t> olderLeft;
  std::size_t a = 0;
  std::size_t b = 0;
  while (a < n.size() && b < o.size()) {
    const InventoryRecord& x = newer.records[n[a]];
    const InventoryRecord& y = older.records[o[b]];
    if (sameTexts(x, y)) {
      partnerOfNewer[n[a++]] = o[b];
      olderMatched[o[b++]] = true;
    } else if (textsBefore(x, y)) {
      newerLeft.push_back(n[a++]);
    } else {
      olderLeft.push_back(o[b++]);
    }
  }
  newerLeft.insert(newerLeft.end(), n.begin() + static_cast<std::ptrdiff_t>(a), n.end());
  olderLeft.insert(olderLeft.end(), o.begin() + static_cast<std::ptrdiff_t>(b), o.end());
  for (std::size_t k = 0; k < newerLeft.size() && k < olderLeft.size(); ++k) {
    partnerOfNewer[newerLeft[k]] = olderLeft[k];
    olderMatched[olderLeft[k]] = true;
  }
}

}  // namespace

std::vector<ComparedRow> compareInventories(std::span<const InventoryRecord> newer,
                                            std::span<const InventoryRecord> older,
                                            bool olderAsFileHolds) {
  if (olderAsFileHolds) {
    std::vector<InventoryRecord> held(newer.begin(), newer.end());
    for (InventoryRecord& record : held) {
      for (Text& cell : record) cell = asInventoryFileHolds(cell);
    }
    std::vector<ComparedRow> rows = compareInventories(held, older, false);
    // The rows show the newer texts as they are.
    for (ComparedRow& row : rows) {
      if (row.change != Change::removed) row.texts = &newer[row.texts - held.data()];
    }
    return rows;
  }
  std::vector<Text> keys;
  keys.reserve(newer.size() + older.size());
  for (const InventoryRecord& record : newer) keys.push_back(matchKey(record));
  for (const InventoryRecord& record : older) keys.push_back(matchKey(record));
  // Views into keys, which does not move from here on.
  std::unordered_map<TextView, Group> groups;
  groups.reserve(keys.size());
  Side newerSide(newer);
  Side olderSide(older);
  // Threaded from the last row to the first, so each list runs in file order.
  for (std::size_t i = newer.size(); i-- > 0;) {
    Group& group = groups[keys[i]];
    newerSide.next[i] = group.firstNewer;
    group.firstNewer = i;
    ++group.newerCount;
  }
  for (std::size_t j = older.size(); j-- > 0;) {
    Group& group = groups[keys[newer.size() + j]];
    olderSide.next[j] = group.firstOlder;
    group.firstOlder = j;
    ++group.olderCount;
  }

  std::vector<std::size_t> partnerOfNewer(newer.size(), none);
  std::vector<bool> olderMatched(older.size(), false);
  for (const auto& [key, group] : groups) {
    if (group.newerCount == 0 || group.olderCount == 0) continue;
    if (group.newerCount == 1 && group.olderCount == 1) {
      partnerOfNewer[group.firstNewer] = group.firstOlder;
      olderMatched[group.firstOlder] = true;
    } else {
      pairGroup(group, newerSide, olderSide, partnerOfNewer, olderMatched);
    }
  }

  std::vector<ComparedRow> rows;
  rows.reserve(newer.size() + older.size());
  for (std::size_t i = 0; i < newer.size(); ++i) {
    ComparedRow row;
    row.texts = &newer[i];
    if (partnerOfNewer[i] == none) {
      row.change = Change::added;
    } else {
      const InventoryRecord& was = older[partnerOfNewer[i]];
      for (const std::size_t k : comparedColumns) {
        if (newer[i][k] != was[k]) row.changedColumns |= 1u << k;
      }
      if (row.changedColumns != 0) {
        row.change = Change::changed;
        row.old = &was;
      }
    }
    rows.push_back(row);
  }
  for (std::size_t j = 0; j < older.size(); ++j) {
    if (olderMatched[j]) continue;
    ComparedRow row;
    row.change = Change::removed;
    row.texts = &older[j];
    rows.push_back(row);
  }
  return rows;
}

Text changeWords(Change change, std::uint32_t changed, std::size_t columnCount,
                 const std::function<TextView(std::size_t)>& columnName) {
  switch (change) {
    case Change::added:
      return L"追加";
    case Change::removed:
      return L"削除";
    case Change::same:
      return L"同じ";
    case Change::changed:
      break;
  }
  Text text = L"変更 (";
  bool first = true;
  for (std::size_t column = 0; column < columnCount && column < 32; ++column) {
    if ((changed & (std::uint32_t{1} << column)) == 0) continue;
    if (!first) text += L", ";
    text += columnName(column);
    first = false;
  }
  text += L")";
  return text;
}

Text changeText(const ComparedRow& row, std::span<const Text> columnNames) {
  return changeWords(row.change, row.changedColumns,
                     std::min<std::size_t>(columnNames.size(), inventoryFieldCount),
                     [columnNames](std::size_t column) { return TextView(columnNames[column]); });
}

OlderInventory readOlderInventory(FileSystem& files, TextView path, TextView shownAs,
                                  std::size_t maxLines) {
  OlderInventory older;
  Result<std::string> bytes = files.readFile(path);
  if (!bytes) {
    older.message = olderName(shownAs) + L"を読めません: " + errorMessage(L"", bytes.error());
    return older;
  }
  // A state file chosen itself has no inventory file to belong to; one
  // beside an inventory file must belong to it.
  std::variant<KeptState, StateUnavailable> whole = StateUnavailable::missing;
  if (looksLikeStateFile(bytes.value())) {
    whole = readStateAlone(bytes.value());
    if (const auto* why = std::get_if<StateUnavailable>(&whole)) {
      older.message =
          olderName(shownAs) + L"を読めません: " +
          (*why == StateUnavailable::newerVersion ? L"新しい版の Vemdrol が保存した形式です"
                                                  : L"壊れています");
      return older;
    }
  } else if (Result<std::string> beside = files.readFile(stateFilePathFor(path)); beside) {
    whole = readKeptState(std::move(beside).value(), bytes.value());
  }
  if (auto* kept = std::get_if<KeptState>(&whole)) {
    CheckedInventory& read = older.read.emplace();
    read.records.reserve(kept->rows.size());
    for (KeptRow& row : kept->rows) read.records.push_back(std::move(row.cells));
    read.wholeTexts = true;
    return older;
  }
  const CheckedInventory& read = older.read.emplace(readCheckedInventory(bytes.value()));
  if (read.damagedLines == 0) return older;
  Text lines;
  const std::size_t named = std::min(maxLines, read.damaged.size());
  for (std::size_t i = 0; i < named; ++i) {
    if (!lines.empty()) lines += L", ";
    lines += std::to_wstring(read.damaged[i]);
  }
  if (read.damagedLines > named) lines += L", …";
  older.message = olderName(shownAs) + L"の " + std::to_wstring(read.damagedLines) +
                  L" 行が壊れています (" + lines + L" 行目)。読めた行だけを比べました";
  return older;
}

}  // namespace vemdrol
