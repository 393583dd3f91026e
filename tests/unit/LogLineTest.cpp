#include "log/LogLine.h"

#include <gtest/gtest.h>

TEST(LogLine, StampThenTheMessageByteForByte) {
  std::tm t = {};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 6, t.tm_hour = 21, t.tm_min = 5, t.tm_sec = 9;
  EXPECT_EQ(FormatLogLine(&t, "直播中。。。"), "2026-12-06 21:05:09 直播中。。。");
  // The message is data, never a format.
  EXPECT_EQ(FormatLogLine(&t, "100% %s %d %n"), "2026-12-06 21:05:09 100% %s %d %n");
  EXPECT_EQ(FormatLogLine(&t, std::string(100000, 'x')).size(), 20 + 100000u);
  // A clock the conversion cannot read still gives a line.
  EXPECT_EQ(FormatLogLine(nullptr, "关闭直播。。。"), "0-00-00 -1:-1:-1 关闭直播。。。");
}
