#include "files/error_message.h"

#include <gtest/gtest.h>

namespace vemdrol {
namespace {

TEST(ErrorText, WordsEachFaultWithItsSubject) {
  const struct {
    Error error;
    const wchar_t* text;
  } cases[] = {
      {Error{5, L"アクセスが拒否されました。"}, L"アクセスが拒否されました。"},
      {faultError(Fault::notWineRegistry, 1, L"1"),
       L"1 行目: Wine のレジストリ ファイルではありません"},
      {faultError(Fault::badValueLine, 12, L"12"), L"12 行目: 値の行が正しくありません"},
      {faultError(Fault::hiveDamaged, 22, L"Classes\\.txt"),
       L"ハイブが壊れています (キー Classes\\.txt)"},
      {faultError(Fault::hiveDamaged, 22), L"ハイブが壊れています (キー \\)"},
      {faultError(Fault::noSuchKey, 2, L"Classes"), L"キー Classes がありません"},
      {faultError(Fault::outOfMemory, 7), L"メモリが不足しています。"},
      {faultError(Fault::systemOutOfMemory, 12), L"メモリが不足しています"},
      {faultError(Fault::otherSystemError, 5), L"システム エラー 5"},
  };
  for (const auto& test : cases) EXPECT_EQ(errorText(test.error), test.text);
}

TEST(ErrorMessage, PutsTheLabelAndNumberBeforeTheText) {
  EXPECT_EQ(errorMessage(L"WPrint ", faultError(Fault::outOfMemory, 7)),
            L"WPrint 7 内容=メモリが不足しています。");
  EXPECT_EQ(errorMessage(L"", Error{2, L"指定されたファイルが見つかりません。"}),
            L"2 内容=指定されたファイルが見つかりません。");
}

}  // namespace
}  // namespace vemdrol
