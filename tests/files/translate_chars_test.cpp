#include "files/translate_chars.h"

#include <gtest/gtest.h>

namespace vemdrol {
namespace {

TEST(TranslateChars, SavesQuotesAsApostrophesAndControlsAsExclamationMarks) {
  EXPECT_EQ(translateChars(L"say \"hi\"", L"\"", L"'"), L"say 'hi'");
  EXPECT_EQ(translateChars(L"a\tb\r\nc", L"\"", L"'"), L"a!b!!c");
  EXPECT_EQ(translateChars(Text(L"\0\x1f\x20\x7f", 4), L"\"", L"'"), Text(L"!! \x7f"));
  EXPECT_EQ(translateChars(L"", L"\"", L"'"), L"");
  const Text cell = L"C:\\Program Files\\ツール,v1.0 \"β\"\n";
  const Text saved = translateChars(cell, L"\"", L"'");
  EXPECT_EQ(saved.size(), cell.size());
  EXPECT_EQ(saved.find_first_of(L"\"\r\n\t"), Text::npos);
}

TEST(TranslateChars, MatchesIgnoringCaseFirstMatchWins) {
  EXPECT_EQ(translateChars(L"aAbB", L"a", L"x"), L"xxbB");
  EXPECT_EQ(translateChars(L"ΣσςЖж", L"σж", L"12"), L"11122");
  EXPECT_EQ(translateChars(L"aA", L"aA", L"12"), L"11");
  // A control character becomes "!" even when from lists it.
  EXPECT_EQ(translateChars(L"\t", L"\t", L"x"), L"!");
}

TEST(TranslateChars, KeepsCharactersWithoutReplacement) {
  EXPECT_EQ(translateChars(L"abc", L"abc", L"X"), L"Xbc");
  EXPECT_EQ(translateChars(L"abc", L"", L"XYZ"), L"abc");
  // The replacement is not translated again.
  EXPECT_EQ(translateChars(L"ab", L"ab", L"ba"), L"ba");
}

}  // namespace
}  // namespace vemdrol
