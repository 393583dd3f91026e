#include "streaming/Watchdog.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

TEST(Watchdog, ChildThatKeepsEndingIsRelaunchedOnTheSchedule) {
  int count = 0;
  std::vector<int> relaunchedAt;
  for (int tick = 1; tick <= 200; ++tick) {
    const WatchdogAction action = WatchdogTick(WaitOutcome::Ended, count);
    EXPECT_EQ(count, tick);
    if (action == WatchdogAction::Relaunch) {
      relaunchedAt.push_back(tick);
    } else {
      EXPECT_EQ(action, WatchdogAction::None);
    }
  }
  EXPECT_EQ(relaunchedAt, (std::vector<int>{1, 2, 4, 8, 16, 32, 64, 96, 128, 160, 192}));
}

TEST(Watchdog, TickSequences) {
  using W = WaitOutcome;
  using A = WatchdogAction;
  const struct {
    const char* what;
    std::vector<W> outcomes;
    std::vector<A> actions;
    int finalCount;
  } cases[] = {
      {"ended once, then running", {W::Ended, W::Running, W::Running}, {A::Relaunch, A::LogOnAir, A::None}, 0},
      {"the schedule starts afresh after running",
       {W::Ended, W::Ended, W::Ended, W::Running, W::Ended, W::Ended, W::Ended},
       {A::Relaunch, A::Relaunch, A::None, A::LogOnAir, A::Relaunch, A::Relaunch, A::None}, 3},
      {"no child, then failed waits leave the count", {W::Failed, W::Ended, W::Failed, W::Ended, W::Ended},
       {A::LogCallFailed, A::Relaunch, A::LogCallFailed, A::Relaunch, A::None}, 3},
      {"another result leaves the count", {W::Ended, W::Other, W::Running}, {A::Relaunch, A::LogWaitError, A::LogOnAir},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.outcomes.size(), c.actions.size());
    int count = 0;
    for (std::size_t i = 0; i < c.outcomes.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(WatchdogTick(c.outcomes[i], count), c.actions[i]);
    }
    EXPECT_EQ(count, c.finalCount);
  }
}

// After 2^31 ticks (some 340 years) the count would overflow; it folds back instead and the child is
// still relaunched every 32 ticks.
TEST(Watchdog, CountNeverOverflows) {
  int count = INT_MAX - 100;
  int lastRelaunch = 0;
  int relaunches = 0;
  for (int tick = 1; tick <= 320; ++tick) {
    const WatchdogAction action = WatchdogTick(WaitOutcome::Ended, count);
    EXPECT_GT(count, 0);
    if (action == WatchdogAction::Relaunch) {
      if (lastRelaunch != 0) {
        EXPECT_EQ(tick - lastRelaunch, 32);
      }
      lastRelaunch = tick;
      ++relaunches;
    }
  }
  EXPECT_EQ(relaunches, 10);
  EXPECT_EQ(WatchdogTick(WaitOutcome::Running, count), WatchdogAction::LogOnAir);
  EXPECT_EQ(count, 0);
}

TEST(Watchdog, WaitErrorText) {
  const struct {
    unsigned long result;
    const char* line;
  } cases[] = {
      {128, "Ontimer error:128"},  // an abandoned wait
      {4294967295ul, "Ontimer error:4294967295"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatWaitError(c.result), c.line);
}

}  // namespace
