// File times as the wall clock of the machine's time zone showed them.
#pragma once

#include <optional>

#include "os/filesystem.h"

namespace vemdrol {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;  // fractions of a second are dropped
  // Local time minus UTC at that instant, in minutes (540 for +09:00).
  int offsetMinutes = 0;

  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// The local time at the instant time, with the offset from UTC in force
// then, by the rules of that date's year: a summer date gets the summer
// offset even in winter, as Explorer shows it. Windows converts with
// SystemTimeToTzSpecificLocalTime and the zone's rules for the year
// (GetTimeZoneInformationForYear), POSIX with localtime_r and the zone TZ
// names (read afresh at each call, so a test can change it). nullopt when the system cannot convert
// the time or the local year lies outside 1601 to 9999, which a four-digit year cannot show. Safe
// to call from several threads.
std::optional<LocalTime> localTimeOf(FileTime time);

}  // namespace vemdrol
