#include "base/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vemdrol {
namespace {

TEST(FoldCase, FoldsEachScriptToLowerCase) {
  EXPECT_EQ(foldCase(L"ABCXYZ abcxyz 09@[`{"), L"abcxyz abcxyz 09@[`{");
  // Latin-1: the multiplication sign, sharp s and y with diaeresis have no
  // capital partner in the block.
  EXPECT_EQ(foldCase(L"ÀÉÎÕÖØÞ"), L"àéîõöøþ");
  EXPECT_EQ(foldCase(L'\u00D7'), L'\u00D7');
  EXPECT_EQ(foldCase(L'\u00F7'), L'\u00F7');
  EXPECT_EQ(foldCase(L'ß'), L'ß');
  // Latin Extended-A, including the odd-aligned runs and the one capital
  // whose small letter lives in Latin-1.
  EXPECT_EQ(foldCase(L"ĀĈĲĹŁŇŊŒŠŽŸ"), L"āĉĳĺłňŋœšžÿ");
  EXPECT_EQ(foldCase(L"āĺňŋž"), L"āĺňŋž");
  EXPECT_EQ(foldCase(L'İ'), L'İ');
  EXPECT_EQ(foldCase(L'ı'), L'ı');
  // Greek, accented capitals and the final sigma.
  EXPECT_EQ(foldCase(L"ΑΒΓΩΆΈΉΊΌΎΏΪΫ"), L"αβγωάέήίόύώϊϋ");
  EXPECT_EQ(foldCase(L"ς"), L"σ");
  // Cyrillic.
  EXPECT_EQ(foldCase(L"ЁЂЏАБЯ"), L"ёђџабя");
  // Full-width Latin.
  EXPECT_EQ(foldCase(L"ＡＺ"), L"ａｚ");
  EXPECT_EQ(foldCase(L'＠'), L'＠');
  EXPECT_EQ(foldCase(L'［'), L'［');
  // Japanese and other scripts are left alone.
  EXPECT_EQ(foldCase(L"アプリケーション一覧①ｱ"), L"アプリケーション一覧①ｱ");
}

TEST(FoldCase, KeepsLengthSoPositionsCarryOver) {
  const Text text = L"ＡßΣİŸ\\ Ж";
  EXPECT_EQ(foldCase(text).size(), text.size());
}

TEST(EqualNoCase, MatchesAcrossFoldedScripts) {
  EXPECT_TRUE(equalNoCase(L"Word.Document", L"WORD.DOCUMENT"));
  EXPECT_TRUE(equalNoCase(L"Ärger Ŝ", L"äRGER ŝ"));
  EXPECT_TRUE(equalNoCase(L"ΣΟΦΙΑ", L"σοφια"));
  EXPECT_TRUE(equalNoCase(L"ΣΟΦΟΣ", L"σοφος"));
  EXPECT_TRUE(equalNoCase(L"ПРОГРАММА", L"программа"));
  EXPECT_TRUE(equalNoCase(L"ＶＥＭＤＲＯＬ", L"ｖｅｍｄｒｏｌ"));
  EXPECT_TRUE(equalNoCase(L"", L""));
  EXPECT_FALSE(equalNoCase(L"abc", L"abcd"));
  EXPECT_FALSE(equalNoCase(L"ＡＢＣ", L"ABC"));  // full-width is not ASCII
  EXPECT_FALSE(equalNoCase(L"ss", L"ß"));
  EXPECT_FALSE(equalNoCase(L"\\", L"/"));
}

TEST(CompareNoCase, BlankSortsBeforeBackslashBeforeEverythingElse) {
  EXPECT_LT(compareNoCase(L" ", L"\\"), 0);
  EXPECT_GT(compareNoCase(L"\\", L" "), 0);
  // "\" sorts below every other character, controls and NUL included.
  for (wchar_t c : {L'\0', L'\t', L'!', L'.', L'0', L'2', L'A', L'_', L'z', L'\u00A0', L'ア'}) {
    EXPECT_LT(compareNoCase(L"\\", Text(1, c)), 0) << static_cast<unsigned>(c);
    EXPECT_LT(compareNoCase(L" ", Text(1, c)), 0) << static_cast<unsigned>(c);
  }
  EXPECT_LT(compareNoCase(L"A", L"b"), 0);
  EXPECT_LT(compareNoCase(L"h", L"Z"), 0);
  EXPECT_GT(compareNoCase(L"Z", L"h"), 0);
  EXPECT_EQ(compareNoCase(L"Word.Document", L"word.DOCUMENT"), 0);
  EXPECT_LT(compareNoCase(L"abc", L"abcd"), 0);
  EXPECT_GT(compareNoCase(L"abcd", L"ABC"), 0);
  EXPECT_EQ(compareNoCase(L"", L""), 0);
  EXPECT_LT(compareNoCase(L"", L" "), 0);
}

TEST(CompareNoCase, KeepsEveryEntryOfOneKeyTogether) {
  // Registry paths as the builder sorts them: every path below one type key
  // must stand together, before any longer key name that starts the same.
  std::vector<Text> paths = {
      L"txtfile2\\shell",
      L"txtfile\\shell\\open\\command",
      L"Word.Document.8",
      L"txtfile",
      L"Word.Document\\shell\\open",
      L"txtfile2",
      L"TXTFILE\\DefaultIcon",
      L"Word.Document",
      L"Word.Document.8\\shell",
      L"txtfile\\shell",
  };
  std::sort(paths.begin(), paths.end(), LessNoCase{});
  const std::vector<Text> expected = {
      L"txtfile",         L"TXTFILE\\DefaultIcon",
      L"txtfile\\shell",  L"txtfile\\shell\\open\\command",
      L"txtfile2",        L"txtfile2\\shell",
      L"Word.Document",   L"Word.Document\\shell\\open",
      L"Word.Document.8", L"Word.Document.8\\shell",
  };
  EXPECT_EQ(paths, expected);
  // Root names are padded with blanks, which sort first of all.
  EXPECT_LT(compareNoCase(L"HKEY_CLASSES_ROOT  \\x", L"HKEY_CLASSES_ROOT\\x"), 0);
}

TEST(CompareNoCase, IsATotalOrderConsistentWithEquality) {
  const std::vector<Text> texts = {L"",  L" ",  L"\\", L"a",  L"A",   L"b",  L"ß",
                                   L"Σ", L"ς",  L"σ",  L"Я",  L"я",   L"ア", L"\u00FF",
                                   L"Ÿ", L"Ａ", L"ａ", L"a ", L"a\\", L"a!", L"\U0001F600"};
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Text& a : texts) {
    for (const Text& b : texts) {
      const int ab = sign(compareNoCase(a, b));
      EXPECT_EQ(ab == 0, equalNoCase(a, b));
      EXPECT_EQ(ab, -sign(compareNoCase(b, a)));
      for (const Text& c : texts) {
        if (ab < 0 && compareNoCase(b, c) < 0) {
          EXPECT_LT(compareNoCase(a, c), 0);
        }
      }
    }
  }
}

TEST(CompareNoCase, OrdersCharactersBeyondTheBasicPlaneAboveIt) {
  // With 16-bit wchar_t this is a surrogate pair, which must still sort above
  // U+FFE3, as it does with 32-bit wchar_t.
  EXPECT_GT(compareNoCase(L"\U0001F600", L"\uFFE3"), 0);
  EXPECT_GT(compareNoCase(L"\U0001F600", L"\uE000"), 0);
  EXPECT_LT(compareNoCase(L"\uD7FF", L"\U0001F600"), 0);
}

TEST(FindNoCase, FindsFirstOccurrenceAtOrAfterStart) {
  const Text text = L"C:\\Program Files\\TOOL\\tool.exe";
  EXPECT_EQ(findNoCase(text, L"tool"), 17u);
  EXPECT_EQ(findNoCase(text, L"TOOL", 18), 22u);
  EXPECT_EQ(findNoCase(text, L".EXE"), 26u);
  EXPECT_EQ(findNoCase(text, L"tool.exe", 23), notFound);
  EXPECT_EQ(findNoCase(text, L"files\\tool\\"), 11u);
  EXPECT_EQ(findNoCase(text, text), 0u);
  EXPECT_EQ(findNoCase(text, text + L"x"), notFound);
  EXPECT_EQ(findNoCase(L"aaab", L"aab"), 1u);
  EXPECT_EQ(findNoCase(L"ΟΔΥΣΣΕΥΣ", L"σευς"), 4u);
  EXPECT_EQ(findNoCase(L"内容=ＡＢＣ", L"ａｂｃ"), 3u);
}

TEST(FindNoCase, HandlesEmptyNeedlesAndOutOfRangeStarts) {
  EXPECT_EQ(findNoCase(L"abc", L""), 0u);
  EXPECT_EQ(findNoCase(L"abc", L"", 3), 3u);
  EXPECT_EQ(findNoCase(L"abc", L"", 4), notFound);
  EXPECT_EQ(findNoCase(L"", L""), 0u);
  EXPECT_EQ(findNoCase(L"", L"a"), notFound);
  EXPECT_EQ(findNoCase(L"abc", L"c", 3), notFound);
  EXPECT_EQ(findNoCase(L"abc", L"c", notFound), notFound);
  EXPECT_EQ(findNoCase(L"abc", L"c", 2), 2u);
}

TEST(FindNoCase, HelpersAgreeWithFind) {
  EXPECT_TRUE(containsNoCase(L"Microsoft Word", L"WORD"));
  EXPECT_FALSE(containsNoCase(L"Microsoft Word", L"Words"));
  EXPECT_TRUE(startsWithNoCase(L"HKEY_CLASSES_ROOT\\.txt", L"hkey_classes_root"));
  EXPECT_FALSE(startsWithNoCase(L"HKEY", L"HKEY_"));
  EXPECT_TRUE(endsWithNoCase(L"C:\\A\\内の調査", L"内の調査"));
  EXPECT_TRUE(endsWithNoCase(L"NOTEPAD.EXE", L".exe"));
  EXPECT_FALSE(endsWithNoCase(L"exe", L".exe"));
  EXPECT_TRUE(endsWithNoCase(L"", L""));
}

}  // namespace
}  // namespace vemdrol
