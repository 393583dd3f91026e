#include "streaming/StallDetector.h"

void StallDetector::Reset(long long nowMs) {
  m_sinceMs = nowMs;
  m_bestTimeMs.reset();
}

bool StallDetector::Tick(long long nowMs, bool outputRead, std::optional<long long> progressTimeMs) {
  if (outputRead && progressTimeMs && (!m_bestTimeMs || *progressTimeMs > *m_bestTimeMs)) {
    m_bestTimeMs = progressTimeMs;
    m_sinceMs = nowMs;
    return false;
  }
  return nowMs - m_sinceMs >= kStallTimeoutMs;
}
