// Watchdog tick sequences against a count that never folds: the count is never negative, and a child
// that keeps ending is relaunched at 1, 2, 4, 8 and 16 ticks, then every 32, however long it takes.
#include "streaming/Watchdog.h"

#include <climits>
#include <cstring>

#include "tests/fuzz/FuzzCheck.h"

namespace {

bool OnSchedule(long long count) {
  return count == 1 || count == 2 || count == 4 || count == 8 || count == 16 || (count > 0 && count % 32 == 0);
}

// The count a real watchdog keeps for an unbounded one: multiples of 32 stay multiples of 32.
long long Folded(long long count) {
  if (count <= INT_MAX) return count;
  return INT_MAX - 31 + (count - INT_MAX - 1) % 32;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  unsigned long waitResult = 0;
  std::memcpy(&waitResult, data + 1, sizeof waitResult < 8 ? sizeof waitResult : 8);
  FUZZ_CHECK(FormatWaitError(waitResult) == "Ontimer error:" + std::to_string(waitResult));

  // The first byte picks where the count starts: afresh, or close below the largest int.
  long long unbounded = data[0] & 1 ? INT_MAX - (data[0] >> 1) : 0;
  int count = static_cast<int>(unbounded);
  for (std::size_t i = 9; i < size; ++i) {
    for (int shift = 0; shift < 8; shift += 2) {
      const WaitOutcome outcome = static_cast<WaitOutcome>((data[i] >> shift) & 3);
      const int before = count;
      const WatchdogAction action = WatchdogTick(outcome, count);
      switch (outcome) {
        case WaitOutcome::Running:
          FUZZ_CHECK(action == (before > 0 ? WatchdogAction::LogOnAir : WatchdogAction::None));
          unbounded = 0;
          break;
        case WaitOutcome::Ended:
          ++unbounded;
          FUZZ_CHECK(action == (OnSchedule(unbounded) ? WatchdogAction::Relaunch : WatchdogAction::None));
          break;
        case WaitOutcome::Failed:
          FUZZ_CHECK(action == WatchdogAction::LogCallFailed);
          break;
        case WaitOutcome::Other:
          FUZZ_CHECK(action == WatchdogAction::LogWaitError);
          break;
      }
      FUZZ_CHECK(count >= 0);
      FUZZ_CHECK(count == Folded(unbounded));
      FUZZ_CHECK(IsRelaunchCount(count) == OnSchedule(count));
    }
  }
  return 0;
}
