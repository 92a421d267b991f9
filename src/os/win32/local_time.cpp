#include "os/local_time.h"

#include "os/win32/windows.h"

namespace vemdrol {
namespace {

FileTime ticksOf(const FILETIME& time) {
  return FileTime{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

}  // namespace

std::optional<LocalTime> localTimeOf(FileTime time) {
  // FileTimeToLocalFileTime would apply today's offset to every date. The
  // offset of the date itself comes from the zone's rules for that year (its
  // dynamic information: the United States, for one, moved their changes in
  // 2007), as the zone database gives it elsewhere.
  const FILETIME utcTime{static_cast<DWORD>(time & 0xFFFFFFFFu), static_cast<DWORD>(time >> 32)};
  DYNAMIC_TIME_ZONE_INFORMATION zone;
  TIME_ZONE_INFORMATION rules;
  SYSTEMTIME utc;
  SYSTEMTIME local;
  FILETIME localTime;
  if (!::FileTimeToSystemTime(&utcTime, &utc) ||
      ::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID ||
      !::GetTimeZoneInformationForYear(utc.wYear, &zone, &rules) ||
      !::SystemTimeToTzSpecificLocalTime(&rules, &utc, &local) ||
      !::SystemTimeToFileTime(&local, &localTime)) {
    return std::nullopt;
  }
  if (local.wYear < 1601 || local.wYear > 9999) return std::nullopt;
  // Both sides keep the milliseconds, so the difference is whole minutes.
  const auto difference = static_cast<long long>(ticksOf(localTime) - (time - time % 10000));
  const auto offset =
      static_cast<int>(difference / (60 * static_cast<long long>(fileTimeTicksPerSecond)));
  return LocalTime{local.wYear,   local.wMonth,  local.wDay, local.wHour,
                   local.wMinute, local.wSecond, offset};
}

}  // namespace vemdrol
