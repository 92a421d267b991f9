#include "base/utf16.h"

#include <gtest/gtest.h>

namespace vemdrol {
namespace {

TEST(Utf16, RoundTripsJapaneseNulsAndCharactersBeyondTheBasicPlane) {
  const Text text = Text(L"メモ帳") + L'\0' + L"x";
  EXPECT_EQ(fromUtf16Le(toUtf16Le(text)), text);
  EXPECT_EQ(toUtf16Le(L"A\\"), std::string("A\0\\\0", 4));

  // U+20B9F is one character in memory where wchar_t is 32 bits, a pair where
  // it is 16; either way the bytes are the same pair.
  const std::string pair("\x42\xD8\x9F\xDF", 4);
  const Text decoded = fromUtf16Le(pair);
  EXPECT_EQ(decoded.size(), sizeof(wchar_t) == 4 ? 1u : 2u);
  EXPECT_EQ(toUtf16Le(decoded), pair);
}

TEST(Utf16, DamagedInputIsKeptOrDroppedNeverOverread) {
  EXPECT_EQ(fromUtf16Le(std::string("A\0B", 3)), L"A");  // odd trailing byte
  const Text lone = fromUtf16Le(std::string("\x00\xD8\x41\x00", 4));
  ASSERT_EQ(lone.size(), 2u);
  EXPECT_EQ(static_cast<std::uint32_t>(lone[0]), 0xD800u);
  EXPECT_EQ(lone[1], L'A');
  EXPECT_EQ(fromUtf16Le(std::string("\x00\xD8", 2)).size(), 1u);
  EXPECT_EQ(fromUtf16Le(""), L"");
}

}  // namespace
}  // namespace vemdrol
