#include "log/LogLine.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
std::tm MakeTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}
}  // namespace

TEST(LogLine, FormatsDateTimeAndMessage) {
  struct Case {
    std::tm time;
    const char* message;
    const char* expected;
  } cases[] = {
      {MakeTime(2026, 12, 6, 21, 5, 9), "直播中。。。", "2026-12-06 21:05:09 直播中。。。"},
      {MakeTime(2027, 1, 31, 0, 0, 0), "", "2027-01-31 00:00:00 "},
      // The message is data, never a format.
      {MakeTime(2026, 3, 4, 5, 6, 7), "100% %s %d %n", "2026-03-04 05:06:07 100% %s %d %n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatLogLine(&c.time, c.message), c.expected);
}

TEST(LogLine, FailedTimeConversionReadsZeroDateAndMinusOneClock) {
  EXPECT_EQ(FormatLogLine(nullptr, "关闭直播。。。"), "0-00-00 -1:-1:-1 关闭直播。。。");
  // Sorts before every dated line.
  const std::tm t = MakeTime(1970, 1, 1, 0, 0, 0);
  EXPECT_LT(FormatLogLine(nullptr, "z"), FormatLogLine(&t, "a"));
}

TEST(LogLine, LongMessagesAreKeptWhole) {
  const std::string message(100000, 'x');
  const std::tm t = MakeTime(2026, 1, 1, 1, 1, 1);
  EXPECT_EQ(FormatLogLine(&t, message).size(), 20 + message.size());
}

TEST(LogLine, FieldsOutOfRangeNeitherOverflowNorCutTheStamp) {
  std::tm t = {};
  t.tm_year = INT_MAX;
  t.tm_mon = t.tm_mday = t.tm_hour = t.tm_min = t.tm_sec = INT_MIN;
  EXPECT_EQ(FormatLogLine(&t, "x"),
            "2147485547--2147483647--2147483648 -2147483648:-2147483648:-2147483648 x");
}
