#include "base/utf8.h"

#include <gtest/gtest.h>

#include <vector>

namespace vemdrol {
namespace {

std::vector<char32_t> codePoints(TextView text) {
  std::vector<char32_t> codes;
  for (std::size_t i = 0; i < text.size();) codes.push_back(nextCodePoint(text, i));
  return codes;
}

TEST(Utf8, PairsAreJoinedAndUnpairedSurrogatesKept) {
  // As UTF-16 holds them, which is how Windows texts are: a pair, a low
  // surrogate alone, a high one before a plain character, a high one last.
  const Text text = {L'a', wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xDC00), wchar_t(0xD800),
                     L'b', wchar_t(0xDBFF)};
  EXPECT_EQ(codePoints(text), (std::vector<char32_t>{U'a', 0x1F600, 0xDC00, 0xD800, U'b', 0xDBFF}));
  std::string bytes;
  appendUtf8(bytes, text);
  EXPECT_EQ(bytes,
            "a\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");

  // The literal is one character here or a pair there; it reads the same.
  EXPECT_EQ(codePoints(L"\U0001F600\U0010FFFF"), (std::vector<char32_t>{0x1F600, 0x10FFFF}));
  if constexpr (sizeof(wchar_t) == 4) {
    EXPECT_EQ(codePoints(Text{wchar_t(0x110000), wchar_t(-1)}),
              (std::vector<char32_t>{0xFFFD, 0xFFFD}));
  }
}

TEST(Utf8, EachLengthEndsWhereUtf8Says) {
  const auto utf8 = [](char32_t code) {
    std::string bytes;
    appendUtf8(bytes, code);
    return bytes;
  };
  EXPECT_EQ(utf8(0x7F), "\x7F");
  EXPECT_EQ(utf8(0x80), "\xC2\x80");
  EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
  EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
  EXPECT_EQ(utf8(0xFFFF), "\xEF\xBF\xBF");
  EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
  EXPECT_EQ(utf8(0x10FFFF), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(utf8(0x110000), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8(0), std::string(1, '\0'));
}

}  // namespace
}  // namespace vemdrol
