#pragma once
#include <optional>
#include <string>

// Dead air: the encoder runs and publishes, but what it publishes is silence (a muted or unplugged
// microphone, a mixer turned down). Nothing else notices, so the level meter's readings
// (LatestPeakLevel in encoder/AudioLevels.h) are watched while live.

// A peak below the threshold is quiet; at or above it, sound.
constexpr double kDeadAirThresholdDb = -50.0;
constexpr long long kDeadAirHoldMs = 10000;

// The log line of dead air beginning, with both figures.
std::string DeadAirText();

enum class DeadAirChange {
  None,
  Began,  // log kLogDeadAir; the status line shows kStatusSilence while Silent()
  Ended,  // log kLogSoundBack
};

class DeadAirDetector {
 public:
  // At every launch of the encoder: what an earlier encoder published says nothing of this one, and
  // its silence ends without kLogSoundBack.
  void Reset();

  // At each look at the status file while live. nowMs: a monotonic clock reading in milliseconds;
  // peakDb: the latest reading, empty when there is none or it is no level.
  // - Began, once, on a quiet reading that comes kDeadAirHoldMs or more after the first quiet reading
  //   since the last sound (or the launch);
  // - Ended, once, on the first sound after that;
  // - None otherwise. No reading changes nothing: it neither starts, breaks nor ends a quiet run, so a
  //   gap between quiet readings counts with them and a silence stays until sound is heard. An encoder
  //   that stopped writing is the stall rule's (StallDetector.h), which ends it within its own timeout;
  //   until then its last reading keeps being read, as it would while it runs.
  DeadAirChange Tick(long long nowMs, std::optional<double> peakDb);

  bool Silent() const { return m_silent; }

 private:
  std::optional<long long> m_quietSinceMs;  // the first quiet reading since the last sound or the launch
  bool m_silent = false;
};
