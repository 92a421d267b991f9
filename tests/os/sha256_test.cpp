#include "os/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace vemdrol {
namespace {

Text hashInPieces(std::string_view bytes, std::size_t piece) {
  auto hasher = Sha256::make();
  EXPECT_TRUE(hasher.ok());
  while (!bytes.empty()) {
    const std::size_t length = std::min(piece, bytes.size());
    EXPECT_TRUE(hasher.value()->add(bytes.substr(0, length)));
    bytes.remove_prefix(length);
  }
  const auto digest = hasher.value()->finish();
  EXPECT_TRUE(digest.ok());
  return sha256Text(digest.value());
}

// The test vectors of FIPS 180-2, appendix B.
TEST(Sha256, GivesTheStandardsDigestsHoweverTheBytesArrive) {
  EXPECT_EQ(hashInPieces("", 1),
            L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hashInPieces("abc", 3),
            L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  for (const std::size_t piece : {std::size_t{1}, std::size_t{55}, std::size_t{56}}) {
    EXPECT_EQ(hashInPieces(twoBlocks, piece),
              L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  }
  const std::string million(1000000, 'a');
  for (const std::size_t piece :
       {std::size_t{63}, std::size_t{64}, std::size_t{65}, million.size()}) {
    EXPECT_EQ(hashInPieces(million, piece),
              L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  }
}

TEST(Sha256, StartsAfreshAfterEachDigest) {
  auto hasher = Sha256::make();
  ASSERT_TRUE(hasher.ok());
  Sha256& sha = *hasher.value();
  ASSERT_TRUE(sha.add("abc"));
  const Sha256Digest first = sha.finish().value();
  const Sha256Digest empty = sha.finish().value();
  ASSERT_TRUE(sha.add("ab"));
  ASSERT_TRUE(sha.add("c"));
  EXPECT_EQ(sha.finish().value(), first);
  EXPECT_EQ(sha256Text(empty), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(first[0], 0xBA);
}

}  // namespace
}  // namespace vemdrol
