#pragma once
#include "res/Texts.h"
#include <string>

// The watchdog polls the streaming child every 5 seconds while live and relaunches a child that has
// ended: at once, then less and less often.

// Log lines of the live switch and the watchdog.
extern const char kLogCallFailed[];  // "call process  failed!"

// True when the watchdog relaunches at this count of consecutive ticks that found the child ended:
// 1, 2, 4, 8, 16 and every multiple of 32.
bool IsRelaunchCount(int count);

// What the wait on the child's process handle reported: timed out (the child runs), signalled (it has
// ended), failed (no child, for example), or any other result.
enum class WaitOutcome { Running, Ended, Failed, Other };

// What a tick is to make of the child. Without a child the last launch, first or not, could not start it:
// that counts as an ended child, so the schedule keeps trying instead of falling silent.
WaitOutcome WatchdogOutcome(bool hasChild, WaitOutcome waited);

enum class WatchdogAction { None, LogOnAir, Relaunch, LogCallFailed, LogWaitError };

// One tick of the watchdog: updates restartCount and says what to do.
// Running: LogOnAir when the count was above 0, else None; the count goes back to 0.
// Ended: the count goes up by one; Relaunch when the new count is on the schedule, else None. The count
// never overflows: from INT_MAX it folds back by 32 to the multiple of 32 below, so relaunches go on
// every 32 ticks for ever.
// Failed (the wait on a child failed): LogCallFailed. Other: LogWaitError. Neither changes the count.
WatchdogAction WatchdogTick(WaitOutcome outcome, int& restartCount);

// How many more ticks that find the child ended it takes, from this count, until the next relaunch.
int TicksToNextRelaunch(int restartCount);

// The log line for a wait result other than timed out, signalled or failed: "Ontimer error:%u".
std::string FormatWaitError(unsigned long result);
