#include "streaming/DeadAir.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using C = DeadAirChange;

// One look at the status file: the clock, the latest reading, what the detector says then.
struct Look {
  long long nowMs;
  std::optional<double> peakDb;
  C change;
  bool silent;
};

const long long kReset = -1;  // a new encoder is launched
const std::optional<double> kNone;
const double kQuiet = -120.0;  // digital silence
const double kSound = -20.0;

TEST(DeadAir, LookSequences) {
  const struct {
    const char* what;
    std::vector<Look> looks;
  } cases[] = {
      {"quiet for 10 s, readings in bursts: said once",
       {{0, kQuiet, C::None, false}, {300, kQuiet, C::None, false}, {1800, -50.01, C::None, false},
        {9999, kQuiet, C::None, false}, {10000, kQuiet, C::Began, true}, {10500, kQuiet, C::None, true},
        {60000, kQuiet, C::None, true}}},
      {"a reading of sound starts the count again",
       {{0, kQuiet, C::None, false}, {8000, kSound, C::None, false}, {9000, kQuiet, C::None, false},
        {18999, kQuiet, C::None, false}, {19000, kQuiet, C::Began, true}}},
      {"the threshold itself is sound", {{0, -50.0, C::None, false}, {20000, -50.0, C::None, false}}},
      {"sound back: said once",
       {{0, kQuiet, C::None, false}, {10000, kQuiet, C::Began, true}, {12000, kSound, C::Ended, false},
        {12500, kSound, C::None, false}}},
      {"no readings alone are neither",
       {{0, kNone, C::None, false}, {30000, kNone, C::None, false}, {31000, kSound, C::None, false},
        {45000, kNone, C::None, false}}},
      {"a gap between quiet readings counts with them",
       {{0, kQuiet, C::None, false}, {5000, kNone, C::None, false}, {12000, kQuiet, C::Began, true}}},
      {"a silence stays through a gap",
       {{0, kQuiet, C::None, false}, {10000, kQuiet, C::Began, true}, {20000, kNone, C::None, true},
        {25000, kSound, C::Ended, false}}},
      // The count starts at the new encoder's first quiet reading.
      {"a launch starts afresh",
       {{0, kQuiet, C::None, false}, {10000, kQuiet, C::Began, true}, {kReset, kNone, C::None, false},
        {15000, kQuiet, C::None, false}, {24999, kQuiet, C::None, false}, {25000, kQuiet, C::Began, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeadAirDetector detector;
    detector.Reset();
    for (const Look& look : c.looks) {
      SCOPED_TRACE(look.nowMs);
      const C change = look.nowMs == kReset ? (detector.Reset(), C::None) : detector.Tick(look.nowMs, look.peakDb);
      EXPECT_EQ(change, look.change);
      EXPECT_EQ(detector.Silent(), look.silent);
    }
  }
}

}  // namespace
