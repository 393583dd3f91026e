#include "streaming/DeadAir.h"

#include <cmath>

#include "res/Texts.h"
#include "text/AnsiText.h"

void DeadAirDetector::Reset() {
  m_quietSinceMs.reset();
  m_silent = false;
}

DeadAirChange DeadAirDetector::Tick(long long nowMs, std::optional<double> peakDb) {
  if (!peakDb) return DeadAirChange::None;
  if (*peakDb >= kDeadAirThresholdDb) {
    m_quietSinceMs.reset();
    if (!m_silent) return DeadAirChange::None;
    m_silent = false;
    return DeadAirChange::Ended;
  }
  if (!m_quietSinceMs) m_quietSinceMs = nowMs;
  if (m_silent || nowMs - *m_quietSinceMs < kDeadAirHoldMs) return DeadAirChange::None;
  m_silent = true;
  return DeadAirChange::Began;
}

std::string DeadAirText() {
  return FillIn(kLogDeadAir, {std::to_string(kDeadAirHoldMs / 1000), std::to_string(std::lround(kDeadAirThresholdDb))});
}
