#include "app/AlertWiring.h"

#include <optional>

#include "alerts/AlertClock.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookRequest.h"
#include "res/Texts.h"
#include "text/AnsiTextConversion.h"
#include "text/AsciiText.h"

namespace {
// Why an encoder ended, for a message: the encoder's own words go as it wrote them (UTF-8); the
// program's own words are converted from the log's line.
std::string ReasonText(const SessionEvent& event) {
  if (!event.reasonUtf8.empty()) return AnsiToUtf8(kLogEncoderExitReason) + event.reasonUtf8;
  return AnsiToUtf8(event.reasonLine);
}
}  // namespace

std::string CAlertWiring::Start(const AlertSettings& settings, const std::string& computerName, ToLog toLog) {
  m_sender.reset();
  m_station = AnsiToUtf8(settings.station.empty() ? computerName : settings.station);
  if (settings.webhook.empty()) return std::string();
  const WebhookAddressParse parsed = ParseWebhookAddress(settings.webhook);
  if (parsed.refusal) return parsed.refusal;
  const WebhookFormat format = ChosenFormat(parsed.address, settings.format);
  m_sender = std::make_unique<CAlertSender>(parsed.address, format, settings.secret, std::move(toLog));
  return std::string();
}

void CAlertWiring::Stop(long long drainMs) {
  if (m_sender) m_sender->Stop(drainMs);
}

namespace {
// The message a session event makes, if any.
std::optional<AlertEvent> AlertFor(SessionEventKind kind) {
  switch (kind) {
    case SessionEventKind::OnAir: return AlertEvent::OnAir;
    case SessionEventKind::BackOnAir: return AlertEvent::BackOnAir;
    case SessionEventKind::Dropped: return AlertEvent::Dropped;
    case SessionEventKind::NoDataOut: return AlertEvent::NoDataOut;
    case SessionEventKind::LaunchFailed: return AlertEvent::LaunchFailed;
    case SessionEventKind::DeadAir: return AlertEvent::DeadAir;
    case SessionEventKind::SoundBack: return AlertEvent::SoundBack;
    case SessionEventKind::SwitchedOff: return AlertEvent::OffAir;
    default: return std::nullopt;
  }
}
}  // namespace

void CAlertWiring::Tell(const SessionEvents& events) {
  for (const SessionEvent& event : events) {
    const std::optional<AlertEvent> alert = AlertFor(event.kind);
    if (!alert || !m_session.Tell(*alert)) continue;
    // The log's own line, but where the log has none to tell (the first progress, said at the click) or
    // words of the encoder follow.
    std::string text;
    switch (event.kind) {
      case SessionEventKind::OnAir: text = AnsiToUtf8(kLogOnAir); break;
      case SessionEventKind::BackOnAir: text = AnsiToUtf8(kAlertBackOnAir); break;
      case SessionEventKind::Dropped: text = AnsiToUtf8(event.line) + ReasonText(event); break;
      case SessionEventKind::NoDataOut: text = AnsiToUtf8(kAlertNoDataOut) + ReasonText(event); break;
      default: text = AnsiToUtf8(event.line); break;
    }
    Send(*alert, std::move(text));
  }
}

namespace {
// What the log's line says after its "录音：".
std::string WithoutRecordPrefix(const std::string& line) {
  return StartsWith(line, kLogRecordPrefix) ? line.substr(sizeof(kLogRecordPrefix) - 1) : line;
}

// Why the recording failed: the encoder's own words as it wrote them, else the program's, from the log.
std::string RecordingFailure(const RecordingEvent& event) {
  if (!event.reasonUtf8.empty()) return event.reasonUtf8;
  return AnsiToUtf8(WithoutRecordPrefix(event.reasonLine.empty() ? event.line : event.reasonLine));
}
}  // namespace

void CAlertWiring::Tell(const RecordingEvents& events) {
  for (const RecordingEvent& event : events) {
    switch (event.kind) {
      case RecordingEventKind::Failed:
        if (m_recording.Tell(AlertEvent::RecordingFailed))
          Send(AlertEvent::RecordingFailed, utf8::kAlertRecordFailed + RecordingFailure(event));
        break;
      case RecordingEventKind::Back:
        if (m_recording.Tell(AlertEvent::RecordingBack)) Send(AlertEvent::RecordingBack, utf8::kAlertRecordBack);
        break;
      case RecordingEventKind::Paused:
        m_recording.Reset();
        break;
      default:
        break;
    }
  }
}

void CAlertWiring::Tell(AlertEvent event, const std::string& text) { Send(event, AnsiToUtf8(text)); }

void CAlertWiring::Send(AlertEvent event, std::string utf8Text) {
  if (!m_sender) return;
  AlertMessage message;
  message.event = event;
  message.text = std::move(utf8Text);
  message.station = m_station;
  message.time = CurrentLocalTime();
  m_sender->Post(std::move(message));
}
