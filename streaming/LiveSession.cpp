#include "streaming/LiveSession.h"

#include "encoder/AudioLevels.h"
#include "encoder/EncoderCommandLine.h"
#include "encoder/EncoderOutput.h"
#include "res/Texts.h"
#include "streaming/ExitReason.h"
#include "text/AnsiText.h"

namespace {
// A wait result for "no child to wait on": the system's WAIT_FAILED.
constexpr unsigned long kWaitFailed = 0xFFFFFFFFul;

std::string StatusFileLostReason() {
  return FillIn(kLogStatusFileLost, {std::to_string(kStallTimeoutMs / 1000)});
}
}  // namespace

LiveSession::LiveSession(EncoderRunner& runner, std::function<std::string(const std::string&)> toAnsi)
    : m_runner(runner), m_toAnsi(std::move(toAnsi)) {}

void LiveSession::LearnEncoder(const std::string& encoderText) {
  const FdkAacSupport support = FdkAacSupportFromEncoderText(encoderText);
  if (support != FdkAacSupport::Unknown) {
    m_aacSupport = support;
    m_bannerSeen = true;
  }
  if (LevelMeterUnavailable(encoderText)) m_meterUnavailable = true;
  const TlsSupport tls = TlsSupportFromEncoderText(encoderText);
  if (tls != TlsSupport::Unknown) m_tls = tls;
}

std::vector<std::string> LiveSession::Start(long long nowMs, const StreamChoice& choice) {
  std::vector<std::string> lines{kLogOnAir};
  m_bLive = true;
  // The watchdog's first tick comes a period after going live.
  m_lastTickMs = nowMs;
  m_nRelaunches = 0;
  m_runner.KeepSystemAwake(true);
  Launch(nowMs, choice, lines);
  return lines;
}

std::vector<std::string> LiveSession::Stop() {
  Abandon();
  return {kLogOffAir};
}

void LiveSession::Abandon() {
  m_runner.Stop();
  if (m_bLive) m_runner.KeepSystemAwake(false);
  m_bLive = false;
}

void LiveSession::Launch(long long nowMs, const StreamChoice& choice, std::vector<std::string>& lines) {
  const char* aacEncoder = AacEncoderFor(m_aacSupport);
  if (aacEncoder != std::string(kAacEncoderFdk) && !m_bAacFallbackLogged) {
    lines.push_back(kLogAacFallback);
    m_bAacFallbackLogged = true;
  }
  if (m_bannerSeen && m_meterUnavailable) NoteMeterUnavailable(lines);
  m_metered = m_bannerSeen && !m_meterUnavailable;
  const EncoderRunner::LaunchResult launched =
      m_runner.Launch(BuildStreamArgs(choice.device, choice.bitrateText, choice.server, aacEncoder, m_metered));
  if (!launched.statusFile) lines.push_back(kStatusFileFailed);
  // Said once per attempt; the watchdog tries again on its schedule (an antivirus holding ffmpeg.exe for
  // a moment must not keep the station off air until someone comes).
  m_launchFailed = !launched.started;
  if (m_launchFailed) lines.push_back(kLogCallFailed);
  m_launchMs = nowMs;
  m_stall.Reset(nowMs);
  m_deadAir.Reset();
  m_peakDb.reset();
  m_status.reset();  // what was read at this moment was the ended encoder's
}

void LiveSession::NoteMeterUnavailable(std::vector<std::string>& lines) {
  m_meterUnavailable = true;
  if (m_meterOffLogged) return;
  lines.push_back(kLogLevelMeterOff);
  m_meterOffLogged = true;
}

std::vector<std::string> LiveSession::Listen(long long nowMs) {
  std::vector<std::string> lines;
  unsigned long waitResult = 0;
  if (!m_bLive || !m_metered || !m_runner.HasChild() || m_runner.Poll(waitResult) != WaitOutcome::Running) return lines;
  std::string tail;
  if (!StatusAt(nowMs, tail)) return lines;
  m_peakDb = LatestPeakLevel(tail);
  switch (m_deadAir.Tick(nowMs, m_peakDb)) {
    case DeadAirChange::None:
      break;
    case DeadAirChange::Began:
      lines.push_back(DeadAirText());
      break;
    case DeadAirChange::Ended:
      lines.push_back(kLogSoundBack);
      break;
  }
  return lines;
}

std::vector<std::string> LiveSession::Tick(long long nowMs, const StreamChoice& choice) {
  std::vector<std::string> lines;
  if (!m_bLive) return lines;
  m_lastTickMs = nowMs;
  unsigned long waitResult = kWaitFailed;
  const bool hasChild = m_runner.HasChild();
  WaitOutcome waited = hasChild ? m_runner.Poll(waitResult) : WaitOutcome::Failed;
  std::string statusTail;
  const bool statusReadable = hasChild && LookAtStatus(nowMs, statusTail);
  // An encoder that refused the meter's filters streams without them from its next launch on.
  if (m_metered && statusReadable && LevelMeterUnavailable(statusTail)) NoteMeterUnavailable(lines);
  // An encoder whose progress stands still (a connection that died without closing) is as good as ended:
  // it is ended and counts as such on this tick.
  bool stalled = false;
  if (waited == WaitOutcome::Running) {
    stalled = m_stall.Tick(nowMs, statusReadable, LatestProgress(statusTail).timeMs);
    if (stalled) {
      m_runner.Stop();
      waited = WaitOutcome::Ended;
    }
  }
  if (waited == WaitOutcome::Running && PlannedRelaunchDue(nowMs)) {
    lines.push_back(FillIn(kLogPlannedRelaunch, {std::to_string((nowMs - m_launchMs) / kDayMs)}));
    m_runner.Stop();
    Launch(nowMs, choice, lines);
    return lines;
  }
  switch (WatchdogTick(WatchdogOutcome(hasChild, waited), m_nRestartCount)) {
    case WatchdogAction::None:
      break;
    case WatchdogAction::LogOnAir:
      lines.push_back(kLogOnAir);
      break;
    case WatchdogAction::Relaunch:
      lines.push_back(kLogRelaunch);
      if (hasChild) LogEncoderEnd(stalled, statusTail, lines);
      // The ended encoder's handles go, and one that has not quite gone yet is waited for.
      m_runner.Stop();
      ++m_nRelaunches;
      Launch(nowMs, choice, lines);
      break;
    case WatchdogAction::LogCallFailed:
      lines.push_back(kLogCallFailed);
      break;
    case WatchdogAction::LogWaitError:
      lines.push_back(FormatWaitError(waitResult));
      break;
  }
  return lines;
}

bool LiveSession::PlannedRelaunchDue(long long nowMs) const {
  const long long ranMs = nowMs - m_launchMs;
  if (ranMs >= kPlannedRelaunchLatestMs) return true;
  const bool quiet = m_deadAir.Silent() || (m_peakDb && *m_peakDb < kDeadAirThresholdDb);
  return ranMs >= kPlannedRelaunchEarliestMs && quiet;
}

// After the line that the encoder ended: why, in its own last words (stream key masked), or that it was
// ended for making no progress.
void LiveSession::LogEncoderEnd(bool stalled, const std::string& statusTail, std::vector<std::string>& lines) const {
  if (stalled) {
    lines.push_back(m_statusLost ? StatusFileLostReason() : FillIn(kLogEncoderStalled, {std::to_string(kStallTimeoutMs / 1000)}));
    return;
  }
  if (const char* explained = ExplainedExitReason(statusTail)) {
    lines.push_back(std::string(kLogEncoderExitReason) + explained);
    return;
  }
  const std::string reason = EncoderExitReason(statusTail);
  if (reason.empty()) return;
  const std::string shown = m_toAnsi(reason);
  if (!shown.empty()) lines.push_back(kLogEncoderExitReason + shown);
}

LiveFigures LiveSession::Figures(long long nowMs) {
  LiveFigures figures;
  figures.relaunches = m_nRelaunches;
  if (!m_bLive) return figures;
  figures.metered = m_metered;
  figures.peakDb = m_peakDb;
  figures.silent = m_deadAir.Silent();
  std::string tail;
  if (StatusAt(nowMs, tail)) figures.kbitPerSecond = LatestProgress(tail).kbitPerSecond;
  unsigned long waitResult = 0;
  const bool down = !m_runner.HasChild() || m_runner.Poll(waitResult) == WaitOutcome::Ended;
  // An encoder that has ended is up no longer.
  if (!down) figures.uptimeMs = nowMs - m_launchMs;
  // A count above zero means the watchdog found the encoder ended, and a launch that failed is as good as
  // that; while it is still down the next attempt comes on the tick at which the schedule relaunches.
  if ((m_nRestartCount > 0 || m_launchFailed) && down) {
    const long long retryAt = m_lastTickMs + TicksToNextRelaunch(m_nRestartCount) * kWatchdogPeriodMs;
    figures.retryInMs = retryAt > nowMs ? retryAt - nowMs : 0;
  }
  return figures;
}

bool LiveSession::StatusAt(long long nowMs, std::string& text) {
  if (!m_status || m_status->atMs != nowMs) {
    StatusReading reading;
    reading.atMs = nowMs;
    reading.said = m_runner.ReadStatusTail(reading.text);
    m_status = std::move(reading);
  }
  text = m_status->text;
  return m_status->said;
}

bool LiveSession::LookAtStatus(long long nowMs, std::string& text) {
  m_status.reset();
  const bool said = StatusAt(nowMs, text);
  m_statusLost = m_runner.StatusFileLost();
  return said && !m_statusLost;
}
