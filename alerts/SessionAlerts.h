#pragma once
// What of a broadcast's log is news for a person away from the desk: the lines the live session and the
// window log, read as they come, give the alerts to send. The texts stay the window's (code page 936)
// until the alert leaves, converted then.
#include <string>
#include <vector>

#include "alerts/AlertMessage.h"

struct PendingAlert {
  AlertEvent event;
  std::string text;  // code page 936
};

class SessionAlerts {
 public:
  // The broadcast was switched on: the next "on air" is the first, not a return.
  void SwitchedOn();

  // Lines logged together (one call of the session, in their order). An outage (the encoder ended, or
  // could not be started) is told once as it begins, the failure to start once per outage, and its end
  // as "back on air"; the relaunches in between are no news.
  std::vector<PendingAlert> Read(const std::vector<std::string>& lines);

 private:
  bool m_onAirSaid = false;
  bool m_down = false;          // an outage is under way
  bool m_launchFailSaid = false;  // in this outage
};
