#pragma once
// Which of the recording's events are news, apart from the broadcast's: a failure is told once, as the
// outage begins (the relaunches that fail after it are the same outage), and its end as "recording back".
// A recording paused for want of space is no failure: the outage told before it is over, and the session
// says no "back" after the pause.
#include "alerts/AlertMessage.h"

class RecordingAlerts {
 public:
  // The recording was switched on, or paused for space: whatever comes is a new outage.
  void Reset() { m_failureTold = false; }
  // Whether this event of the recording (RecordingFailed, RecordingBack) is to be told.
  bool Tell(AlertEvent event);

 private:
  bool m_failureTold = false;  // in this outage
};
