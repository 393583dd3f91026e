#include "log/LogLine.h"

#include <cstdio>

std::string FormatLogLine(const std::tm* localTime, const std::string& message) {
  int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
  if (localTime) {
    year = localTime->tm_year + 1900;
    month = localTime->tm_mon + 1;
    day = localTime->tm_mday;
    hour = localTime->tm_hour;
    minute = localTime->tm_min;
    second = localTime->tm_sec;
  }
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%d-%02d-%02d %02d:%02d:%02d ", year, month, day, hour, minute, second);
  return stamp + message;
}
