#include <gtest/gtest.h>

#include <string>

#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

// A block told apart from others by its version's last number.
std::string blockNumbered(std::uint16_t number) {
  return versionBlock(fileVersion(1, 0, 0, number));
}

// The last version number of the block found in file, or -1 for none.
int numberIn(std::string_view file,
             std::span<const std::uint16_t> languages = japaneseResourceLanguages) {
  const auto block = findVersionBlock(file, languages);
  if (!block) return -1;
  const auto resource = VersionResource::fromBlock(*block);
  if (!resource || !resource->fixedFileVersion()) return -2;
  return static_cast<int>(resource->fixedFileVersion()->fileVersionLS & 0xFFFF);
}

PeOptions withLanguages(std::initializer_list<std::uint16_t> languages) {
  PeOptions options;
  for (std::uint16_t language : languages)
    options.languages.push_back({language, blockNumbered(language)});
  return options;
}

TEST(PeVersionBlock, FindsTheBlockInPe32AndPe32Plus) {
  const std::string block = blockNumbered(7);
  for (bool pe32Plus : {false, true}) {
    PeOptions options;
    options.pe32Plus = pe32Plus;
    options.languages.push_back({0x0411, block});
    const BuiltPe image = buildPe(options);
    const auto found = findVersionBlock(image.bytes);
    ASSERT_TRUE(found) << pe32Plus;
    EXPECT_EQ(*found, block);
    // A view into the file, where the data entry points.
    EXPECT_EQ(found->data(), image.bytes.data() + image.data[0]);
  }
}

TEST(PeVersionBlock, TakesTheLanguageTheLoaderTakes) {
  // Neutral first, then Japanese, Japanese with a neutral sublanguage,
  // English (United States), and otherwise the first entry.
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0000, 0x0409, 0x0411})).bytes), 0x0000);
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0407, 0x0409, 0x0411})).bytes), 0x0411);
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0011, 0x0409})).bytes), 0x0011);
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0407, 0x0409, 0x040C})).bytes), 0x0409);
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0407, 0x040C})).bytes), 0x0407);
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0804})).bytes), 0x0804);
  // Another system's order.
  const std::uint16_t french[] = {0x0000, 0x040C};
  EXPECT_EQ(numberIn(buildPe(withLanguages({0x0407, 0x040C, 0x0411})).bytes, french), 0x040C);
}

TEST(PeVersionBlock, NeedsResourceTypeSixteenAndNameOne) {
  PeOptions options = withLanguages({0x0411});
  EXPECT_EQ(numberIn(buildPe(options).bytes), 0x0411);
  options.otherTypes = {1, 2, 3, 4, 5, 6, 14, 15, 17, 24, 0x2000};
  EXPECT_EQ(numberIn(buildPe(options).bytes), 0x0411);

  PeOptions otherName = withLanguages({0x0411});
  otherName.nameId = 2;
  EXPECT_EQ(numberIn(buildPe(otherName).bytes), -1);
  PeOptions otherType = withLanguages({0x0411});
  otherType.typeId = 6;
  EXPECT_EQ(numberIn(buildPe(otherType).bytes), -1);
  EXPECT_EQ(numberIn(buildPe(withLanguages({})).bytes), -1);
}

TEST(PeVersionBlock, OtherFilesHaveNone) {
  EXPECT_FALSE(findVersionBlock(""));
  EXPECT_FALSE(findVersionBlock("This is a text file, not a program.\r\n"));
  EXPECT_FALSE(findVersionBlock(std::string("MZ") + std::string(200, '\0')));

  const BuiltPe image = buildPe(withLanguages({0x0411}));
  const std::size_t optional = image.ntHeaders + 24;
  std::string badMagic = image.bytes;
  putU16(badMagic, optional, 0x10C);
  EXPECT_FALSE(findVersionBlock(badMagic));
  std::string fewDirectories = image.bytes;
  putU32(fewDirectories, optional + 108, 2);
  EXPECT_FALSE(findVersionBlock(fewDirectories));
  putU32(fewDirectories, optional + 108, 3);
  EXPECT_TRUE(findVersionBlock(fewDirectories));
  std::string noResources = image.bytes;
  putU32(noResources, optional + 112 + 16, 0);
  EXPECT_FALSE(findVersionBlock(noResources));
  std::string badSignature = image.bytes;
  badSignature[image.ntHeaders + 2] = 'X';
  EXPECT_FALSE(findVersionBlock(badSignature));
}

TEST(PeVersionBlock, HeadersMayEndExactlyAtTheEndOfTheFile) {
  PeOptions options = withLanguages({0x0411});
  options.headersAtEnd = true;
  const BuiltPe image = buildPe(options);
  ASSERT_EQ(image.sectionTable + 40, image.bytes.size());
  EXPECT_EQ(numberIn(image.bytes), 0x0411);
  // One byte short of the section table's end.
  EXPECT_EQ(numberIn(std::string(image.bytes, 0, image.bytes.size() - 1)), -1);

  // e_lfanew at the last byte, just past it, and far past it.
  for (std::uint32_t lfanew :
       {static_cast<std::uint32_t>(image.bytes.size() - 4),
        static_cast<std::uint32_t>(image.bytes.size() - 1),
        static_cast<std::uint32_t>(image.bytes.size()), 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    std::string moved = image.bytes;
    putU32(moved, 0x3C, lfanew);
    EXPECT_EQ(numberIn(moved), -1) << lfanew;
  }
}

TEST(PeVersionBlock, DataMayEndExactlyAtTheEndOfItsSection) {
  const std::string block = blockNumbered(9);
  PeOptions options;
  options.languages.push_back({0x0411, block});
  BuiltPe image = buildPe(options);
  const std::size_t exact = image.data[0] + block.size() - image.resources;
  ASSERT_LT(exact, image.sectionRawSize);

  putU32(image.bytes, image.sectionTable + 16, static_cast<std::uint32_t>(exact));
  EXPECT_EQ(numberIn(image.bytes), 9);
  putU32(image.bytes, image.sectionTable + 16, static_cast<std::uint32_t>(exact - 1));
  EXPECT_EQ(numberIn(image.bytes), -1);

  // The same limit set by the end of the file.
  const BuiltPe whole = buildPe(options);
  const std::size_t fileEnd = whole.data[0] + block.size();
  EXPECT_EQ(numberIn(std::string(whole.bytes, 0, fileEnd)), 9);
  EXPECT_EQ(numberIn(std::string(whole.bytes, 0, fileEnd - 1)), -1);
}

TEST(PeVersionBlock, OffsetsThatLeadOutOfTheResourcesFindNothing) {
  const BuiltPe image = buildPe(withLanguages({0x0411}));
  const std::size_t root = image.resources;
  const std::size_t rootEntry = root + 16;

  std::string tooManyEntries = image.bytes;
  putU16(tooManyEntries, root + 14,
         static_cast<std::uint16_t>((image.sectionRawSize - 16) / 8 + 1));
  EXPECT_EQ(numberIn(tooManyEntries), -1);

  for (std::uint32_t target : {0xFFFFFFFFu, 0x80000000u | 0x7FFFFFF0u,
                               0x80000000u | static_cast<std::uint32_t>(image.sectionRawSize)}) {
    std::string outside = image.bytes;
    putU32(outside, rootEntry + 4, target);
    EXPECT_EQ(numberIn(outside), -1) << target;
  }

  // A data entry where a directory is expected.
  std::string notADirectory = image.bytes;
  putU32(notADirectory, rootEntry + 4, 24);  // the name directory, without the directory flag
  EXPECT_EQ(numberIn(notADirectory), -1);

  // Data that lies in no section, or has no bytes.
  std::string nowhere = image.bytes;
  putU32(nowhere, image.dataEntries[0], 0x00F00000);
  EXPECT_EQ(numberIn(nowhere), -1);
  std::string empty = image.bytes;
  putU32(empty, image.dataEntries[0] + 4, 0);
  EXPECT_EQ(numberIn(empty), -2);
}

TEST(PeVersionBlock, EveryTruncationGivesADefinedAnswer) {
  for (bool pe32Plus : {false, true}) {
    PeOptions options = withLanguages({0x0409, 0x0411});
    options.pe32Plus = pe32Plus;
    const BuiltPe image = buildPe(options);
    int found = 0;
    for (std::size_t length = 0; length <= image.bytes.size(); ++length) {
      // A copy of exactly this length, so that a read past it is caught.
      const std::string prefix(image.bytes, 0, length);
      const auto block = findVersionBlock(prefix);
      if (!block) continue;
      ++found;
      ASSERT_GE(block->data(), prefix.data());
      ASSERT_LE(block->data() + block->size(), prefix.data() + prefix.size());
    }
    // Only the lengths that still hold the whole Japanese block find it.
    EXPECT_EQ(found, static_cast<int>(image.bytes.size() -
                                      (image.data[1] + blockNumbered(0x0411).size()) + 1));
  }
}

class PeReaderTest : public ::testing::Test {
 protected:
  MemoryFileSystem files;
};

TEST_F(PeReaderTest, MissingAndForeignFilesHaveNoVersionResource) {
  const std::string program = peWithVersionBlock(blockNumbered(3));
  files.addFile(L"C:\\App\\app.exe", program);
  files.addFile(L"C:\\App\\readme.txt", "text");
  PeVersionResourceReader reader(files);

  auto found = reader.versionResourceOf(L"c:\\app\\APP.EXE");
  ASSERT_TRUE(found);
  ASSERT_TRUE(found.value());
  EXPECT_EQ(found.value()->fixedFileVersion()->fileVersionLS, 3u);

  for (TextView path : {TextView(L"C:\\App\\readme.txt"), TextView(L"C:\\App\\missing.exe"),
                        TextView(L"C:\\Nowhere\\app.exe"), TextView(L"C:\\App"), TextView(L""),
                        TextView(L"C:\\App\\app.exe\0.txt", 19)}) {
    auto none = reader.versionResourceOf(path);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none.value()) << std::string(path.begin(), path.end());
  }
}

TEST_F(PeReaderTest, ResourceShorterThanItsBlockReadsAsZeroFilled) {
  // The last 8 bytes are the translation's value and the padding before it.
  const std::string block = versionBlock(fileVersion(1, 2, 3, 4));
  files.addFile(L"C:\\short.exe", peWithVersionBlock(block.substr(0, block.size() - 8)));
  PeVersionResourceReader reader(files);
  const auto resource = reader.versionResourceOf(L"C:\\short.exe").value();
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->bytes().size(), block.size());
  EXPECT_EQ(resource->fixedFileVersion()->fileVersionLS, 0x00030004u);
  EXPECT_EQ(resource->translations(), (std::vector<Translation>{{0, 0}}));
}

TEST_F(PeReaderTest, ReadsOnlyThePagesOnTheWayToTheBlock) {
  // A program file of 64 MiB whose headers and resources lie in its first
  // kilobytes: the rest is never read.
  const std::string program = peWithVersionBlock(blockNumbered(5));
  std::vector<std::pair<std::uint64_t, std::size_t>> reads;
  files.addGeneratedFile(L"C:\big.exe", std::uint64_t{64} << 20,
                         [&](std::uint64_t offset, std::span<char> into) {
                           reads.emplace_back(offset, into.size());
                           for (std::size_t i = 0; i < into.size(); ++i) {
                             into[i] = offset + i < program.size() ? program[offset + i] : '\0';
                           }
                           return true;
                         });
  PeVersionResourceReader reader(files);
  const auto resource = reader.versionResourceOf(L"C:\big.exe").value();
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->fixedFileVersion()->fileVersionLS, 5u);
  std::size_t total = 0;
  for (const auto& [offset, size] : reads) {
    EXPECT_LT(offset, program.size());
    total += size;
  }
  EXPECT_LE(total, std::size_t{64} << 10);
}

TEST_F(PeReaderTest, FilesOverTheSizeLimitAreNotRead) {
  const std::string program = peWithVersionBlock(blockNumbered(3));
  files.addFile(L"C:\\app.exe", program);
  PeVersionResourceReader atLimit(files, program.size());
  EXPECT_TRUE(atLimit.versionResourceOf(L"C:\\app.exe").value());
  PeVersionResourceReader belowLimit(files, program.size() - 1);
  EXPECT_FALSE(belowLimit.versionResourceOf(L"C:\\app.exe").value());
}

}  // namespace
}  // namespace vemdrol
