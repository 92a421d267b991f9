// Two inventories side by side: what an installer or an update changed.
//
// Rows are matched on the program path ignoring letter case, then on the
// type column ignoring letter case. Rows that match are the same file: 同じ
// when their other texts (定義, アプリケーション, バージョン) are equal, 変更
// otherwise; a row without a partner is 追加 (only in the newer inventory)
// or 削除 (only in the older). Among several rows with the same path and
// type, equal rows pair first and the rest in the order of their texts, so
// the result does not depend on the order of either inventory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "files/inventory_file.h"
#include "os/filesystem.h"

namespace vemdrol {

enum class Change { added, removed, changed, same };

// A row of the comparison points into the two inventories compared, which
// must outlive it.
struct ComparedRow {
  Change change = Change::same;
  // The newer texts; the older ones for a removed row.
  const InventoryRecord* texts = nullptr;
  // The older texts of a changed row.
  const InventoryRecord* old = nullptr;
  // The columns whose texts differ in a changed row, one bit per column
  // (bit k for column k).
  unsigned changedColumns = 0;
};

// The newer rows in their order, each with its change, then the removed rows
// in the older inventory's order. olderAsFileHolds: the older texts are as
// a bare inventory file holds them (state/kept_inventory.h), and the newer
// ones are matched and compared as that file would hold them, so that a
// "©" the file kept as "?" is no change; the rows still point to the newer
// texts as they are.
std::vector<ComparedRow> compareInventories(std::span<const InventoryRecord> newer,
                                            std::span<const InventoryRecord> older,
                                            bool olderAsFileHolds = false);

// 追加, 削除, 同じ, or 変更 with the changed columns' names, e.g.
// "変更 (バージョン)".
Text changeText(const ComparedRow& row, std::span<const Text> columnNames);

// The 差分 cell's words for any list: 追加, 削除, 同じ, or 変更 with the
// names of the changed columns (bit i of changed for column i, the names
// of the first columnCount columns).
Text changeWords(Change change, std::uint32_t changed, std::size_t columnCount,
                 const std::function<TextView(std::size_t)>& columnName);

// An earlier inventory read for a comparison: its rows, when the file could
// be read, and what to tell of it, empty when nothing was amiss:
// "比較する一覧 NAME を読めません: " and the error, or "比較する一覧 NAME の 3
// 行が壊れています (12, 15, 20 行目)。読めた行だけを比べました", naming at most
// maxLines lines, "…" for the rest. NAME is shownAs, left out when empty (the
// window, where the user has just chosen the file).
struct OlderInventory {
  std::optional<CheckedInventory> read;
  Text message;
};
// An inventory file is read whole from its state file (the same name with
// ".state") where that belongs to it; a state file chosen itself is read as
// it is.
OlderInventory readOlderInventory(FileSystem& files, TextView path, TextView shownAs,
                                  std::size_t maxLines);

}  // namespace vemdrol
