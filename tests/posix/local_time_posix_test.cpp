#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "os/local_time.h"

namespace vemdrol {
namespace {

FileTime fromUnix(long long seconds) {
  return static_cast<FileTime>(seconds + 11644473600LL) * fileTimeTicksPerSecond;
}

// Runs each case in the zone named, and puts the process's zone back.
class LocalTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* zone = ::getenv("TZ");
    if (zone != nullptr) saved_ = zone;
  }
  void TearDown() override {
    if (saved_) {
      ::setenv("TZ", saved_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  static void zone(const char* name) { ::setenv("TZ", name, 1); }

  std::optional<std::string> saved_;
};

TEST_F(LocalTimeTest, TakesTheOffsetInForceAtThatInstant) {
  const FileTime winter = fromUnix(1796642895);  // 2026-12-07 11:28:15 UTC
  const FileTime summer = fromUnix(1782905295);  // 2026-07-01 11:28:15 UTC

  zone("Asia/Tokyo");
  EXPECT_EQ(localTimeOf(winter), (LocalTime{2026, 12, 7, 20, 28, 15, 540}));
  EXPECT_EQ(localTimeOf(summer), (LocalTime{2026, 7, 1, 20, 28, 15, 540}));

  // Read afresh at each call.
  zone("America/New_York");
  EXPECT_EQ(localTimeOf(winter), (LocalTime{2026, 12, 7, 6, 28, 15, -300}));
  EXPECT_EQ(localTimeOf(summer), (LocalTime{2026, 7, 1, 7, 28, 15, -240}));
  // The hour that comes twice in November: 05:30 and 06:30 UTC are both
  // 01:30, told apart only by the offset.
  EXPECT_EQ(localTimeOf(fromUnix(1793511000)), (LocalTime{2026, 11, 1, 1, 30, 0, -240}));
  EXPECT_EQ(localTimeOf(fromUnix(1793514600)), (LocalTime{2026, 11, 1, 1, 30, 0, -300}));

  zone("UTC");
  EXPECT_EQ(localTimeOf(winter + 9'999'999), (LocalTime{2026, 12, 7, 11, 28, 15, 0}));
}

TEST_F(LocalTimeTest, OnlyFourDigitYears) {
  zone("UTC");
  EXPECT_EQ(localTimeOf(0), (LocalTime{1601, 1, 1, 0, 0, 0, 0}));
  const FileTime lastSecond = fromUnix(253402300799LL);  // 9999-12-31 23:59:59
  EXPECT_EQ(localTimeOf(lastSecond), (LocalTime{9999, 12, 31, 23, 59, 59, 0}));
  EXPECT_FALSE(localTimeOf(lastSecond + fileTimeTicksPerSecond));
  EXPECT_FALSE(localTimeOf(~FileTime{0}));

  // West of Greenwich the first instant of 1601 is still in 1600.
  zone("America/New_York");
  EXPECT_FALSE(localTimeOf(0));
  zone("Asia/Tokyo");
  EXPECT_EQ(localTimeOf(0)->year, 1601);
}

}  // namespace
}  // namespace vemdrol
