#include "files/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/codepage.h"

namespace vemdrol {
namespace {

using namespace std::string_literals;

std::vector<std::string> readAll(std::string_view bytes) {
  FieldReader reader(bytes);
  std::vector<std::string> fields;
  while (!reader.atEnd()) {
    auto field = reader.readField();
    if (!field) {
      ADD_FAILURE() << "error before atEnd: " << field.error().number;
      break;
    }
    fields.emplace_back(field.value());
    if (fields.size() > bytes.size() + 1) {
      ADD_FAILURE() << "more fields than bytes";
      break;
    }
  }
  return fields;
}

using Fields = std::vector<std::string>;

TEST(FieldReader, ReadsInventoryRecordsAndStopsAfterTheLastLineEnd) {
  const std::string file = toAnsi(
      L"\"*.txt;*.log\",\"txtfile\",\"テキスト文書\",\"C:\\WINDOWS\\NOTEPAD.EXE\",\"5.1\"\r\n"
      L"\"\",\"\",\"a, b\",\"C:\\x.dll\",\"\"\r\n");
  EXPECT_EQ(readAll(file),
            (Fields{"*.txt;*.log", "txtfile", toAnsi(L"テキスト文書"), "C:\\WINDOWS\\NOTEPAD.EXE",
                    "5.1", "", "", "a, b", "C:\\x.dll", ""}));
}

TEST(FieldReader, ReadingPastTheEndIsError62) {
  FieldReader reader("\"a\"\r\n");
  ASSERT_TRUE(reader.readField());
  EXPECT_TRUE(reader.atEnd());
  for (int i = 0; i < 2; ++i) {
    auto field = reader.readField();
    ASSERT_FALSE(field);
    EXPECT_EQ(field.error().number, 62);
    EXPECT_EQ(field.error().description, L"ファイルの終わりを超えて入力しようとしました");
  }
  FieldReader empty("");
  EXPECT_TRUE(empty.atEnd());
  EXPECT_FALSE(empty.readField());
}

TEST(FieldReader, UnquotedFieldsEndAtCommaOrLineEndWithoutTrailingBlanks) {
  EXPECT_EQ(readAll("  a b  ,\t c\t\r\nd"), (Fields{"a b", "c", "d"}));
  EXPECT_EQ(readAll("C:\\A,B\\foo.dll\r\n"), (Fields{"C:\\A", "B\\foo.dll"}));
  EXPECT_EQ(readAll("x\"y\"z,w"), (Fields{"x\"y\"z", "w"}));
}

TEST(FieldReader, QuotedFieldsKeepCommasAndBlanksAndDropWhatFollowsTheQuote) {
  EXPECT_EQ(readAll("\" a, b \"\r\n"), (Fields{" a, b "}));
  EXPECT_EQ(readAll("  \"a\" junk, \"b\"x\r\nc"), (Fields{"a", "b", "c"}));
  EXPECT_EQ(readAll("\"a\"\"b\",c"), (Fields{"a", "c"}));
  // A quoted field runs over line ends to its closing quote.
  EXPECT_EQ(readAll("\"a\r\nb\",c"), (Fields{"a\r\nb", "c"}));
  // Without a closing quote it runs to the end of the data.
  EXPECT_EQ(readAll("\"abc,def\r\nghi"), (Fields{"abc,def\r\nghi"}));
  EXPECT_EQ(readAll("\""), (Fields{""}));
}

TEST(FieldReader, LineEndsAndEmptyLines) {
  // CR LF, a lone LF and a lone CR each end one line.
  EXPECT_EQ(readAll("a\r\nb\nc\rd"), (Fields{"a", "b", "c", "d"}));
  // An empty line is one empty field; the final line end adds nothing.
  EXPECT_EQ(readAll("a\r\n\r\nb\r\n"), (Fields{"a", "", "b"}));
  EXPECT_EQ(readAll("\r\n"), (Fields{""}));
  EXPECT_EQ(readAll("\n\n"), (Fields{"", ""}));
  EXPECT_EQ(readAll("   "), (Fields{""}));
  // LF CR is two line ends: an empty line between.
  EXPECT_EQ(readAll("a\n\rb"), (Fields{"a", "", "b"}));
}

TEST(FieldReader, CommaAtTheEndIsFollowedByOneEmptyField) {
  EXPECT_EQ(readAll("a,"), (Fields{"a", ""}));
  EXPECT_EQ(readAll("a,,\r\n"), (Fields{"a", "", ""}));
  EXPECT_EQ(readAll(","), (Fields{"", ""}));
  EXPECT_EQ(readAll("\"a\" ,"), (Fields{"a", ""}));
  EXPECT_EQ(readAll("a,  "), (Fields{"a", ""}));
}

TEST(FieldReader, ShiftJisSecondBytesAndNulBytesAreOrdinary) {
  // ソ and 表 end in 0x5C; ポ ends in 0x7C; none of that ends a field.
  const std::string line = toAnsi(L"\"C:\\ソ表\\ポ.exe\",ｱ ") + "\r\n";
  EXPECT_EQ(readAll(line), (Fields{toAnsi(L"C:\\ソ表\\ポ.exe"), toAnsi(L"ｱ")}));
  EXPECT_EQ(readAll("a\0b,\"\0\"\r\n"s), (Fields{"a\0b"s, "\0"s}));
}

TEST(FieldReader, NothingIsCutShort) {
  std::string big(10 * 1024 * 1024, 'x');
  big[5] = '\0';
  EXPECT_EQ(readAll(big + "\r\n"), (Fields{big}));
  EXPECT_EQ(readAll("\"" + big + "\""), (Fields{big}));
}

TEST(FieldReader, FieldsAreViewsIntoTheData) {
  const std::string data = "abc,\"def\"";
  FieldReader reader(data);
  auto first = reader.readField();
  auto second = reader.readField();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first.value().data(), data.data());
  EXPECT_EQ(second.value().data(), data.data() + 5);
}

}  // namespace
}  // namespace vemdrol
