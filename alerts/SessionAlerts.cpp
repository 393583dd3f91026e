#include "alerts/SessionAlerts.h"

void SessionAlerts::SwitchedOn() {
  m_outageTold = false;
  m_launchFailTold = false;
}

bool SessionAlerts::Tell(AlertEvent event) {
  bool* toldOnce = nullptr;
  switch (event) {
    case AlertEvent::OnAir:
    case AlertEvent::BackOnAir:
      SwitchedOn();
      return true;
    case AlertEvent::Dropped:
    case AlertEvent::NoDataOut:
      toldOnce = &m_outageTold;
      break;
    case AlertEvent::LaunchFailed:
      toldOnce = &m_launchFailTold;
      break;
    default:
      return true;
  }
  if (*toldOnce) return false;
  *toldOnce = true;
  return true;
}
