#include "formats/pe/pe_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "formats/limits.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

BuiltPe builtPe(bool pe32Plus) {
  PeOptions options;
  options.pe32Plus = pe32Plus;
  options.languages.push_back({0x0411, std::string(40, 'v')});
  return buildPe(options);
}

std::variant<PeImage, PeFault> readOf(const std::string& bytes) {
  return PeImage::read(ByteReader(bytes));
}

TEST(PeImage, ReadsTheHeadersOfPe32AndPe32Plus) {
  for (const bool pe32Plus : {false, true}) {
    const BuiltPe pe = builtPe(pe32Plus);
    const auto read = readOf(pe.bytes);
    ASSERT_TRUE(std::holds_alternative<PeImage>(read)) << pe32Plus;
    const PeImage& image = std::get<PeImage>(read);
    EXPECT_EQ(image.ntHeaders(), pe.ntHeaders);
    EXPECT_EQ(image.machine(), pe32Plus ? 0x8664 : 0x014C);
    EXPECT_EQ(image.sectionCount(), 1);
    EXPECT_EQ(image.optionalHeaderEnd(), pe.sectionTable);
    EXPECT_EQ(image.format(), pe32Plus ? PeFormat::pe32Plus : PeFormat::pe32);
    EXPECT_EQ(image.checksumField(), pe.checksum);
    EXPECT_EQ(image.directoryEntry(peCertificateDirectory), pe.certificateEntry);
    EXPECT_EQ(image.directoryCount(), 16u);
    const auto resources = image.directory(peResourceDirectory);
    ASSERT_TRUE(resources);
    EXPECT_EQ(resources->address, 0x1000u);

    // The RVA of the resources maps to where the section's raw data lies,
    // and the window ends with the section's raw data.
    const auto sections = image.sectionTable();
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->sections().size(), 1u);
    const auto window = sections->at(0x1000 + 8);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->base(), pe.resources + 8);
    EXPECT_EQ(window->size(), pe.sectionRawSize - 8);
    EXPECT_FALSE(sections->at(0x1000 + pe.sectionRawSize));
    EXPECT_FALSE(sections->at(0xFFF));
  }
}

// One field of a built file changed, or the file cut, and what is read of it.
struct Fixture {
  const char* what;
  std::function<void(std::string&, const BuiltPe&)> change;
  std::function<void(const std::variant<PeImage, PeFault>&)> check;
};

void expectFault(const std::variant<PeImage, PeFault>& read, PeFault fault) {
  ASSERT_TRUE(std::holds_alternative<PeFault>(read));
  EXPECT_EQ(std::get<PeFault>(read), fault);
}

// The headers a fixture expects to be read: a fault throws, which fails the
// test.
const PeImage& imageOf(const std::variant<PeImage, PeFault>& read) {
  return std::get<PeImage>(read);
}

TEST(PeImage, EveryOffsetIsCheckedAgainstTheFile) {
  const auto count = [](std::string& b, const BuiltPe& pe, std::uint32_t value) {
    putU32(b, pe.certificateEntry - 4 * 8 - 4, value);
  };
  const Fixture fixtures[] = {
      {"directory count at the limit", [&](auto& b, auto& pe) { count(b, pe, 16); },
       [](const auto& read) {
         EXPECT_EQ(imageOf(read).directoryCount(), maxPeDataDirectories);
         EXPECT_TRUE(imageOf(read).directory(15));
         EXPECT_FALSE(imageOf(read).directory(16));
       }},
      {"directory count just past the limit", [&](auto& b, auto& pe) { count(b, pe, 17); },
       [](const auto& read) {
         EXPECT_EQ(imageOf(read).directoryCount(), maxPeDataDirectories);
         EXPECT_FALSE(imageOf(read).directory(16));
       }},
      {"directory count far past the limit", [&](auto& b, auto& pe) { count(b, pe, 0xFFFFFFFF); },
       [](const auto& read) { EXPECT_EQ(imageOf(read).directoryCount(), maxPeDataDirectories); }},
      {"directory count just holding the resources", [&](auto& b, auto& pe) { count(b, pe, 3); },
       [](const auto& read) {
         EXPECT_TRUE(imageOf(read).directory(peResourceDirectory));
         EXPECT_FALSE(imageOf(read).directory(peCertificateDirectory));
       }},
      {"directory count just short of the resources", [&](auto& b, auto& pe) { count(b, pe, 2); },
       [](const auto& read) { EXPECT_FALSE(imageOf(read).directory(peResourceDirectory)); }},
      {"section table ending at the file's end",
       [](auto& b, auto& pe) { b.resize(pe.sectionTable + PeImage::sectionHeaderSize); },
       [](const auto& read) { EXPECT_TRUE(imageOf(read).sectionTable()); }},
      {"section table one byte past the file's end",
       [](auto& b, auto& pe) { b.resize(pe.sectionTable + PeImage::sectionHeaderSize - 1); },
       [](const auto& read) { EXPECT_FALSE(imageOf(read).sectionTable()); }},
      {"section count past the file's end",
       [](auto& b, auto& pe) { putU16(b, pe.ntHeaders + 6, 0xFFFF); },
       [](const auto& read) { EXPECT_FALSE(imageOf(read).sectionTable()); }},
      {"optional header reaching far past the file",
       [](auto& b, auto& pe) { putU16(b, pe.ntHeaders + 20, 0xFFFF); },
       [](const auto& read) { EXPECT_FALSE(imageOf(read).sectionTable()); }},
      {"unknown magic", [](auto& b, auto& pe) { putU16(b, pe.ntHeaders + 24, 0x107); },
       [](const auto& read) {
         EXPECT_EQ(imageOf(read).magic(), 0x107);
         EXPECT_FALSE(imageOf(read).format());
         EXPECT_FALSE(imageOf(read).directoryCount());
       }},
      {"cut in the magic", [](auto& b, auto& pe) { b.resize(pe.ntHeaders + 25); },
       [](const auto& read) { EXPECT_FALSE(imageOf(read).magic()); }},
      {"cut in the directory count", [](auto& b, auto& pe) { b.resize(pe.certificateEntry - 33); },
       [](const auto& read) {
         EXPECT_TRUE(imageOf(read).format());
         EXPECT_FALSE(imageOf(read).directoryCount());
       }},
      {"cut in the COFF header", [](auto& b, auto& pe) { b.resize(pe.ntHeaders + 21); },
       [](const auto& read) { expectFault(read, PeFault::truncated); }},
      {"COFF header just holding SizeOfOptionalHeader",
       [](auto& b, auto& pe) { b.resize(pe.ntHeaders + 22); },
       [](const auto& read) { EXPECT_EQ(imageOf(read).optionalHeaderSize(), 240); }},
      {"cut in the signature", [](auto& b, auto& pe) { b.resize(pe.ntHeaders + 3); },
       [](const auto& read) { expectFault(read, PeFault::notPe); }},
      {"e_lfanew just past the end", [](auto& b, auto&) { putU32(b, 0x3C, b.size() - 3); },
       [](const auto& read) { expectFault(read, PeFault::notPe); }},
      {"e_lfanew far past the end", [](auto& b, auto&) { putU32(b, 0x3C, 0xFFFFFFFF); },
       [](const auto& read) { expectFault(read, PeFault::notPe); }},
      {"DOS header one byte short", [](auto& b, auto&) { b.resize(63); },
       [](const auto& read) { expectFault(read, PeFault::notPe); }},
      {"no MZ", [](auto& b, auto&) { b[1] = 'X'; },
       [](const auto& read) { expectFault(read, PeFault::notPe); }},
  };
  const BuiltPe pe = builtPe(true);
  for (const Fixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.what);
    std::string bytes = pe.bytes;
    fixture.change(bytes, pe);
    fixture.check(readOf(bytes));
  }
}

TEST(PeImage, RawDataPastTheFileEndIsCutThere) {
  BuiltPe pe = builtPe(false);
  putU32(pe.bytes, pe.sectionTable + 16, 0x10000);  // SizeOfRawData far past the file
  const auto read = readOf(pe.bytes);
  const auto sections = imageOf(read).sectionTable();
  ASSERT_TRUE(sections);
  const auto window = sections->at(0x1000);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->base() + window->size(), pe.bytes.size());
  EXPECT_FALSE(sections->at(0x1000 + pe.bytes.size() - pe.resources));
}

}  // namespace
}  // namespace vemdrol
