#include "log/LogLine.h"
#include "text/AsciiText.h"

#include <cstdio>

std::string FormatLogLine(const std::tm* localTime, const std::string& message) {
  // Wide enough for any field a broken time conversion could leave, so the stamp is never cut short.
  long long year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
  if (localTime) {
    year = localTime->tm_year + 1900LL;
    month = localTime->tm_mon + 1LL;
    day = localTime->tm_mday;
    hour = localTime->tm_hour;
    minute = localTime->tm_min;
    second = localTime->tm_sec;
  }
  return std::to_string(year) + "-" + ZeroPadded(month, 2) + "-" + ZeroPadded(day, 2) + " " + ZeroPadded(hour, 2) +
         ":" + ZeroPadded(minute, 2) + ":" + ZeroPadded(second, 2) + " " + message;
}
