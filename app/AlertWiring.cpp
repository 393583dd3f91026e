#include "app/AlertWiring.h"

#include "alerts/AlertClock.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookRequest.h"
#include "res/Texts.h"
#include "text/AnsiTextConversion.h"

namespace {
// Why an encoder ended, for a message: the encoder's own words go as it wrote them (UTF-8); the
// program's own words are converted from the log's line.
std::string ReasonText(const SessionEvent& event) {
  if (!event.reasonUtf8.empty()) return AnsiToUtf8(kLogEncoderExitReason) + event.reasonUtf8;
  return AnsiToUtf8(event.reasonLine);
}
}  // namespace

std::string CAlertWiring::Start(const AlertSettings& settings, const std::string& computerName, HWND window,
                                UINT logMessage) {
  m_sender.reset();
  m_station = AnsiToUtf8(settings.station.empty() ? computerName : settings.station);
  if (settings.webhook.empty()) return std::string();
  const WebhookAddressParse parsed = ParseWebhookAddress(settings.webhook);
  if (parsed.refusal) return parsed.refusal;
  const WebhookFormat format = ChosenFormat(parsed.address, settings.format);
  m_sender = std::make_unique<CAlertSender>(parsed.address, format, settings.secret, [this, window, logMessage](std::string line) {
    {
      std::lock_guard<std::mutex> lock(m_logMutex);
      m_log.push_back(std::move(line));
    }
    PostMessageA(window, logMessage, 0, 0);
  });
  return std::string();
}

void CAlertWiring::Stop(long long drainMs) {
  if (m_sender) m_sender->Stop(drainMs);
}

void CAlertWiring::Tell(const SessionEvents& events) {
  for (const SessionEvent& event : events) {
    AlertEvent alert;
    std::string text;
    switch (event.kind) {
      case SessionEventKind::Note:
      case SessionEventKind::SwitchedOn:
        continue;
      case SessionEventKind::OnAir:
        alert = AlertEvent::OnAir;
        text = AnsiToUtf8(kLogOnAir);
        break;
      case SessionEventKind::BackOnAir:
        alert = AlertEvent::BackOnAir;
        text = AnsiToUtf8(kAlertBackOnAir);
        break;
      case SessionEventKind::Dropped:
        alert = AlertEvent::Dropped;
        text = AnsiToUtf8(event.line) + ReasonText(event);
        break;
      case SessionEventKind::NoDataOut:
        alert = AlertEvent::NoDataOut;
        text = AnsiToUtf8(kAlertNoDataOut);
        text += ReasonText(event);
        break;
      case SessionEventKind::LaunchFailed:
        alert = AlertEvent::LaunchFailed;
        text = AnsiToUtf8(event.line);
        break;
      case SessionEventKind::DeadAir:
        alert = AlertEvent::DeadAir;
        text = AnsiToUtf8(event.line);
        break;
      case SessionEventKind::SoundBack:
        alert = AlertEvent::SoundBack;
        text = AnsiToUtf8(event.line);
        break;
      case SessionEventKind::SwitchedOff:
        alert = AlertEvent::OffAir;
        text = AnsiToUtf8(event.line);
        break;
      default:
        continue;
    }
    if (m_session.Tell(alert)) Send(alert, std::move(text));
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

std::vector<std::string> CAlertWiring::TakeLog() {
  std::vector<std::string> lines;
  std::lock_guard<std::mutex> lock(m_logMutex);
  lines.swap(m_log);
  return lines;
}
