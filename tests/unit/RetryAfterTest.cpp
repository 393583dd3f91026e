#include "alerts/RetryAfter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// Only the delay in seconds is taken; a date, a sign, a fraction or nothing at all leave the queue its own
// schedule, and a delay too long for the queue's arithmetic is cut down.
TEST(Alerts, RetryAfterSeconds) {
  const struct {
    const char* value;
    std::optional<long long> seconds;
  } cases[] = {
      {"120", 120},
      {" 0\t", 0},
      {"99999999999999999999999", kRetryAfterMaxSeconds},
      {"Wed, 21 Oct 2026 07:28:00 GMT", std::nullopt},
      {"-5", std::nullopt},
      {"1.5", std::nullopt},
      {"1 2", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(RetryAfterSeconds(c.value), c.seconds) << c.value;
}
