#include "alerts/SessionAlerts.h"

#include "res/Texts.h"
#include "streaming/DeadAir.h"
#include "streaming/Watchdog.h"

namespace {
bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }
}  // namespace

void SessionAlerts::SwitchedOn() {
  m_onAirSaid = false;
  m_down = false;
  m_launchFailSaid = false;
}

std::vector<PendingAlert> SessionAlerts::Read(const std::vector<std::string>& lines) {
  std::vector<PendingAlert> alerts;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line == kLogOnAir) {
      if (!m_onAirSaid) {
        alerts.push_back({AlertEvent::OnAir, line});
      } else if (m_down) {
        alerts.push_back({AlertEvent::BackOnAir, kAlertBackOnAir});
      }
      m_onAirSaid = true;
      m_down = false;
      m_launchFailSaid = false;
    } else if (line == kLogRelaunch) {
      if (m_down) continue;
      m_down = true;
      // The reason, when the session gave one, is the next line.
      std::string text = line;
      if (i + 1 < lines.size() && StartsWith(lines[i + 1], kLogEncoderExitReason)) text += lines[++i];
      alerts.push_back({AlertEvent::Dropped, text});
    } else if (line == kLogCallFailed) {
      // A first launch that failed is an outage too: what comes back from it is "back on air".
      m_down = true;
      m_onAirSaid = true;
      if (m_launchFailSaid) continue;
      m_launchFailSaid = true;
      alerts.push_back({AlertEvent::LaunchFailed, line});
    } else if (line == DeadAirText()) {
      alerts.push_back({AlertEvent::DeadAir, line});
    } else if (line == kLogSoundBack) {
      alerts.push_back({AlertEvent::SoundBack, line});
    } else if (line == kLogOffAir) {
      alerts.push_back({AlertEvent::OffAir, line});
    }
  }
  return alerts;
}
