#include "base/text_between.h"

#include <gtest/gtest.h>

namespace vemdrol {
namespace {

TEST(TextBetween, SplitsTheVersionStringsResult) {
  EXPECT_EQ(textBetween(L"desc;copy;", L"", L";"), L"desc");
  EXPECT_EQ(textBetween(L"desc;copy;", L";", L";"), L"copy");
  EXPECT_EQ(textBetween(L";copy;", L"", L";"), L"");
  EXPECT_EQ(textBetween(L";copy;", L";", L";"), L"copy");
  EXPECT_EQ(textBetween(L"処理回避;;", L"", L";"), L"処理回避");
  EXPECT_EQ(textBetween(L"処理回避;;", L";", L";"), L"");
}

TEST(TextBetween, EmptyOrSentinelStartMeansStartOfText) {
  EXPECT_EQ(textBetween(L"abc", L"", L""), L"abc");
  EXPECT_EQ(textBetween(L"abc", L"Brenhal", L""), L"abc");
  EXPECT_EQ(textBetween(L"abc", L"bRENHAL", L""), L"abc");
  // With the sentinel the end marker is searched from the start of the text,
  // even where the sentinel itself occurs in it.
  EXPECT_EQ(textBetween(L"x;Brenhal;y", L"Brenhal", L";"), L"x");
  // A start marker that merely contains the sentinel is an ordinary marker.
  EXPECT_EQ(textBetween(L"a Brenhal2 b", L"Brenhal2", L""), L" b");
}

TEST(TextBetween, MissingMarkers) {
  EXPECT_EQ(textBetween(L"abc", L"x", L";"), L"");
  EXPECT_EQ(textBetween(L"a;b", L";", L";"), L"b");
  EXPECT_EQ(textBetween(L"abc;", L";", L""), L"");
  EXPECT_EQ(textBetween(L"abc;", L";", L";"), L"");
}

TEST(TextBetween, SearchesTheEndMarkerAfterTheStartMarker) {
  // The ";" before the start marker must not end the piece.
  EXPECT_EQ(textBetween(L"a;key=VALUE;rest", L"KEY=", L";"), L"VALUE");
  EXPECT_EQ(textBetween(L"Key=value;", L"KEY=", L";"), L"value");
  // Multi-character end marker, found ignoring case.
  EXPECT_EQ(textBetween(L"<b>Bold</B>", L"<B>", L"</b>"), L"Bold");
  // Start and end markers that overlap in the text.
  EXPECT_EQ(textBetween(L"aXa", L"aXa", L"a"), L"");
  EXPECT_EQ(textBetween(L"ＡＢＣ内容", L"ａｂｃ", L""), L"内容");
}

TEST(TextBetween, EmptyTextGivesEmptyPieceForAnyMarkers) {
  for (const wchar_t* start : {L"", L"Brenhal", L";", L"x"}) {
    for (const wchar_t* end : {L"", L";"}) {
      EXPECT_EQ(textBetween(L"", start, end), L"") << start << '|' << end;
    }
  }
}

}  // namespace
}  // namespace vemdrol
