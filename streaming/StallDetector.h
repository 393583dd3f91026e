#pragma once
#include <optional>

// A streaming encoder can stay alive with nothing moving (a connection that hangs, a capture device that
// stopped delivering). The watchdog, which only restarts encoders that ended, would never notice; this
// decides when such an encoder is to be ended, from the progress times in its status file.

constexpr long long kStallTimeoutMs = 20000;

class StallDetector {
 public:
  // At every launch of the encoder: nowMs is a monotonic clock reading in milliseconds.
  void Reset(long long nowMs);

  // Once per watchdog tick. statusReadable: the status file could be read; progressTimeMs: the time=
  // of its latest progress line (LatestProgress), empty when there is none or it says N/A.
  // Returns true (stalled) when the progress time has not gone beyond its highest value for
  // kStallTimeoutMs, or no progress time came within kStallTimeoutMs of the launch. A tick whose file
  // could not be read decides nothing and changes nothing: it is never stalled.
  bool Tick(long long nowMs, bool statusReadable, std::optional<long long> progressTimeMs);

 private:
  long long sinceMs_ = 0;                  // the launch, or the last tick on which the time went up
  std::optional<long long> bestTimeMs_;    // the highest progress time seen since the launch
};
