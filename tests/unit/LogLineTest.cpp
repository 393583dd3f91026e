#include "log/LogLine.h"

#include <gtest/gtest.h>

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

TEST(LogLine, StampThenTheMessageByteForByte) {
  const std::tm t = MakeTime(2026, 12, 6, 21, 5, 9);
  EXPECT_EQ(FormatLogLine(&t, "直播中。。。"), "2026-12-06 21:05:09 直播中。。。");
  // The message is data, never a format.
  EXPECT_EQ(FormatLogLine(&t, "100% %s %d %n"), "2026-12-06 21:05:09 100% %s %d %n");
  EXPECT_EQ(FormatLogLine(&t, std::string(100000, 'x')).size(), 20 + 100000u);
  // A clock the conversion cannot read still gives a line.
  EXPECT_EQ(FormatLogLine(nullptr, "关闭直播。。。"), "0-00-00 -1:-1:-1 关闭直播。。。");
}

}  // namespace
