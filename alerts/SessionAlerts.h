#pragma once
// Which of a broadcast's events are news for a person away from the desk. An outage is told once, as it
// begins (an encoder that had been on air dropped, or one that never got data out), a failure to start
// the encoder once per outage, and its end as "back on air"; the relaunches in between are no news.
#include "alerts/AlertMessage.h"

class SessionAlerts {
 public:
  // The broadcast was switched on: what comes is a new run.
  void SwitchedOn();
  // Whether this event of the broadcast is to be told.
  bool Tell(AlertEvent event);

 private:
  bool m_outageTold = false;      // this outage was told
  bool m_launchFailTold = false;  // in this outage
};
