#include "os/local_time.h"

#include <time.h>

namespace vemdrol {

std::optional<LocalTime> localTimeOf(FileTime time) {
  const auto seconds = static_cast<time_t>(time / fileTimeTicksPerSecond) -
                       static_cast<time_t>(fileTimeUnixEpoch / fileTimeTicksPerSecond);
  // localtime_r, unlike localtime, need not look at TZ again; tzset does,
  // and costs a comparison when TZ is unchanged.
  ::tzset();
  struct tm local;
  if (::localtime_r(&seconds, &local) == nullptr) return std::nullopt;
  const long long year = local.tm_year + 1900LL;
  if (year < 1601 || year > 9999) return std::nullopt;
  return LocalTime{static_cast<int>(year),
                   local.tm_mon + 1,
                   local.tm_mday,
                   local.tm_hour,
                   local.tm_min,
                   local.tm_sec,
                   static_cast<int>(local.tm_gmtoff / 60)};
}

}  // namespace vemdrol
