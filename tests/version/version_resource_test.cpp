#include "formats/pe/version_resource.h"

#include <gtest/gtest.h>

#include <string>

#include "base/utf16.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

constexpr TextView description = L"\\StringFileInfo\\041104B0\\FileDescription";

std::optional<VersionResource> parse(const VersionNode& root) {
  return VersionResource::fromBlock(serialize(root));
}

// A root with one string table "041104B0" holding strings.
VersionNode rootWithStrings(std::vector<VersionNode> strings) {
  return versionInfoNode(fixedFileInfo(0x00010002, 0x00030004),
                         {stringFileInfoNode({stringTableNode(L"041104B0", std::move(strings))}),
                          varFileInfoNode({{0x0411, 0x04B0}})});
}

// A text string node with the given value bytes and stored length.
VersionNode rawString(TextView key, std::string value, std::uint16_t valueLength) {
  return {Text(key), std::move(value), valueLength, 1, {}, std::nullopt};
}

TEST(VersionResource, AnswersTheQueriesOfTheVersionApi) {
  const VersionNode root = versionInfoNode(
      fixedFileInfo(0x00060000, 0x0B541588),
      {stringFileInfoNode(
           {stringTableNode(L"041104B0", {stringNode(L"FileDescription", L"メモ帳"),
                                          stringNode(L"LegalCopyright", L"(C) Example")})}),
       varFileInfoNode({{0x0411, 0x04B0}, {0x0409, 0x04E4}})});
  const std::optional<VersionResource> resource = parse(root);
  ASSERT_TRUE(resource);

  const auto fixed = resource->fixedFileVersion();
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->fileVersionMS, 0x00060000u);
  EXPECT_EQ(fixed->fileVersionLS, 0x0B541588u);
  EXPECT_EQ(resource->translations(),
            (std::vector<Translation>{{0x0411, 0x04B0}, {0x0409, 0x04E4}}));

  EXPECT_EQ(resource->stringValue(description), L"メモ帳");
  EXPECT_EQ(resource->stringValue(L"\\StringFileInfo\\041104B0\\LegalCopyright"), L"(C) Example");
  // Keys ignore case; empty components are skipped, as VerQueryValueW does.
  EXPECT_EQ(resource->stringValue(L"stringfileinfo\\\\041104b0\\FILEDESCRIPTION\\"), L"メモ帳");
  // Whole keys only.
  EXPECT_FALSE(resource->stringValue(L"\\StringFileInfo\\041104B0\\FileDesc"));
  EXPECT_FALSE(resource->stringValue(L"\\StringFileInfo\\041104B0\\FileDescriptionX"));
  EXPECT_FALSE(resource->stringValue(L"\\StringFileInfo\\040904E4\\FileDescription"));
  // An inner node has an empty value of its own.
  EXPECT_EQ(resource->stringValue(L"\\StringFileInfo"), Text());

  EXPECT_EQ(resource->bytes(), serialize(root));
}

TEST(VersionResource, KeepsOnlyTheRootsOwnBytes) {
  // What the Windows API returns: the block, then its scratch space.
  const std::string block = serialize(rootWithStrings({stringNode(L"FileDescription", L"d")}));
  const auto resource = VersionResource::fromBlock(block + "FE2X" + std::string(300, '\xCC'));
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->bytes(), block);
  EXPECT_EQ(resource->stringValue(description), L"d");
}

TEST(VersionResource, StringsEndAtTheirFirstNul) {
  const std::string abc = toUtf16Le(L"abc");
  const std::string nul(2, '\0');
  const auto resource = parse(rootWithStrings({
      rawString(L"CountsNul", abc + nul, 4),
      rawString(L"NoNul", abc + nul, 3),
      // Some compilers count bytes: the length reaches into the next node.
      rawString(L"CountsBytes", abc + nul, 8),
      rawString(L"Inner", toUtf16Le(L"ab") + nul + toUtf16Le(L"cd") + nul, 6),
      rawString(L"Empty", nul, 0),
      // A length past its node and no NUL in it: the node's end ends it, and
      // the next node's header follows without padding.
      rawString(L"Unbounded", toUtf16Le(L"wxyz"), 0xFFFF),
      stringNode(L"After", L"after"),
  }));
  ASSERT_TRUE(resource);
  const Text table = L"\\StringFileInfo\\041104B0\\";
  EXPECT_EQ(resource->stringValue(table + L"CountsNul"), L"abc");
  EXPECT_EQ(resource->stringValue(table + L"NoNul"), L"abc");
  EXPECT_EQ(resource->stringValue(table + L"CountsBytes"), L"abc");
  EXPECT_EQ(resource->stringValue(table + L"Inner"), L"ab");
  EXPECT_EQ(resource->stringValue(table + L"Empty"), Text());
  EXPECT_EQ(resource->stringValue(table + L"Unbounded"), L"wxyz");
  EXPECT_EQ(resource->stringValue(table + L"After"), L"after");
}

TEST(VersionResource, FixedInformationNeedsAWholeSignedBlock) {
  const auto without = parse(versionInfoNode(std::nullopt, {varFileInfoNode({{0x0411, 0x04B0}})}));
  ASSERT_TRUE(without);
  EXPECT_FALSE(without->fixedFileVersion());
  EXPECT_EQ(without->translations(), (std::vector<Translation>{{0x0411, 0x04B0}}));

  EXPECT_FALSE(parse(versionInfoNode(fixedFileInfo(1, 2, 0xFEEF04BC), {}))->fixedFileVersion());

  VersionNode shortLength = versionInfoNode(fixedFileInfo(1, 2), {});
  shortLength.valueLength = 51;
  EXPECT_FALSE(parse(shortLength)->fixedFileVersion());
  shortLength.valueLength = 52;
  EXPECT_TRUE(parse(shortLength)->fixedFileVersion());

  // The root ends inside the fixed information.
  VersionNode cut = versionInfoNode(fixedFileInfo(1, 2), {});
  const std::size_t valueStart = 40;  // header 6, key 32 with NUL, padding 2
  cut.length = static_cast<std::uint16_t>(valueStart + 51);
  ASSERT_TRUE(parse(cut));
  EXPECT_FALSE(parse(cut)->fixedFileVersion());
  cut.length = static_cast<std::uint16_t>(valueStart + 52);
  EXPECT_TRUE(parse(cut)->fixedFileVersion());
}

TEST(VersionResource, TranslationTableEndsWithItsLastWholeEntry) {
  VersionNode root = versionInfoNode(std::nullopt, {varFileInfoNode({{0x0411, 0x04B0}, {1, 2}})});
  root.children[0].children[0].valueLength = 7;
  EXPECT_EQ(parse(root)->translations(), (std::vector<Translation>{{0x0411, 0x04B0}}));
  EXPECT_TRUE(parse(versionInfoNode(std::nullopt, {}))->translations().empty());
}

TEST(VersionResource, ChildLengthMayFillItsParentButNotMore) {
  VersionNode root = rootWithStrings({stringNode(L"FileDescription", L"desc")});
  // The variable-information block is the root's last child: its end is the
  // root's end.
  const std::uint16_t exact = static_cast<std::uint16_t>(serialize(root.children.back()).size());
  root.children.back().length = exact;
  ASSERT_TRUE(parse(root));
  EXPECT_EQ(parse(root)->stringValue(description), L"desc");
  root.children.back().length = exact + 1;
  EXPECT_FALSE(parse(root));

  // The same for the root against the bytes it came in.
  const std::string block = serialize(rootWithStrings({}));
  std::string over = block;
  putU16(over, 0, static_cast<std::uint16_t>(block.size() + 1));
  EXPECT_TRUE(VersionResource::fromBlock(block));
  EXPECT_FALSE(VersionResource::fromBlock(over));
}

TEST(VersionResource, NestingStopsAtTheDepthCap) {
  auto chain = [](int depth) {
    VersionNode node{L"leaf", {}, 0, 1, {}, std::nullopt};
    for (int level = depth - 1; level > 1; --level) {
      node = VersionNode{L"n" + std::to_wstring(level), {}, 0, 1, {std::move(node)}, std::nullopt};
    }
    return versionInfoNode(fixedFileInfo(1, 2), {std::move(node)});
  };
  const auto atCap = parse(chain(VersionResource::maxDepth));
  ASSERT_TRUE(atCap);
  EXPECT_TRUE(atCap->stringValue(L"n2\\n3\\n4\\n5\\n6\\n7\\leaf"));
  EXPECT_FALSE(parse(chain(VersionResource::maxDepth + 1)));
}

TEST(VersionResource, DamagedBlocksHaveNoAnswer) {
  EXPECT_FALSE(VersionResource::fromBlock(""));
  EXPECT_FALSE(VersionResource::fromBlock(std::string(5, '\0')));
  EXPECT_FALSE(VersionResource::fromBlock(std::string(64, '\0')));  // wLength 0

  // A key without its NUL inside the node.
  VersionNode keyCut = versionInfoNode(std::nullopt, {});
  keyCut.length = 6 + 2 * 15;  // "VS_VERSION_INFO" without the NUL
  EXPECT_FALSE(parse(keyCut));
  keyCut.length = 6 + 2 * 16;
  EXPECT_TRUE(parse(keyCut));

  // A child too short for its own header.
  VersionNode tiny = rootWithStrings({stringNode(L"FileDescription", L"d")});
  tiny.children[0].children[0].children[0].length = 5;
  EXPECT_FALSE(parse(tiny));

  // The 16-bit layout of NE files: an ANSI key where wType would be.
  std::string ansi = std::string("\x20\x00\x00\x00VS_VERSION_INFO", 19) + std::string(13, '\0');
  EXPECT_FALSE(VersionResource::fromBlock(ansi));
}

TEST(VersionResource, ZeroLengthChildEndsTheChildren) {
  VersionNode root =
      rootWithStrings({stringNode(L"Comments", L"c"), stringNode(L"FileDescription", L"desc")});
  root.children[0].children[0].children[0].length = 0;
  const auto resource = parse(root);
  ASSERT_TRUE(resource);
  EXPECT_FALSE(resource->stringValue(description));
  EXPECT_FALSE(resource->stringValue(L"\\StringFileInfo\\041104B0\\Comments"));
  EXPECT_TRUE(resource->fixedFileVersion());
  EXPECT_EQ(resource->translations().size(), 1u);
}

}  // namespace
}  // namespace vemdrol
