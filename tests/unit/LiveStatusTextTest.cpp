#include "encoder/LiveStatusText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace {

TEST(LiveStatusText, Formats) {
  const std::optional<double> none;
  const struct {
    bool onAir;
    long long uptimeMs;
    std::optional<double> kbit;
    int relaunches;
    const char* text;
  } cases[] = {
      {true, 83000, 48.1, 0, "直播 0:01:23 | 48 kbit/s | 重启 0 次"},
      {true, 0, none, 0, "直播 0:00:00 | -- kbit/s | 重启 0 次"},
      {true, 999, 47.5, 3, "直播 0:00:00 | 48 kbit/s | 重启 3 次"},
      {true, 36000000 + 59 * 60000 + 59999, 191.9, 12, "直播 10:59:59 | 192 kbit/s | 重启 12 次"},
      {true, 400LL * 3600000, 0.0, 1, "直播 400:00:00 | 0 kbit/s | 重启 1 次"},
      {true, -5000, -3.0, 0, "直播 0:00:00 | -- kbit/s | 重启 0 次"},
      {true, 1000, std::nan(""), 0, "直播 0:00:01 | -- kbit/s | 重启 0 次"},
      {false, 83000, 48.1, 2, "未直播"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatLiveStatus(c.onAir, c.uptimeMs, c.kbit, c.relaunches), c.text);
  }
}

}  // namespace
