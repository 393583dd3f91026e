#include "streaming/DeadAir.h"

#include <cstdio>

#include "res/Texts.h"
#include "text/AnsiText.h"

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

std::string DeadAirText() {
  char threshold[16];
  std::snprintf(threshold, sizeof threshold, "%.0f", kDeadAirThresholdDb);
  return FillIn(kLogDeadAir, {std::to_string(kDeadAirHoldMs / 1000), threshold});
}
