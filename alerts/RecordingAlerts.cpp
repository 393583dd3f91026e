#include "alerts/RecordingAlerts.h"

bool RecordingAlerts::Tell(AlertEvent event) {
  switch (event) {
    case AlertEvent::RecordingFailed:
      if (m_failureTold) return false;
      m_failureTold = true;
      return true;
    case AlertEvent::RecordingBack: {
      // Back from an outage the group never heard of is no news either.
      const bool told = m_failureTold;
      m_failureTold = false;
      return told;
    }
    default:
      return true;
  }
}
