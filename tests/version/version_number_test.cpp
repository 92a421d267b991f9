#include "version/version_number.h"

#include <gtest/gtest.h>

#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"
#include "version/pe_builder.h"
#include "version/test_readers.h"

namespace vemdrol {
namespace {

class WVerNumberTest : public ::testing::Test {
 protected:
  Text number(const std::string& block) {
    files.addFile(L"C:\\App\\app.exe", peWithVersionBlock(block));
    const Result<Text> text = WVerNumber(reader, L"C:\\App\\app.exe");
    EXPECT_TRUE(text);
    return text ? text.value() : L"(error)";
  }

  MemoryFileSystem files;
  PeVersionResourceReader reader{files};
};

TEST_F(WVerNumberTest, ShowsTheFirstSecondAndFourthNumbers) {
  EXPECT_EQ(number(versionBlock(fileVersion(6, 0, 2900, 5512))), L"6.0.5512");
  EXPECT_EQ(number(versionBlock(fileVersion(65535, 65535, 65535, 65535))), L"65535.65535.65535");
  EXPECT_EQ(number(versionBlock(fileVersion(1, 2, 0, 5))), L"1.2.5");
  EXPECT_EQ(number(versionBlock(fileVersion(10, 0, 19041, 1))), L"10.0.1");
  EXPECT_EQ(number(versionBlock(fileVersion(2, 0, 0, 2))), L"2.0.2");
  EXPECT_EQ(number(versionBlock(fileVersion(1, 2, 3, 0))), L"1.2.0");
  EXPECT_EQ(number(versionBlock(fileVersion(0, 0, 0, 0))), L"0.0.0");
}

TEST_F(WVerNumberTest, IsEmptyWithoutAFixedInformationBlock) {
  EXPECT_EQ(number(serialize(versionInfoNode(std::nullopt, {varFileInfoNode({{0x411, 0x4B0}})}))),
            L"");
  EXPECT_EQ(number(serialize(versionInfoNode(fixedFileInfo(0x10002, 3, 0), {}))), L"");
  EXPECT_EQ(number("damaged"), L"");

  files.addFile(L"C:\\App\\readme.txt", "6.0.2900.5512\r\n");
  EXPECT_EQ(WVerNumber(reader, L"C:\\App\\readme.txt").value(), L"");
  EXPECT_EQ(WVerNumber(reader, L"C:\\App\\missing.exe").value(), L"");
  EXPECT_EQ(WVerNumber(reader, L"").value(), L"");
}

TEST(WVerNumber, LeavesReaderFailuresToTheCaller) {
  FailingVersionReader failing(Error{14, L"out of memory"});
  const Result<Text> text = WVerNumber(failing, L"C:\\App\\app.exe");
  ASSERT_FALSE(text);
  EXPECT_EQ(text.error().number, 14);
  EXPECT_EQ(text.error().description, L"out of memory");
}

}  // namespace
}  // namespace vemdrol
