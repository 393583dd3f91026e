#pragma once
#include <optional>

// A streaming encoder can stay alive with nothing moving (a connection that hangs, a capture device that
// stopped delivering). The watchdog, which only restarts encoders that ended, would never notice; this
// decides when such an encoder is to be ended, from the progress times it reports, as read from its pipe.
// The status file is only the user's mirror of that output: whatever happens to it ends no broadcast.

constexpr long long kStallTimeoutMs = 20000;

class StallDetector {
 public:
  // At every launch of the encoder: nowMs is a monotonic clock reading in milliseconds.
  void Reset(long long nowMs);

  // Once per watchdog tick. outputRead: the encoder's output is being read; progressTimeMs: the time=
  // of the latest progress line (LatestProgress), empty when there is none or it says N/A.
  // Returns true (stalled) when the progress time has not gone beyond its highest value for
  // kStallTimeoutMs, or no progress time came within kStallTimeoutMs of the launch. A tick without the
  // encoder's output is a tick without progress, whatever time it brings.
  bool Tick(long long nowMs, bool outputRead, std::optional<long long> progressTimeMs);

 private:
  long long m_sinceMs = 0;                  // the launch, or the last tick on which the time went up
  std::optional<long long> m_bestTimeMs;    // the highest progress time seen since the launch
};
