// Runs both natively (iconv) and under Windows with code page 932, so every
// expectation here holds for both backends alike.
#include "os/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vemdrol {
namespace {

using namespace std::string_literals;

TEST(CodePage, ConvertsJapaneseBothWays) {
  const struct {
    Text text;
    std::string bytes;
  } cases[] = {
      {L"アプリケーション一覧",
       "\x83\x41\x83\x76\x83\x8a\x83\x50\x81\x5b\x83\x56\x83\x87\x83\x93\x88\xea\x97\x97"},
      {L"内容=", "\x93\xe0\x97\x65="},
      {L"①", "\x87\x40"},
      {L"ｱｲｳ", "\xb1\xb2\xb3"},  // half-width katakana: one byte each
      {L"～―＼", "\x81\x60\x81\x5c\x81\x5f"},
      {L"C:\\ツール\\表.exe", "C:\\\x83\x63\x81\x5b\x83\x8b\\\x95\x5c.exe"},
      {L"a~b", "a~b"},
      {L"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(toAnsi(c.text), c.bytes);
    EXPECT_EQ(fromAnsi(c.bytes), c.text);
  }
}

TEST(CodePage, BackslashIsByte5CAndSecondBytesStayInsideTheirCharacter) {
  EXPECT_EQ(toAnsi(L"\\"), "\\");
  EXPECT_EQ(fromAnsi("\\"), L"\\");
  // 表 and ソ end in 0x5C; that byte must not come out as a separate "\".
  EXPECT_EQ(fromAnsi("\x95\x5c\x83\x5c"), L"表ソ");
  EXPECT_EQ(toAnsi(L"表ソ"), "\x95\x5c\x83\x5c");
}

TEST(CodePage, NulCharactersPassThrough) {
  EXPECT_EQ(toAnsi(Text(L"a\0ア\0", 4)), "a\0\x83\x41\0"s);
  EXPECT_EQ(fromAnsi("a\0\x83\x41\0"s), Text(L"a\0ア\0", 4));
}

TEST(CodePage, CharactersWithoutExactEquivalentBecomeQuestionMarks) {
  // No best fit: "¥" must not become 0x5C, which reads back as "\".
  EXPECT_EQ(toAnsi(L"¥"), "?");
  EXPECT_EQ(toAnsi(L"©€¢£¬‾−〜—‖"), "??????????");
  EXPECT_EQ(toAnsi(L"a\uFFFDb"), "a?b");
  EXPECT_EQ(toAnsi(L"\uF8F0\uF8F1\uF8F2\uF8F3"), "????");
  // One "?" per character, a character beyond U+FFFF included.
  EXPECT_EQ(toAnsi(L"x\U0001F600y"), "x?y");
  EXPECT_EQ(toAnsi(L"アÀ"), "\x83\x41?");
}

TEST(CodePage, UnpairedSurrogatesBecomeQuestionMarks) {
  EXPECT_EQ(toAnsi(Text{static_cast<wchar_t>(0xD800), L'a'}), "?a");
  EXPECT_EQ(toAnsi(Text{L'a', static_cast<wchar_t>(0xDC00)}), "a?");
  EXPECT_EQ(toAnsi(Text{static_cast<wchar_t>(0xDC00), static_cast<wchar_t>(0xD800)}), "??");
}

TEST(CodePage, InvalidBytesBecomeOneReplacementEach) {
  // A lead byte at the end, or before a byte that cannot complete it, is one
  // invalid byte; the byte after it is read on its own, so no comma, quote or
  // line end is ever swallowed.
  EXPECT_EQ(fromAnsi("ab\x82"), L"ab\uFFFD");
  EXPECT_EQ(fromAnsi("\x81,\x81\"\x81\r\n"), L"\uFFFD,\uFFFD\"\uFFFD\r\n");
  EXPECT_EQ(fromAnsi("\x81 x"), L"\uFFFD x");
  // A lead byte and a second byte that together are unassigned.
  EXPECT_EQ(fromAnsi("\x85\x40"), L"\uFFFD@");
  EXPECT_EQ(fromAnsi("\x85\x81\x40"), L"\uFFFD\u3000");
  // Bytes that are never characters of the code page.
  EXPECT_EQ(fromAnsi("\xa0\xfd\xfe\xff"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
  // 0x80 is the one single byte outside ASCII and katakana that maps.
  EXPECT_EQ(fromAnsi("\x80"), L"\u0080");
  EXPECT_EQ(toAnsi(L"\u0080"), "\x80");
}

TEST(CodePage, OneInvalidByteLeavesTheRestOfALongTextIntact) {
  Text text;
  for (int i = 0; i < 2000; ++i) text += L"パス,C:\\a\\b.exe,ｱ①\r\n";
  ASSERT_EQ(fromAnsi(toAnsi(text)), text);
  const std::size_t middle = text.size() / 2;
  const std::string bytes = toAnsi(text.substr(0, middle)) + "\xfd" + toAnsi(text.substr(middle));
  const Text back = fromAnsi(bytes);
  EXPECT_EQ(back.size(), text.size() + 1);
  EXPECT_EQ(back.substr(0, middle), text.substr(0, middle));
  EXPECT_EQ(back[middle], L'\uFFFD');
  EXPECT_EQ(back.substr(middle + 1), text.substr(middle));
}

TEST(CodePage, EveryCharacterEitherRoundTripsOrBecomesAQuestionMark) {
  for (std::uint32_t c = 1; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const Text text(1, static_cast<wchar_t>(c));
    const std::string bytes = toAnsi(text);
    if (bytes == "?" && c != '?') continue;
    ASSERT_LE(bytes.size(), 2u) << std::hex << c;
    ASSERT_EQ(fromAnsi(bytes), text) << std::hex << c;
  }
}

TEST(CodePage, EveryDecodedCharacterEncodesBack) {
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const Text text = fromAnsi(bytes);
      ASSERT_TRUE(text.size() == 1 || text.size() == 2) << std::hex << lead << ' ' << trail;
      if (text.size() == 1) {
        // One character from both bytes: the pair was a character.
        ASSERT_NE(text[0], L'\uFFFD');
        ASSERT_EQ(fromAnsi(toAnsi(text)), text) << std::hex << lead << ' ' << trail;
      } else if (text[0] != L'\uFFFD') {
        // The first byte is a character on its own; the second is read alone.
        ASSERT_EQ(toAnsi(text.substr(0, 1)), bytes.substr(0, 1));
        ASSERT_EQ(text.substr(1), fromAnsi(bytes.substr(1)));
      } else {
        // An invalid first byte; the second byte is read on its own.
        ASSERT_EQ(text.substr(1), fromAnsi(bytes.substr(1)));
      }
    }
  }
}

// FNV-1a over the results of every conversion of one kind. The native and the
// Windows build must give the same digests: a difference between iconv's and
// Windows' tables shows up here even when both are self-consistent.
class Digest {
 public:
  void add(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      hash_ = (hash_ ^ ((value >> (8 * i)) & 0xFF)) * 0x100000001B3u;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325u;
};

TEST(CodePage, TablesAreTheSameOnEveryPlatform) {
  Digest singleBytes;
  for (unsigned b = 0; b <= 0xFF; ++b) {
    for (wchar_t c : fromAnsi(std::string(1, static_cast<char>(b)))) singleBytes.add(c);
    singleBytes.add(0xFFFFFFFF);
  }
  Digest doubleBytes;
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      for (wchar_t c : fromAnsi(bytes)) doubleBytes.add(c);
      doubleBytes.add(0xFFFFFFFF);
    }
  }
  Digest characters;
  for (std::uint32_t c = 1; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    for (char b : toAnsi(Text(1, static_cast<wchar_t>(c)))) {
      characters.add(static_cast<unsigned char>(b));
    }
    characters.add(0xFFFFFFFF);
  }
  EXPECT_EQ(singleBytes.value(), 0x39313606F46E8D00u);
  EXPECT_EQ(doubleBytes.value(), 0xE8B90B7161E06CAAu);
  EXPECT_EQ(characters.value(), 0x38771011B4151806u);
}

}  // namespace
}  // namespace vemdrol
