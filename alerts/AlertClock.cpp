#include "alerts/AlertClock.h"

#include <windows.h>

namespace {

constexpr long long kFileTimeUnitsPerMs = 10000;
constexpr long long kFileTimeUnitsPerMinute = 60 * 1000 * kFileTimeUnitsPerMs;
// 1601-01-01 (where a FILETIME counts from) to 1970-01-01, in FILETIME units of 100 ns.
constexpr long long kFileTimeAtEpoch = 116444736000000000LL;

long long FileTimeUnits(const SYSTEMTIME& time) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  return static_cast<long long>(static_cast<unsigned long long>(file.dwHighDateTime) << 32 | file.dwLowDateTime);
}

}  // namespace

LocalTime CurrentLocalTime() {
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  // The offset is the difference of the two readings of the same moment, so it is the one in force now.
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  const long long difference = FileTimeUnits(local) - FileTimeUnits(utc);
  LocalTime time;
  time.year = local.wYear;
  time.month = local.wMonth;
  time.day = local.wDay;
  time.hour = local.wHour;
  time.minute = local.wMinute;
  time.second = local.wSecond;
  time.utcOffsetMinutes = static_cast<int>(difference / kFileTimeUnitsPerMinute);
  return time;
}

long long EpochMsNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const long long units =
      static_cast<long long>(static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime);
  return (units - kFileTimeAtEpoch) / kFileTimeUnitsPerMs;
}

long long MonotonicMsNow() { return static_cast<long long>(GetTickCount64()); }
