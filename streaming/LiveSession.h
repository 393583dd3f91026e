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
#include "streaming/StallDetector.h"
#include "streaming/Watchdog.h"

// What a broadcast needs of the system: one streaming encoder at a time.
class EncoderRunner {
 public:
  virtual ~EncoderRunner() = default;

  struct LaunchResult {
    bool started = false;     // the encoder runs
    bool statusFile = false;  // its output reaches the status file
  };
  // Starts the encoder with this argument string, its output read as it comes and written to a fresh
  // status file.
  virtual LaunchResult Launch(const std::string& arguments) = 0;
  // Ends the encoder, if one runs, waits (bounded) until it has gone, and forgets it.
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
  // True when the status file the launch opened is out of reach now: it cannot be opened for reading, or
  // the latest write could not open it (deleted, held by another program, its rights taken away). False
  // while it can be, and when the launch opened none.
  virtual bool StatusFileLost() = 0;
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
  long long uptimeMs = 0;                // since the current encoder was launched; 0 while none runs
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

  // Switches the broadcast on and launches the encoder. Returns the lines to log.
  std::vector<std::string> Start(long long nowMs, const StreamChoice& choice);
  // Switches it off, ending the encoder. Returns the lines to log.
  std::vector<std::string> Stop();
  // Ends the encoder without a word: the window is closing.
  void Abandon();

  // A look at what the running encoder measured, several times a second while live: its peak level and
  // dead air. Returns the lines to log (dead air began or ended).
  std::vector<std::string> Listen(long long nowMs);

  // The watchdog's look at the encoder, every kWatchdogPeriodMs while live. An ended encoder, or one that
  // could not be started, is launched again on the schedule of WatchdogTick, with choice; one whose
  // progress stood still for kStallTimeoutMs is ended and counts as ended. One that has run for
  // kPlannedRelaunchEarliestMs is relaunched at its first quiet moment, or at kPlannedRelaunchLatestMs,
  // outside the schedule. Returns the lines to log.
  std::vector<std::string> Tick(long long nowMs, const StreamChoice& choice);

  bool IsLive() const { return m_bLive; }
  int RestartCount() const { return m_nRestartCount; }
  LiveFigures Figures(long long nowMs);

 private:
  void Launch(long long nowMs, const StreamChoice& choice, std::vector<std::string>& lines);
  void LogEncoderEnd(bool stalled, const std::string& statusTail, std::vector<std::string>& lines) const;
  void NoteMeterUnavailable(std::vector<std::string>& lines);
  bool PlannedRelaunchDue(long long nowMs) const;
  // What the encoder had said at nowMs (EncoderRunner::ReadStatusTail): read once for each moment, so
  // that the looks of one timer tick share one reading.
  bool StatusAt(long long nowMs, std::string& text);
  // The watchdog's look, read afresh: a status file lost since the launch counts as one that cannot be read.
  bool LookAtStatus(long long nowMs, std::string& text);

  EncoderRunner& m_runner;
  std::function<std::string(const std::string&)> m_toAnsi;
  bool m_bLive = false;
  // Consecutive ticks that found the encoder ended; going live or off leaves it as it is.
  int m_nRestartCount = 0;
  int m_nRelaunches = 0;
  long long m_launchMs = 0;
  bool m_launchFailed = false;  // the last launch could not start the encoder
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
  bool m_statusLost = false;  // at the watchdog's latest look
  std::optional<double> m_peakDb;
  DeadAirDetector m_deadAir;
  FdkAacSupport m_aacSupport = FdkAacSupport::Unknown;
  TlsSupport m_tls = TlsSupport::Unknown;
  bool m_bAacFallbackLogged = false;  // once per run of the program
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
