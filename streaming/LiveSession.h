#pragma once
// A broadcast from the moment it is switched on until it is switched off: the streaming encoder, the
// watchdog that relaunches it on a widening schedule or ends it when its progress stands still, the AAC
// encoder asked for, and the figures the status line shows. It knows no window and no clock of its own:
// the time comes with each call and the encoder through EncoderRunner, so a whole day of watchdog ticks
// runs in a native test in milliseconds.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "encoder/AacEncoderChoice.h"
#include "encoder/TlsSupport.h"
#include "streaming/DeadAir.h"
#include "streaming/SessionEvent.h"
#include "streaming/StallDetector.h"
#include "streaming/Watchdog.h"

// What a broadcast needs of the system: one streaming encoder at a time.
class EncoderRunner {
 public:
  virtual ~EncoderRunner() = default;

  struct LaunchResult {
    bool started = false;     // the encoder runs
    bool outputRead = false;  // its output is read as it comes (and mirrored into the status file)
  };
  // Starts the encoder with this argument string, its output read as it comes and written to a fresh
  // status file. The start may finish after this has returned (the system takes its time to start a
  // process): until then the encoder counts as running, and TakeLaunchResult tells how it went.
  virtual void Launch(const std::string& arguments) = 0;
  // How the latest launch went, once, as soon as it is known; empty before, and after it was told.
  virtual std::optional<LaunchResult> TakeLaunchResult() = 0;
  // Ends the encoder, if one runs (or is being started), and forgets it; a later launch never meets it
  // still running.
  virtual void Stop() = 0;
  virtual bool HasChild() const = 0;
  // Whether the encoder has ended, without waiting; rawResult is the system's own answer.
  virtual WaitOutcome Poll(unsigned long& rawResult) = 0;
  // What the running (or last) encoder said (UTF-8): its latest progress line and level reading, then
  // the newest part of its output (StatusRecord::Recent). Once the encoder has ended, all it said.
  // False when its output is not being read: nothing is to be decided from it then.
  virtual bool ReadStatusTail(std::string& text) = 0;
  // Keeps the machine from sleeping (true) or lets it sleep again (false): a sleeping PC takes the
  // broadcast with it. The display may still turn off.
  virtual void KeepSystemAwake(bool awake) = 0;
  // True while the status file cannot be written (deleted and not to be made again, held by another
  // program, read-only, its rights taken away). It is the user's mirror of the encoder's output, tried
  // again at each later write; what the encoder says is read from its pipe all the same.
  virtual bool StatusFileFailing() = 0;
};

// What the encoder is to capture and where to publish it, as chosen at the moment of a launch: a device or
// bitrate changed while live is used from the next relaunch on.
struct StreamChoice {
  std::string device;       // the name the encoder knows the device by
  std::string bitrateText;  // "48" for 48 kbit/s
  std::string server;       // the cleaned publish address
};

// What the status line shows while live.
struct LiveFigures {
  long long uptimeMs = 0;                // since the current encoder's first progress; 0 while none is on air
  bool connecting = false;               // an encoder runs but has not got data out yet
  std::optional<double> kbitPerSecond;   // from its latest progress report
  int relaunches = 0;                    // encoders started again since going live
  // While the encoder is down and the watchdog waits to launch it again: how long until it tries.
  std::optional<long long> retryInMs;
  bool metered = false;          // the encoder measures what it sends
  std::optional<double> peakDb;  // its latest peak level
  bool silent = false;           // dead air
};

class LiveSession {
 public:
  // toAnsi turns the encoder's UTF-8 words into the log's code page.
  LiveSession(EncoderRunner& runner, std::function<std::string(const std::string&)> toAnsi);

  // What the encoder told of itself (its device listing, banner included): which AAC encoder to ask for,
  // whether it speaks TLS. A text that tells nothing leaves what an earlier one told.
  void LearnEncoder(const std::string& encoderText);
  // Whether rtmps:// addresses can be published to: unless the encoder said it has no TLS.
  bool EncoderSpeaksTls() const { return CanSpeakTls(m_tls); }
  // The AAC encoder a launch asks for (AacEncoderFor): the recording beside the broadcast asks for the same.
  const char* AacEncoder() const { return AacEncoderFor(m_aacSupport); }

  // Switches the broadcast on and launches the encoder.
  SessionEvents Start(long long nowMs, const StreamChoice& choice);
  // Switches it off, ending the encoder.
  SessionEvents Stop();
  // Ends the encoder without a word: the window is closing.
  void Abandon();

  // A look at what the running encoder said, several times a second while live: its first progress (on
  // air), its peak level and dead air.
  SessionEvents Listen(long long nowMs);

  // The watchdog's look at the encoder, every kWatchdogPeriodMs while live. An encoder is on air from its
  // first progress line with a stream time above zero: until then a tick that finds it running neither
  // says so nor resets the count, so one that never gets data out is relaunched on the schedule's back-off.
  // An ended encoder, or one that could not be started, is launched again on the schedule of
  // WatchdogTick, with choice; one whose progress stood still for kStallTimeoutMs is ended and counts as
  // ended. One that has run for kPlannedRelaunchEarliestMs is relaunched at its first quiet moment, or at
  // kPlannedRelaunchLatestMs, outside the schedule.
  SessionEvents Tick(long long nowMs, const StreamChoice& choice);

  bool IsLive() const { return m_bLive; }
  int RestartCount() const { return m_nRestartCount; }
  LiveFigures Figures(long long nowMs);

 private:
  void Launch(long long nowMs, const StreamChoice& choice, SessionEvents& events);
  // What the latest launch turned out to be, once it is known: a failure is said once per attempt.
  void NoteLaunchResult(SessionEvents& events);
  // The relaunch of an encoder found ended (or ended for standing still), with why it ended.
  SessionEvent EncoderEnded(bool hadChild, bool stalled, const std::string& statusTail) const;
  // The first progress of the current encoder: it is on air.
  void NoteProgress(long long nowMs, const std::string& statusTail, SessionEvents& events);
  void NoteStatusFile(SessionEvents& events);
  void NoteMeterUnavailable(SessionEvents& events);
  bool PlannedRelaunchDue(long long nowMs) const;
  // What the encoder had said at nowMs (EncoderRunner::ReadStatusTail): read once for each moment, so
  // that the looks of one timer tick share one reading.
  bool StatusAt(long long nowMs, std::string& text);
  // The watchdog's look, read afresh.
  bool LookAtStatus(long long nowMs, std::string& text);

  EncoderRunner& m_runner;
  std::function<std::string(const std::string&)> m_toAnsi;
  bool m_bLive = false;
  // Consecutive ticks that found the encoder ended; going live or off leaves it as it is.
  int m_nRestartCount = 0;
  int m_relaunches = 0;
  long long m_launchMs = 0;
  bool m_launchFailed = false;  // the last launch could not start the encoder
  bool m_onAirThisRun = false;  // the current encoder has shown progress
  long long m_onAirSinceMs = 0;
  bool m_everOnAir = false;     // since switching on
  bool m_down = false;          // an encoder ended or could not be started, and none is on air since
  bool m_statusFileFailing = false;  // as last said
  long long m_lastTickMs = 0;
  StallDetector m_stall;
  // Only an encoder that has shown itself (a version banner) is asked to measure what it sends; one that
  // cannot is asked no more, and the log says so once.
  bool m_bannerSeen = false;
  bool m_meterUnavailable = false;
  bool m_meterOffLogged = false;
  bool m_metered = false;  // the current encoder was asked to measure
  struct StatusReading {
    long long atMs = 0;
    bool said = false;
    std::string text;
  };
  std::optional<StatusReading> m_status;
  std::optional<double> m_peakDb;
  DeadAirDetector m_deadAir;
  FdkAacSupport m_aacSupport = FdkAacSupport::Unknown;
  TlsSupport m_tls = TlsSupport::Unknown;
  bool m_aacFallbackLogged = false;  // once per run of the program
};

// How often the watchdog looks at the encoder.
constexpr long long kWatchdogPeriodMs = 5000;

// FLV time stamps are 32-bit milliseconds: after 2^31 ms (24 d 20 h 31 m) of one encoder run they wrap,
// and from then on players drop every packet while the encoder reports nothing wrong. A new encoder
// starts again at 0, so a long run is relaunched once before that: at its first quiet moment from day 23
// on, at day 24 at the latest.
constexpr long long kDayMs = 24LL * 60 * 60 * 1000;
constexpr long long kPlannedRelaunchEarliestMs = 23 * kDayMs;
constexpr long long kPlannedRelaunchLatestMs = 24 * kDayMs;
