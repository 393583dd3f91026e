#include "streaming/StallDetector.h"

void StallDetector::Reset(long long nowMs) {
  sinceMs_ = nowMs;
  bestTimeMs_.reset();
}

bool StallDetector::Tick(long long nowMs, bool outputRead, std::optional<long long> progressTimeMs) {
  if (outputRead && progressTimeMs && (!bestTimeMs_ || *progressTimeMs > *bestTimeMs_)) {
    bestTimeMs_ = progressTimeMs;
    sinceMs_ = nowMs;
    return false;
  }
  return nowMs - sinceMs_ >= kStallTimeoutMs;
}
