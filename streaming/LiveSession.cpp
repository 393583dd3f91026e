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

SessionEvent Note(std::string line) { return {SessionEventKind::Note, std::move(line), {}, {}}; }
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

SessionEvents LiveSession::Start(long long nowMs, const StreamChoice& choice) {
  SessionEvents events{{SessionEventKind::SwitchedOn, kLogOnAir, {}, {}}};
  m_bLive = true;
  // The watchdog's first tick comes a period after going live.
  m_lastTickMs = nowMs;
  m_relaunches = 0;
  m_everOnAir = false;
  m_down = false;
  m_runner.KeepSystemAwake(true);
  Launch(nowMs, choice, events);
  return events;
}

SessionEvents LiveSession::Stop() {
  Abandon();
  return {{SessionEventKind::SwitchedOff, kLogOffAir, {}, {}}};
}

void LiveSession::Abandon() {
  m_runner.Stop();
  if (m_bLive) m_runner.KeepSystemAwake(false);
  m_bLive = false;
}

void LiveSession::Launch(long long nowMs, const StreamChoice& choice, SessionEvents& events) {
  const char* aacEncoder = AacEncoder();
  if (aacEncoder != std::string(kAacEncoderFdk) && !m_aacFallbackLogged) {
    events.push_back(Note(kLogAacFallback));
    m_aacFallbackLogged = true;
  }
  if (m_bannerSeen && m_meterUnavailable) NoteMeterUnavailable(events);
  m_metered = m_bannerSeen && !m_meterUnavailable;
  m_runner.Launch(BuildStreamArgs(choice.device, choice.bitrateText, choice.server, aacEncoder, m_metered));
  m_launchFailed = false;
  NoteLaunchResult(events);
  m_launchMs = nowMs;
  m_onAirThisRun = false;
  m_stall.Reset(nowMs);
  m_deadAir.Reset();
  m_peakDb.reset();
  m_status.reset();  // what was read at this moment was the ended encoder's
}

void LiveSession::NoteLaunchResult(SessionEvents& events) {
  const std::optional<EncoderRunner::LaunchResult> launched = m_runner.TakeLaunchResult();
  if (!launched) return;
  if (!launched->outputRead) events.push_back(Note(kStatusFileFailed));
  // Said once per attempt; the watchdog tries again on its schedule (an antivirus holding ffmpeg.exe for
  // a moment must not keep the station off air until someone comes).
  m_launchFailed = !launched->started;
  if (m_launchFailed) {
    m_down = true;
    events.push_back({SessionEventKind::LaunchFailed, kLogCallFailed, {}, {}});
  }
}

void LiveSession::NoteMeterUnavailable(SessionEvents& events) {
  m_meterUnavailable = true;
  if (m_meterOffLogged) return;
  events.push_back(Note(kLogLevelMeterOff));
  m_meterOffLogged = true;
}

// A launched encoder may run for long without a byte reaching the server (a route that swallows packets,
// a server that accepts and hangs, a device that delivers nothing): only a stream time above zero in its
// progress says that data goes out.
void LiveSession::NoteProgress(long long nowMs, const std::string& statusTail, SessionEvents& events) {
  if (m_onAirThisRun) return;
  const std::optional<long long> streamMs = LatestProgress(statusTail).timeMs;
  if (!streamMs || *streamMs <= 0) return;
  m_onAirThisRun = true;
  m_onAirSinceMs = nowMs;
  m_nRestartCount = 0;
  // Back after an outage the log says so again; the first time, it said so at the click. An encoder
  // relaunched as planned had no outage to come back from.
  SessionEvent event{m_everOnAir ? SessionEventKind::BackOnAir : SessionEventKind::OnAir,
                     m_down ? kLogOnAir : "", {}, {}};
  const bool news = !m_everOnAir || m_down;
  m_everOnAir = true;
  m_down = false;
  if (news) events.push_back(std::move(event));
}

void LiveSession::NoteStatusFile(SessionEvents& events) {
  const bool failing = m_runner.StatusFileFailing();
  if (failing == m_statusFileFailing) return;
  m_statusFileFailing = failing;
  events.push_back(Note(failing ? kLogStatusFileFailing : kLogStatusFileWritten));
}

SessionEvents LiveSession::Listen(long long nowMs) {
  SessionEvents events;
  if (!m_bLive) return events;
  NoteLaunchResult(events);
  unsigned long waitResult = 0;
  if (!m_runner.HasChild() || m_runner.Poll(waitResult) != WaitOutcome::Running) return events;
  std::string tail;
  if (!StatusAt(nowMs, tail)) return events;
  NoteProgress(nowMs, tail, events);
  if (!m_metered) return events;
  m_peakDb = LatestPeakLevel(tail);
  switch (m_deadAir.Tick(nowMs, m_peakDb)) {
    case DeadAirChange::None:
      break;
    case DeadAirChange::Began:
      events.push_back({SessionEventKind::DeadAir, DeadAirText(), {}, {}});
      break;
    case DeadAirChange::Ended:
      events.push_back({SessionEventKind::SoundBack, kLogSoundBack, {}, {}});
      break;
  }
  return events;
}

SessionEvents LiveSession::Tick(long long nowMs, const StreamChoice& choice) {
  SessionEvents events;
  if (!m_bLive) return events;
  m_lastTickMs = nowMs;
  NoteLaunchResult(events);
  unsigned long waitResult = kWaitFailed;
  const bool hasChild = m_runner.HasChild();
  WaitOutcome waited = hasChild ? m_runner.Poll(waitResult) : WaitOutcome::Failed;
  std::string statusTail;
  const bool said = hasChild && LookAtStatus(nowMs, statusTail);
  if (hasChild) NoteStatusFile(events);
  // An encoder that refused the meter's filters streams without them from its next launch on.
  if (m_metered && said && LevelMeterUnavailable(statusTail)) NoteMeterUnavailable(events);
  // One that got data out before it ended was on air, however briefly.
  if (said) NoteProgress(nowMs, statusTail, events);
  // An encoder whose progress stands still (a connection that died without closing) is as good as ended:
  // it is ended and counts as such on this tick.
  bool stalled = false;
  if (waited == WaitOutcome::Running) {
    stalled = m_stall.Tick(nowMs, said, LatestProgress(statusTail).timeMs);
    if (stalled) {
      m_runner.Stop();
      waited = WaitOutcome::Ended;
    }
  }
  if (waited == WaitOutcome::Running && PlannedRelaunchDue(nowMs)) {
    events.push_back(Note(FillIn(kLogPlannedRelaunch, {std::to_string((nowMs - m_launchMs) / kDayMs)})));
    m_runner.Stop();
    Launch(nowMs, choice, events);
    return events;
  }
  // Running but not on air yet: connecting. That is no news, and no return from an outage.
  if (waited == WaitOutcome::Running && !m_onAirThisRun) return events;
  switch (WatchdogTick(WatchdogOutcome(hasChild, waited), m_nRestartCount)) {
    case WatchdogAction::None:
    case WatchdogAction::LogOnAir:  // said at the encoder's first progress
      break;
    case WatchdogAction::Relaunch:
      events.push_back(EncoderEnded(hasChild, stalled, statusTail));
      m_down = true;
      // The ended encoder's handles go, and one that has not quite gone yet is waited for.
      m_runner.Stop();
      ++m_relaunches;
      Launch(nowMs, choice, events);
      break;
    case WatchdogAction::LogCallFailed:
      events.push_back({SessionEventKind::LaunchFailed, kLogCallFailed, {}, {}});
      break;
    case WatchdogAction::LogWaitError:
      events.push_back(Note(FormatWaitError(waitResult)));
      break;
  }
  return events;
}

bool LiveSession::PlannedRelaunchDue(long long nowMs) const {
  const long long ranMs = nowMs - m_launchMs;
  if (ranMs >= kPlannedRelaunchLatestMs) return true;
  const bool quiet = m_deadAir.Silent() || (m_peakDb && *m_peakDb < kDeadAirThresholdDb);
  return ranMs >= kPlannedRelaunchEarliestMs && quiet;
}

// The relaunch line, and why the encoder ended: in its own last words (stream key masked), or that it was
// ended for making no progress. Without a child the last launch failed, which was said then.
SessionEvent LiveSession::EncoderEnded(bool hadChild, bool stalled, const std::string& statusTail) const {
  SessionEvent event{SessionEventKind::Note, kLogRelaunch, {}, {}};
  if (!hadChild) return event;
  event.kind = m_onAirThisRun ? SessionEventKind::Dropped : SessionEventKind::NoDataOut;
  event.deviceInUse = DeviceSaysInUse(statusTail);
  if (stalled) {
    event.reasonLine = FillIn(kLogEncoderStalled, {std::to_string(kStallTimeoutMs / 1000)});
  } else if (const char* explained = ExplainedExitReason(statusTail)) {
    event.reasonLine = std::string(kLogEncoderExitReason) + explained;
  } else {
    event.reasonUtf8 = EncoderExitReason(statusTail);
    const std::string shown = event.reasonUtf8.empty() ? std::string() : m_toAnsi(event.reasonUtf8);
    if (!shown.empty()) event.reasonLine = kLogEncoderExitReason + shown;
  }
  return event;
}

LiveFigures LiveSession::Figures(long long nowMs) {
  LiveFigures figures;
  figures.relaunches = m_relaunches;
  if (!m_bLive) return figures;
  figures.metered = m_metered;
  figures.peakDb = m_peakDb;
  figures.silent = m_deadAir.Silent();
  std::string tail;
  if (StatusAt(nowMs, tail)) figures.kbitPerSecond = LatestProgress(tail).kbitPerSecond;
  unsigned long waitResult = 0;
  const bool down = !m_runner.HasChild() || m_runner.Poll(waitResult) == WaitOutcome::Ended;
  // An encoder that has ended is on air no longer; one that runs is on air from its first progress.
  if (!down && m_onAirThisRun) figures.uptimeMs = nowMs - m_onAirSinceMs;
  figures.connecting = !down && !m_onAirThisRun;
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
  return StatusAt(nowMs, text);
}
