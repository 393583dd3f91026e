#pragma once
// What the window tells a group chat: the broadcast's and the recording's events that are news, and the
// program's own (start-up trouble, closing, Windows ending the session), sent from the sender's thread.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "alerts/AlertSender.h"
#include "alerts/RecordingAlerts.h"
#include "alerts/SessionAlerts.h"
#include "recording/RecordingSession.h"
#include "settings/ProfileSettings.h"
#include "streaming/SessionEvent.h"

class CAlertWiring {
 public:
  // The sender's lines for the log, handed over on its thread.
  using ToLog = std::function<void(std::string line)>;
  // From the alert settings; a sender already running goes, and what it still had to send with it. None
  // without a webhook. Returns the line the log is to show when the address is refused, else empty.
  std::string Start(const AlertSettings& settings, const std::string& computerName, ToLog toLog);
  // Sends what waits for up to drainMs, then ends the sender (bounded, whatever the webhook does).
  void Stop(long long drainMs);

  // The broadcast was switched on.
  void SwitchedOn() { m_session.SwitchedOn(); }
  // The session's events: those that are news go out.
  void Tell(const SessionEvents& events);
  // The recording was switched on.
  void RecordingSwitchedOn() { m_recording.Reset(); }
  // The recording's events: a failure that begins an outage, and the end of one told.
  void Tell(const RecordingEvents& events);
  // An event of the program's own; text in code page 936.
  void Tell(AlertEvent event, const std::string& text);

 private:
  void Send(AlertEvent event, std::string utf8Text);

  SessionAlerts m_session;
  RecordingAlerts m_recording;
  std::string m_station;  // UTF-8
  std::unique_ptr<CAlertSender> m_sender;
};
