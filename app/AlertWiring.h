#pragma once
// What the window tells a group chat: the broadcast's and the recording's events that are news, and the
// program's own (start-up trouble, closing, Windows ending the session), sent from the sender's thread. Lines the sender
// has for the log reach the window by a posted message and are taken on its thread.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "alerts/AlertSender.h"
#include "alerts/RecordingAlerts.h"
#include "alerts/SessionAlerts.h"
#include "recording/RecordingSession.h"
#include "settings/ProfileSettings.h"
#include "streaming/SessionEvent.h"

class CAlertWiring {
 public:
  // From the alert settings; a sender already running goes, and what it still had to send with it. None
  // without a webhook. window, logMessage: where the sender's lines for the log are announced. Returns the
  // line the log is to show when the address is refused, else empty.
  std::string Start(const AlertSettings& settings, const std::string& computerName, HWND window, UINT logMessage);
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

  // The lines the sender had for the log since the last call.
  std::vector<std::string> TakeLog();

 private:
  void Send(AlertEvent event, std::string utf8Text);

  SessionAlerts m_session;
  RecordingAlerts m_recording;
  std::string m_station;  // UTF-8
  std::mutex m_logMutex;
  std::vector<std::string> m_log;
  std::unique_ptr<CAlertSender> m_sender;
};
