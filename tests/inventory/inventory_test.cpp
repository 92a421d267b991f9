#include "inventory/inventory.h"

#include <gtest/gtest.h>

#include "inventory/pass_end.h"
#include "inventory/recording_display.h"

namespace vemdrol {
namespace {

using testing::RecordingDisplay;

Inventory withPaths(std::initializer_list<const wchar_t*> paths) {
  Inventory inventory;
  long long order = 0;
  for (const wchar_t* path : paths) inventory.append(L"type", L"", L"", path, order++);
  return inventory;
}

TEST(Inventory, GrowthKeepsEntriesAndSizesEverySequence) {
  Inventory inventory;
  EXPECT_EQ(inventory.lastIndex(), -1);
  inventory.append(L"a", L"(標準)", L"x", L"p", 4);
  inventory.grow(2);
  EXPECT_EQ(inventory.lastIndex(), 2);
  for (const auto* sequence : {&inventory.fileType, &inventory.definition, &inventory.appName,
                               &inventory.fullPath, &inventory.version}) {
    EXPECT_EQ(sequence->size(), 3u);
  }
  EXPECT_EQ(inventory.fileType[0], L"a");
  EXPECT_EQ(inventory.creationOrder[0], 4);
  EXPECT_EQ(inventory.fileType[2], L"");
  EXPECT_EQ(inventory.creationOrder[2], 0);
}

TEST(Inventory, CompactionDropsDeletedEntriesAndLeavesVersionAlone) {
  Inventory inventory = withPaths({L"p0", L"p1", L"p2", L"p3"});
  inventory.version = {L"v0", L"v1", L"v2", L"v3"};
  inventory.remove(1);
  // Only fileType, definition and appName decide; a path alone does not keep
  // an entry, and an application name alone does.
  inventory.fileType[3].clear();
  inventory.appName[3] = L"only this";
  inventory.fileType[2].clear();
  inventory.fullPath[2] = L"path only";

  std::size_t visited = 0;
  inventory.compact([&](std::size_t) { ++visited; });
  EXPECT_EQ(visited, 4u);
  ASSERT_EQ(inventory.lastIndex(), 1);
  EXPECT_EQ(inventory.fullPath[0], L"p0");
  EXPECT_EQ(inventory.appName[1], L"only this");
  EXPECT_EQ(inventory.creationOrder[1], 3);
  EXPECT_EQ(inventory.fileType.size(), 2u);
  // version keeps its four elements at their indices.
  EXPECT_EQ(inventory.version, (std::vector<Text>{L"v0", L"v1", L"v2", L"v3"}));

  // A later growth sizes version like the others again.
  inventory.grow(1);
  EXPECT_EQ(inventory.version.size(), 3u);
  EXPECT_EQ(inventory.version[2], L"v2");
}

TEST(PassEnd, SortsOnlyAfterThePassThatAsksForIt) {
  RecordingDisplay display;
  Inventory inventory = withPaths({L"b", L"A", L"c"});
  endPass(BuildPass::fifthSorted, inventory, display);
  EXPECT_EQ(inventory.fullPath, (std::vector<Text>{L"b", L"A", L"c"}));
  endPass(BuildPass::fifth, inventory, display);
  EXPECT_EQ(inventory.fullPath, (std::vector<Text>{L"A", L"b", L"c"}));
  // Whole entries move, not just the key.
  EXPECT_EQ(inventory.creationOrder, (std::vector<long long>{1, 0, 2}));
  EXPECT_EQ(display.passesEnded,
            (std::vector<BuildPass>{BuildPass::fifthSorted, BuildPass::fifth}));
}

TEST(PassEnd, SortKeepsEveryTypeKeyTogether) {
  // The blank before "\" keeps "txtfile" entries apart from "txtfile2" ones,
  // and "\" before "." keeps Word.Document apart from Word.Document.8.
  RecordingDisplay display;
  Inventory inventory = withPaths({
      L"R\\txtfile2 \\000010",
      L"R\\txtfile\\shell\\open\\command \\000012",
      L"R\\Word.Document.8 \\000003",
      L"R\\txtfile \\000011",
      L"R\\txtfile \\000004",
      L"R\\Word.Document\\shell\\open\\command \\000009",
      L"R\\Word.Document \\000001",
  });
  endPass(sortingPass, inventory, display);
  EXPECT_EQ(inventory.fullPath, (std::vector<Text>{
                                    L"R\\txtfile \\000004",
                                    L"R\\txtfile \\000011",
                                    L"R\\txtfile\\shell\\open\\command \\000012",
                                    L"R\\txtfile2 \\000010",
                                    L"R\\Word.Document \\000001",
                                    L"R\\Word.Document\\shell\\open\\command \\000009",
                                    L"R\\Word.Document.8 \\000003",
                                }));
}

TEST(PassEnd, EmptyInventoryStaysEmpty) {
  RecordingDisplay display;
  Inventory inventory;
  endPass(sortingPass, inventory, display);
  EXPECT_EQ(inventory.lastIndex(), -1);
  inventory = withPaths({L"x"});
  inventory.remove(0);
  endPass(BuildPass::first, inventory, display);
  EXPECT_EQ(inventory.lastIndex(), -1);
  EXPECT_TRUE(inventory.fileType.empty());
}

TEST(Inventory, NumbersAreBareDecimalDigits) {
  EXPECT_EQ(Inventory::numberText(0), L"0");
  EXPECT_EQ(Inventory::numberText(123), L"123");
}

}  // namespace
}  // namespace vemdrol
