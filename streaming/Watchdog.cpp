#include "streaming/Watchdog.h"

#include <climits>

const char kLogCallFailed[] = "call process  failed!";

namespace {

const int kRelaunchPeriod = 32;

}  // namespace

bool IsRelaunchCount(int count) {
  if (count <= 0) return false;
  return count == 1 || count == 2 || count == 4 || count == 8 || count == 16 || count % kRelaunchPeriod == 0;
}

WaitOutcome WatchdogOutcome(bool hasChild, WaitOutcome waited) {
  return hasChild ? waited : WaitOutcome::Ended;
}

WatchdogAction WatchdogTick(WaitOutcome outcome, int& restartCount) {
  switch (outcome) {
    case WaitOutcome::Running: {
      const bool wasDown = restartCount > 0;
      restartCount = 0;
      return wasDown ? WatchdogAction::LogOnAir : WatchdogAction::None;
    }
    case WaitOutcome::Ended:
      // INT_MAX + 1 would be a multiple of 32; INT_MAX - 31 is the multiple just below it, so the
      // schedule keeps its 32-tick rhythm instead of overflowing.
      restartCount = restartCount == INT_MAX ? INT_MAX - (kRelaunchPeriod - 1) : restartCount + 1;
      return IsRelaunchCount(restartCount) ? WatchdogAction::Relaunch : WatchdogAction::None;
    case WaitOutcome::Failed:
      return WatchdogAction::LogCallFailed;
    case WaitOutcome::Other:
      break;
  }
  return WatchdogAction::LogWaitError;
}

int TicksToNextRelaunch(int restartCount) {
  int ticks = 1;
  while (WatchdogTick(WaitOutcome::Ended, restartCount) != WatchdogAction::Relaunch) ++ticks;
  return ticks;
}

std::string FormatWaitError(unsigned long result) {
  return "Ontimer error:" + std::to_string(result);
}
