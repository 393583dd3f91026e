#include "streaming/StallDetector.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// One watchdog tick: the clock, whether the status file could be read, the progress time found.
struct Tick {
  long long nowMs;
  bool readable;
  std::optional<long long> progressMs;
  bool stalled;
};

TEST(StallDetector, TickSequences) {
  const std::optional<long long> none;
  const long long t0 = 1000000;  // the launch: any monotonic reading
  const struct {
    const char* what;
    std::vector<Tick> ticks;
  } cases[] = {
      {"healthy, the watchdog ticking seldom",
       {{t0 + 5000, true, 4500, false}, {t0 + 30000, true, 29500, false}, {t0 + 90000, true, 89000, false}}},
      {"a file never readable is no progress",
       {{t0 + 5000, false, none, false}, {t0 + 19999, false, none, false}, {t0 + 20000, false, none, true}}},
      {"no progress line within 20 s of the launch",
       {{t0 + 5000, true, none, false}, {t0 + 15000, true, none, false}, {t0 + 19999, true, none, false},
        {t0 + 20000, true, none, true}}},
      {"time stops advancing",
       {{t0 + 5000, true, 4500, false}, {t0 + 10000, true, 9500, false}, {t0 + 25000, true, 9500, false},
        {t0 + 29999, true, 9500, false}, {t0 + 30000, true, 9500, true}, {t0 + 35000, true, 9500, true}}},
      {"N/A after progress counts from the last advance",
       {{t0 + 5000, true, 4500, false}, {t0 + 20000, true, none, false}, {t0 + 25000, true, none, true}}},
      {"a time that goes back is no advance",
       {{t0 + 5000, true, 4500, false}, {t0 + 10000, true, 1000, false}, {t0 + 25000, true, 4000, true}}},
      {"a file lost while the time goes on is no progress",
       {{t0 + 5000, true, 4500, false}, {t0 + 10000, false, 9500, false}, {t0 + 24999, false, 24000, false},
        {t0 + 25000, false, 24500, true}}},
      {"a file readable again in time counts what it says",
       {{t0 + 5000, true, 4500, false}, {t0 + 20000, false, 19500, false}, {t0 + 24000, true, 23500, false},
        {t0 + 43999, true, 43500, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StallDetector detector;
    detector.Reset(t0);
    for (const Tick& tick : c.ticks) {
      SCOPED_TRACE(tick.nowMs - t0);
      EXPECT_EQ(detector.Tick(tick.nowMs, tick.readable, tick.progressMs), tick.stalled);
    }
  }
}

TEST(StallDetector, ResetStartsAfreshAtEachLaunch) {
  StallDetector detector;
  detector.Reset(0);
  EXPECT_FALSE(detector.Tick(5000, true, 60000));
  EXPECT_TRUE(detector.Tick(25000, true, 60000));
  detector.Reset(25000);
  // The new encoder's time starts from zero again: it is progress, not a step back.
  EXPECT_FALSE(detector.Tick(30000, true, 500));
  EXPECT_FALSE(detector.Tick(35000, true, 5500));
}

}  // namespace
