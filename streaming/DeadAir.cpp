#include "streaming/DeadAir.h"

void DeadAirDetector::Reset() {
  quietSinceMs_.reset();
  silent_ = false;
}

DeadAirChange DeadAirDetector::Tick(long long nowMs, std::optional<double> peakDb) {
  if (!peakDb) return DeadAirChange::None;
  if (*peakDb >= kDeadAirThresholdDb) {
    quietSinceMs_.reset();
    if (!silent_) return DeadAirChange::None;
    silent_ = false;
    return DeadAirChange::Ended;
  }
  if (!quietSinceMs_) quietSinceMs_ = nowMs;
  if (silent_ || nowMs - *quietSinceMs_ < kDeadAirHoldMs) return DeadAirChange::None;
  silent_ = true;
  return DeadAirChange::Began;
}
