#pragma once
// The clocks an alert is told: the station's wall-clock time for its text, the time since 1970 for
// signatures, and a monotonic clock for the queue's pauses.
#include "alerts/AlertMessage.h"

// Now, in the machine's time zone, with its offset from UTC at this moment (daylight saving included).
LocalTime CurrentLocalTime();

// Milliseconds since 1970-01-01 00:00 UTC.
long long EpochMsNow();

// Milliseconds since the machine started; never goes back when the clock is set.
long long MonotonicMsNow();
