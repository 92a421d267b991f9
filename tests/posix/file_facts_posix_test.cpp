// The hash of a file past 4 GiB. Here only: hashing 4 GiB takes half a
// minute with Wine's CNG, and the Windows file reader's offsets past 32 bits
// are tested on their own.
#include <gtest/gtest.h>

#include <algorithm>

#include "details/file_facts.h"
#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"

namespace vemdrol {
namespace {

TEST(FileFactsPosix, AFilePast4GiBIsHashedWhole) {
  MemoryFileSystem files;
  PeVersionResourceReader versions(files);
  FactReader reader(files, versions);
  const std::uint64_t size = (std::uint64_t{1} << 32) + 1;
  std::uint64_t end = 0;
  files.addGeneratedFile(L"C:\\huge.bin", size, [&](std::uint64_t offset, std::span<char> into) {
    std::fill(into.begin(), into.end(), '\0');
    end = std::max(end, offset + into.size());
    return true;
  });
  const FileFacts huge = reader.factsOf(L"C:\\huge.bin", true);
  EXPECT_EQ(end, size);
  // From `head -c 4294967297 /dev/zero | sha256sum`.
  EXPECT_EQ(huge[Fact::sha256].text,
            L"fbb82f7b353676bb562eb82157fcf0ea42c36492ca13ee56dbf82c08b6802c5c");
  EXPECT_EQ(huge[Fact::size].text, L"4294967297");
}

}  // namespace
}  // namespace vemdrol
