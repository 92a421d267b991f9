#include "formats/byte_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace vemdrol {
namespace {

// The same bytes through a source, which can be told to fail at one offset
// as a paged file that shrank does.
class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  ByteOffset size() const override { return bytes_.size(); }
  std::optional<unsigned char> byte(ByteOffset at) override {
    EXPECT_LT(at, bytes_.size());
    if (at == failAt) return std::nullopt;
    return static_cast<unsigned char>(bytes_[at]);
  }
  ByteOffset failAt = ~ByteOffset{0};

 private:
  std::string bytes_;
};

const std::string sixteen = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10";

TEST(ByteReader, ReadsJustInsideTheWindowAndNothingPastIt) {
  StringSource source(sixteen);
  for (const ByteReader& whole : {ByteReader(std::string_view(sixteen)), ByteReader(source)}) {
    // A window of ten bytes from offset 4: its last byte is 0x0E.
    const std::optional<ByteReader> window = whole.window(4, 10);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->base(), 4u);
    const struct {
      ByteOffset at;
      std::optional<std::uint64_t> u8, u16, u32, u64;
    } cases[] = {
        {0, 0x05, 0x0605, 0x08070605, 0x0C0B0A0908070605},
        {2, 0x07, 0x0807, 0x0A090807, 0x0E0D0C0B0A090807},  // u64 just inside
        {3, 0x08, 0x0908, 0x0B0A0908, std::nullopt},        // u64 just past
        {6, 0x0B, 0x0C0B, 0x0E0D0C0B, std::nullopt},        // u32 just inside
        {7, 0x0C, 0x0D0C, std::nullopt, std::nullopt},
        {9, 0x0E, std::nullopt, std::nullopt, std::nullopt},  // the last byte
        {10, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {~ByteOffset{0} - 1, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& test : cases) {
      EXPECT_EQ(window->u8(test.at), test.u8) << test.at;
      EXPECT_EQ(window->u16(test.at), test.u16) << test.at;
      EXPECT_EQ(window->u32(test.at), test.u32) << test.at;
      EXPECT_EQ(window->u64(test.at), test.u64) << test.at;
    }
    EXPECT_TRUE(window->holds(10, 0));
    EXPECT_FALSE(window->holds(10, 1));
    EXPECT_FALSE(window->holds(1, ~ByteOffset{0}));  // no sum wraps around
    EXPECT_EQ(window->bytes(8, 2), std::string("\x0D\x0E"));
    EXPECT_FALSE(window->bytes(8, 3));
    EXPECT_TRUE(window->matches(9, "\x0E"));
    EXPECT_FALSE(window->matches(9, std::string("\x0E\x0F")));  // the byte after is not its
    // Windows of windows stay inside.
    EXPECT_TRUE(window->window(10, 0));
    EXPECT_FALSE(window->window(6, 5));
    EXPECT_EQ(window->from(9)->u8(0), 0x0E);
    EXPECT_FALSE(window->from(11));
  }
}

TEST(ByteReader, AByteTheSourceCannotGiveIsNoValue) {
  StringSource source(sixteen);
  source.failAt = 5;
  const ByteReader reader(source);
  EXPECT_EQ(reader.u32(0), 0x04030201u);
  EXPECT_FALSE(reader.u32(2));
  EXPECT_FALSE(reader.bytes(4, 2));
  EXPECT_EQ(reader.u16(6), 0x0807u);
}

TEST(ByteReader, ViewsLieInTheBytesThemselves) {
  const ByteReader reader(std::string_view(sixteen).substr(0, 8));
  const auto view = reader.window(2, 4)->view(1, 3);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->data(), sixteen.data() + 3);
  EXPECT_EQ(view->size(), 3u);
  EXPECT_FALSE(reader.view(7, 2));
}

}  // namespace
}  // namespace vemdrol
